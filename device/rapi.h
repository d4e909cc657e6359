#pragma once
// The handheld's remote API, bound at run time. Every handheld operation of the program goes
// through these forwarding operations: each loads the library on first use and, when the
// library or its entry is missing, answers the fixed unavailable value without calling
// anything (65535 for the init functions, the handle-returning ones, CeGetLastError and
// CeGetFileSize; 0 for the rest). 65535 is deliberately not INVALID_HANDLE_VALUE.
//
// Which library: the environment variable VIRESKA_RAPI when set (a name for the system's
// library search, or a path), otherwise the bundled folder library in the program's folder
// (platform::ExecutableDir()). Once loaded it is never freed; a failed load is retried by the
// next call.
#include <filesystem>
#include <optional>
#include <string>

#include "device/rapi_types.h"

// True when the library is loaded (now or earlier).
bool BindRemoteApi();

HRESULT CeRapiInit();
HRESULT CeRapiInitEx(RAPIINIT* init);
HRESULT CeRapiUninit();
HANDLE CeFindFirstFile(LPCWSTR fileName, LPCE_FIND_DATA findData);
BOOL CeFindNextFile(HANDLE find, LPCE_FIND_DATA findData);
BOOL CeFindClose(HANDLE find);
HANDLE CeCreateFile(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                    LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                    DWORD flagsAndAttributes, HANDLE templateFile);
BOOL CeReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                LPOVERLAPPED overlapped);
BOOL CeWriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
                 LPOVERLAPPED overlapped);
BOOL CeCloseHandle(HANDLE object);
DWORD CeGetLastError();
BOOL CeCreateDirectory(LPCWSTR pathName, LPSECURITY_ATTRIBUTES security);
BOOL CeRemoveDirectory(LPCWSTR pathName);
BOOL CeDeleteFile(LPCWSTR fileName);
// Renames a file or folder; fails when newFileName exists.
BOOL CeMoveFile(LPCWSTR existingFileName, LPCWSTR newFileName);
DWORD CeGetFileSize(HANDLE file, LPDWORD fileSizeHigh);

// What the binding answers when the library or an entry is missing.
inline constexpr HRESULT kRapiUnavailable = 0xFFFF;
inline constexpr DWORD kRapiUnavailableDword = 0xFFFF;
inline const HANDLE kRapiUnavailableHandle = reinterpret_cast<HANDLE>(0xFFFF);

namespace rapi {

// The 65 names bound, in binding order; only the forwarding operations above are called.
inline constexpr int kBoundNames = 65;
const char* BoundName(int slot);
// Whether the loaded library has the entry of that name (false when not loaded).
bool HasEntry(const char* name);

// The folder the bundled library serves as the handheld. The binding hands it over before each
// connection (CeRapiInit, CeRapiInitEx) through that library's own entry "VireskaSetPdaRoot",
// so a change takes effect at the next connection; a library without the entry is not asked.
// VIRESKA_PDA_ROOT, read by the library, still overrides it. The path goes over as it is on
// disk (UTF-8), whatever letters it holds; empty hands over none (the library's own default).
void SetDeviceRoot(const std::filesystem::path& folder);

// The bundled library's own atomic replace (entry "VireskaReplaceFile"): newFile made durable and
// renamed over target in one step. Nullopt when the library has no such entry; otherwise its
// answer, with CeGetLastError telling why it failed.
std::optional<BOOL> ReplaceFile(LPCWSTR newFile, LPCWSTR target);
// Tests only: the replace entry is taken as missing (the two-step path of other libraries).
void IgnoreReplaceEntryForTests(bool ignore);

// Tests only: how many calls into the library were made outside the handheld's thread
// (device/worker.h) since the program started.
unsigned CallsOffTheDeviceThread();

// Tests only: forget the loaded library, so the next call loads the one VIRESKA_RAPI names
// now. The old one stays mapped (the binding never frees a library).
void ForgetLibraryForTests();

}  // namespace rapi
