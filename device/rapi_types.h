/* The C interface of the handheld's remote API library, as this platform lays it out.
 *
 * Shared by the program's run-time binding (device/rapi.h) and by any library that can stand in
 * for the handheld, the bundled folder library (device/folder/) among them. Plain C, so a
 * library in any language can follow it.
 *
 * Layout: WCHAR is a 16-bit unit (UTF-16), DWORD 32 bits, HANDLE pointer-sized, and the
 * invalid handle value has all bits set. CE_FIND_DATA is 560 bytes on every platform;
 * RAPIINIT.cbSize is sizeof(RAPIINIT) of the platform (12 with 32-bit handles, 24 with 64-bit).
 *
 * The connection event. CeRapiInitEx returns at once and puts a pollable file descriptor
 * (an eventfd, or a pipe's read end) into RAPIINIT.heRapiInit, as the descriptor's number cast
 * to HANDLE; a descriptor is never 0, so a zero handle means "no event". The descriptor becomes
 * readable when the connection attempt has ended, and hrRapiInit then holds the result
 * (negative: failure). The library writes hrRapiInit before it signals, and never after the
 * caller has called CeRapiUninit or another CeRapiInitEx. The caller owns the descriptor and
 * closes it once it has waited; the library keeps no copy that the caller could see reused.
 *
 * Every other function keeps the published Windows CE semantics; CeGetLastError gives the
 * Windows error number of the last failed call on the calling thread.
 */
#ifndef VIRESKA_DEVICE_RAPI_TYPES_H
#define VIRESKA_DEVICE_RAPI_TYPES_H

/* Plain C with the API's published names; the checks for C++ and reserved names stay off here. */
/* NOLINTBEGIN(modernize-use-using,modernize-deprecated-headers,modernize-redundant-void-arg) */
/* NOLINTBEGIN(bugprone-reserved-identifier) */

#ifdef _WIN32
#include <windows.h>
#define RAPI_CALL __stdcall
#else
#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int32_t HRESULT;
typedef int BOOL;
typedef char16_t WCHAR;
typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;
typedef const WCHAR* LPCWSTR;
typedef struct _SECURITY_ATTRIBUTES SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES; /* always NULL */
typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;                            /* always NULL */

typedef struct _FILETIME {
  DWORD dwLowDateTime; /* 100-ns ticks since 1601-01-01 00:00 UTC, low and high words */
  DWORD dwHighDateTime;
} FILETIME;

/* Other C headers (GLib's) may have defined them already, with the same values. */
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define MAX_PATH 260

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

#define INVALID_FILE_SIZE 0xFFFFFFFFu

#define NO_ERROR 0u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_NO_MORE_FILES 18u
#define ERROR_NOT_READY 21u
#define ERROR_FILE_EXISTS 80u
#define ERROR_DISK_FULL 112u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_INVALID_NAME 123u
#define ERROR_DIR_NOT_EMPTY 145u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_DIRECTORY 267u

#define S_OK ((HRESULT)0)
#define E_FAIL ((HRESULT)0x80004005u)
#define E_INVALIDARG ((HRESULT)0x80070057u)
#define CERAPI_E_ALREADYINITIALIZED ((HRESULT)0x80041001u)

#define RAPI_CALL
#endif /* _WIN32 */

typedef struct _CE_FIND_DATA {
  DWORD dwFileAttributes;  /* 0x10 directory, 0x20 file, 0x01 read-only, 0x02 hidden */
  FILETIME ftCreationTime; /* what the handheld shows as an entry's date */
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[MAX_PATH]; /* zero-terminated */
} CE_FIND_DATA, *LPCE_FIND_DATA;

typedef struct _RAPIINIT {
  DWORD cbSize;       /* sizeof(RAPIINIT) */
  HANDLE heRapiInit;  /* out: the connection event, see above */
  HRESULT hrRapiInit; /* out: the connection result, valid once the event is signalled */
} RAPIINIT;

