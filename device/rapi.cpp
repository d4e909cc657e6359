#include "device/rapi.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include "device/folder/folder_device.h"
#include "device/worker.h"
#include "platform/paths.h"

namespace {

const char* const kNames[rapi::kBoundNames] = {"CeRapiInit",
                                               "CeRapiInitEx",
                                               "CeRapiUninit",
                                               "CeFindAllFiles",
                                               "RapiFreeBuffer",
                                               "CeCreateDatabase",
                                               "CeDeleteDatabase",
                                               "CeDeleteRecord",
                                               "CeFindFirstDatabase",
                                               "CeFindNextDatabase",
                                               "CeOidGetInfo",
                                               "CeEnumDBVolumes",
                                               "CeOpenDatabase",
                                               "CeReadRecordProps",
                                               "CeSeekDatabase",
                                               "CeSetDatabaseInfo",
                                               "CeWriteRecordProps",
                                               "CeFindFirstFile",
                                               "CeFindNextFile",
                                               "CeFindClose",
                                               "CeGetFileAttributes",
                                               "CeSetFileAttributes",
                                               "CeCreateFile",
                                               "CeReadFile",
                                               "CeWriteFile",
                                               "CeCloseHandle",
                                               "CeFindAllDatabases",
                                               "CeGetLastError",
                                               "GetRapiError",
                                               "CeSetFilePointer",
                                               "CeSetEndOfFile",
                                               "CeCreateDirectory",
                                               "CeRemoveDirectory",
                                               "CeCreateProcess",
                                               "CeMoveFile",
                                               "CeCopyFile",
                                               "CeDeleteFile",
                                               "CeGetFileSize",
                                               "CeRegOpenKeyEx",
                                               "CeRegEnumKeyEx",
                                               "CeRegCreateKeyEx",
                                               "CeRegCloseKey",
                                               "CeRegDeleteKey",
                                               "CeRegEnumValue",
                                               "CeRegDeleteValue",
                                               "CeRegQueryInfoKey",
                                               "CeRegQueryValueEx",
                                               "CeRegSetValueEx",
                                               "CeGetStoreInformation",
                                               "CeGetSystemMetrics",
                                               "CeGetDesktopDeviceCaps",
                                               "CeGetSystemInfo",
                                               "CeSHCreateShortcut",
                                               "CeSHGetShortcutTarget",
                                               "CeCheckPassword",
                                               "CeGetFileTime",
                                               "CeSetFileTime",
                                               "CeGetVersionEx",
                                               "CeGetWindow",
                                               "CeGetWindowLong",
                                               "CeGetWindowText",
                                               "CeGetClassName",
                                               "CeGlobalMemoryStatus",
                                               "CeGetSystemPowerStatusEx",
                                               "CeRapiInvoke"};

// Slots of the entries that are called.
enum Slot {
  kInit = 0,
  kInitEx = 1,
  kUninit = 2,
  kFindFirstFile = 17,
  kFindNextFile = 18,
  kFindClose = 19,
  kCreateFile = 22,
  kReadFile = 23,
  kWriteFile = 24,
  kCloseHandle = 25,
  kGetLastError = 27,
  kCreateDirectory = 31,
  kRemoveDirectory = 32,
  kMoveFile = 34,
  kDeleteFile = 36,
  kGetFileSize = 37,
};

// Copies make their data calls from a thread of their own: the library is bound once, under
// the lock, and published after its entries.
std::mutex bindMutex;
std::atomic<void*> library{nullptr};
void* entries[rapi::kBoundNames] = {};
// The bundled library's own entries, outside the remote API; null in any other library.
void* setRootEntry = nullptr;
void* replaceEntry = nullptr;
std::atomic<bool> ignoreReplaceEntry{false};
// Chosen on the window's thread, handed over on the handheld's.
std::mutex rootMutex;
std::optional<std::string> deviceRoot;

void PassDeviceRoot() {
  std::lock_guard<std::mutex> lock(rootMutex);
  if (setRootEntry && deviceRoot)
    reinterpret_cast<folder_device::SetRootFunction>(setRootEntry)(deviceRoot->c_str());
}

std::string LibraryName() {
  const char* chosen = std::getenv("VIRESKA_RAPI");
  if (chosen && *chosen) return chosen;
  return (platform::ExecutableDir() / VIRESKA_BUNDLED_RAPI).string();
}

std::atomic<unsigned> callsOffTheDeviceThread{0};

template <typename Fn>
Fn Entry(Slot slot) {
  if (!device::OnDeviceThread()) callsOffTheDeviceThread.fetch_add(1, std::memory_order_relaxed);
  if (!BindRemoteApi()) return nullptr;
  return reinterpret_cast<Fn>(entries[slot]);
}

}  // namespace