/* The functions the program calls, as pointer types; a library exports them by these names
 * with C linkage. */
typedef HRESULT(RAPI_CALL* PFN_CeRapiInit)(void);
typedef HRESULT(RAPI_CALL* PFN_CeRapiInitEx)(RAPIINIT* init);
typedef HRESULT(RAPI_CALL* PFN_CeRapiUninit)(void);
typedef HANDLE(RAPI_CALL* PFN_CeFindFirstFile)(LPCWSTR fileName, LPCE_FIND_DATA findData);
typedef BOOL(RAPI_CALL* PFN_CeFindNextFile)(HANDLE find, LPCE_FIND_DATA findData);
typedef BOOL(RAPI_CALL* PFN_CeFindClose)(HANDLE find);
typedef HANDLE(RAPI_CALL* PFN_CeCreateFile)(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                            LPSECURITY_ATTRIBUTES security,
                                            DWORD creationDisposition, DWORD flagsAndAttributes,
                                            HANDLE templateFile);
typedef BOOL(RAPI_CALL* PFN_CeReadFile)(HANDLE file, LPVOID buffer, DWORD bytesToRead,
                                        LPDWORD bytesRead, LPOVERLAPPED overlapped);
typedef BOOL(RAPI_CALL* PFN_CeWriteFile)(HANDLE file, LPCVOID buffer, DWORD bytesToWrite,
                                         LPDWORD bytesWritten, LPOVERLAPPED overlapped);
typedef BOOL(RAPI_CALL* PFN_CeCloseHandle)(HANDLE object);
typedef DWORD(RAPI_CALL* PFN_CeGetLastError)(void);
typedef BOOL(RAPI_CALL* PFN_CeCreateDirectory)(LPCWSTR pathName, LPSECURITY_ATTRIBUTES security);
typedef BOOL(RAPI_CALL* PFN_CeRemoveDirectory)(LPCWSTR pathName);
typedef BOOL(RAPI_CALL* PFN_CeDeleteFile)(LPCWSTR fileName);
typedef BOOL(RAPI_CALL* PFN_CeMoveFile)(LPCWSTR existingFileName, LPCWSTR newFileName);
typedef DWORD(RAPI_CALL* PFN_CeGetFileSize)(HANDLE file, LPDWORD fileSizeHigh);

#ifdef __cplusplus
static_assert(sizeof(WCHAR) == 2, "WCHAR is one UTF-16 unit");
static_assert(sizeof(DWORD) == 4, "DWORD is 32 bits");
static_assert(sizeof(HANDLE) == sizeof(void*), "HANDLE is pointer-sized");
static_assert(sizeof(FILETIME) == 8, "FILETIME is two words");
static_assert(sizeof(CE_FIND_DATA) == 560, "the published find record");
static_assert(offsetof(CE_FIND_DATA, dwFileAttributes) == 0, "find record layout");
static_assert(offsetof(CE_FIND_DATA, ftCreationTime) == 4, "find record layout");
static_assert(offsetof(CE_FIND_DATA, ftLastAccessTime) == 12, "find record layout");
static_assert(offsetof(CE_FIND_DATA, ftLastWriteTime) == 20, "find record layout");
static_assert(offsetof(CE_FIND_DATA, nFileSizeHigh) == 28, "find record layout");
static_assert(offsetof(CE_FIND_DATA, nFileSizeLow) == 32, "find record layout");
static_assert(offsetof(CE_FIND_DATA, dwOID) == 36, "find record layout");
static_assert(offsetof(CE_FIND_DATA, cFileName) == 40, "find record layout");
static_assert(sizeof(RAPIINIT) == (sizeof(void*) == 4 ? 12 : 24), "RAPIINIT layout");
#endif

/* NOLINTEND(bugprone-reserved-identifier) */
/* NOLINTEND(modernize-use-using,modernize-deprecated-headers,modernize-redundant-void-arg) */

#endif /* VIRESKA_DEVICE_RAPI_TYPES_H */