bool BindRemoteApi() {
  if (library.load(std::memory_order_acquire)) return true;
  std::lock_guard<std::mutex> lock(bindMutex);
  if (library.load(std::memory_order_relaxed)) return true;
  void* handle = ::dlopen(LibraryName().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return false;
  for (int i = 0; i < rapi::kBoundNames; ++i) entries[i] = ::dlsym(handle, kNames[i]);
  setRootEntry = ::dlsym(handle, folder_device::kSetRootEntry);
  replaceEntry = ::dlsym(handle, folder_device::kReplaceEntry);
  library.store(handle, std::memory_order_release);
  return true;
}

HRESULT CeRapiInit() {
  auto fn = Entry<PFN_CeRapiInit>(kInit);
  if (fn) PassDeviceRoot();
  return fn ? fn() : kRapiUnavailable;
}

HRESULT CeRapiInitEx(RAPIINIT* init) {
  auto fn = Entry<PFN_CeRapiInitEx>(kInitEx);
  if (fn) PassDeviceRoot();
  return fn ? fn(init) : kRapiUnavailable;
}

HRESULT CeRapiUninit() {
  auto fn = Entry<PFN_CeRapiUninit>(kUninit);
  return fn ? fn() : kRapiUnavailable;
}

HANDLE CeFindFirstFile(LPCWSTR fileName, LPCE_FIND_DATA findData) {
  auto fn = Entry<PFN_CeFindFirstFile>(kFindFirstFile);
  return fn ? fn(fileName, findData) : kRapiUnavailableHandle;
}

BOOL CeFindNextFile(HANDLE find, LPCE_FIND_DATA findData) {
  auto fn = Entry<PFN_CeFindNextFile>(kFindNextFile);
  return fn ? fn(find, findData) : 0;
}

BOOL CeFindClose(HANDLE find) {
  auto fn = Entry<PFN_CeFindClose>(kFindClose);
  return fn ? fn(find) : 0;
}

HANDLE CeCreateFile(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                    LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                    DWORD flagsAndAttributes, HANDLE templateFile) {
  auto fn = Entry<PFN_CeCreateFile>(kCreateFile);
  return fn ? fn(fileName, desiredAccess, shareMode, security, creationDisposition,
                 flagsAndAttributes, templateFile)
            : kRapiUnavailableHandle;
}

BOOL CeReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                LPOVERLAPPED overlapped) {
  auto fn = Entry<PFN_CeReadFile>(kReadFile);
  return fn ? fn(file, buffer, bytesToRead, bytesRead, overlapped) : 0;
}

BOOL CeWriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
                 LPOVERLAPPED overlapped) {
  auto fn = Entry<PFN_CeWriteFile>(kWriteFile);
  return fn ? fn(file, buffer, bytesToWrite, bytesWritten, overlapped) : 0;
}

BOOL CeCloseHandle(HANDLE object) {
  auto fn = Entry<PFN_CeCloseHandle>(kCloseHandle);
  return fn ? fn(object) : 0;
}

DWORD CeGetLastError() {
  auto fn = Entry<PFN_CeGetLastError>(kGetLastError);
  return fn ? fn() : kRapiUnavailableDword;
}

BOOL CeCreateDirectory(LPCWSTR pathName, LPSECURITY_ATTRIBUTES security) {
  auto fn = Entry<PFN_CeCreateDirectory>(kCreateDirectory);
  return fn ? fn(pathName, security) : 0;
}

BOOL CeRemoveDirectory(LPCWSTR pathName) {
  auto fn = Entry<PFN_CeRemoveDirectory>(kRemoveDirectory);
  return fn ? fn(pathName) : 0;
}

BOOL CeDeleteFile(LPCWSTR fileName) {
  auto fn = Entry<PFN_CeDeleteFile>(kDeleteFile);
  return fn ? fn(fileName) : 0;
}

BOOL CeMoveFile(LPCWSTR existingFileName, LPCWSTR newFileName) {
  auto fn = Entry<PFN_CeMoveFile>(kMoveFile);
  return fn ? fn(existingFileName, newFileName) : 0;
}

DWORD CeGetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
  auto fn = Entry<PFN_CeGetFileSize>(kGetFileSize);
  return fn ? fn(file, fileSizeHigh) : kRapiUnavailableDword;
}

namespace rapi {

const char* BoundName(int slot) {
  return slot >= 0 && slot < kBoundNames ? kNames[slot] : nullptr;
}

bool HasEntry(const char* name) {
  if (!library || !name) return false;
  for (int i = 0; i < kBoundNames; ++i)
    if (std::strcmp(kNames[i], name) == 0) return entries[i] != nullptr;
  if (std::strcmp(folder_device::kSetRootEntry, name) == 0) return setRootEntry != nullptr;
  return false;
}

void SetDeviceRoot(const std::filesystem::path& folder) {
  std::lock_guard<std::mutex> lock(rootMutex);
  deviceRoot = folder.u8string();
}

std::optional<BOOL> ReplaceFile(LPCWSTR newFile, LPCWSTR target) {
  if (!device::OnDeviceThread()) callsOffTheDeviceThread.fetch_add(1, std::memory_order_relaxed);
  if (!BindRemoteApi() || !replaceEntry || ignoreReplaceEntry) return std::nullopt;
  return reinterpret_cast<folder_device::ReplaceFunction>(replaceEntry)(newFile, target);
}

unsigned CallsOffTheDeviceThread() {
  return callsOffTheDeviceThread.load();
}

void IgnoreReplaceEntryForTests(bool ignore) {
  ignoreReplaceEntry = ignore;
}

void ForgetLibraryForTests() {
  std::lock_guard<std::mutex> lock(bindMutex);
  library.store(nullptr);
  for (void*& entry : entries) entry = nullptr;
  setRootEntry = nullptr;
  replaceEntry = nullptr;
}

}  // namespace rapi
