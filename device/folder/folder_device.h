#pragma once
// The bundled handheld: the remote API of device/rapi_types.h over a folder of the PC.
//
// VIRESKA_PDA_ROOT names the folder that is the handheld's file system; when it is unset or
// empty, the folder the program chose through VireskaSetPdaRoot (below); without a choice, the
// folder VIRESKA_PDA_DEFAULT_ROOT names; without either, the folder "PDA" beside the program. No
// such folder, or one that cannot be read: no handheld answers (CeRapiInit fails with E_FAIL, a
// CeRapiInitEx attempt ends with a negative result code). The program sets neither variable: it
// hands every folder over through the entry, its default folder too (platform::DefaultDeviceRoot);
// the variables are for tests and for a run from the command line.
//
// VireskaSetPdaRoot(const char* folder) is this library's own entry, beside the remote API: the
// program's choice of folder, null or empty for none. The folder is the path's bytes as on disk
// (UTF-8), whatever letters it holds, never text of a code page. The environment is not touched,
// so the program may call it while other threads run; the root is looked up anew at each call
// that needs it.
//
// "\Storage Card\MHT\x.mht" is ROOT/Storage Card/MHT/x.mht: "\" and "/" separate, empty and
// "." components are skipped (so a doubled "\\" counts as one), names are UTF-16 on the API
// side and UTF-8 on disk, and a name that misses matches an existing one that differs only in
// case (ASCII and Latin letters), as the handheld's file system does. A ".." component, or a
// symbolic link leading outside the root, fails with ERROR_ACCESS_DENIED and touches nothing;
// such links are left out of listings. Every path is resolved from a descriptor of the root
// without a gap between check and use (device/folder/resolve.h). Entries that are neither files
// nor folders (FIFOs, devices, sockets) are left out of listings and refuse to open.
//
// Listings ("\dir\*", "\dir\*.mht", "?" too) give no "." and ".." and come sorted by name.
// Attributes: 0x10 directory, 0x20 file, 0x01 read-only (no owner write bit), 0x02 hidden (name
// begins with "."). Creation time: birth time where the file system keeps one, else last write.
//
// CeMoveFile renames a file or folder (a link stays a link) and fails with ERROR_ALREADY_EXISTS
// when the new name is taken.
//
// VireskaReplaceFile(LPCWSTR newFile, LPCWSTR target) is the library's second own entry, with the
// calling convention of the remote API: newFile's data is flushed (fsync), newFile is renamed over
// target in one rename, whether target exists or not, and the folder is flushed, so a crash
// leaves either the old target or the new one, never neither. A target that exists in another
// case keeps its name ("\WPT.TXT" over "wpt.txt" leaves "wpt.txt" with the new data). Both must be
// in one folder (else kReplaceNotSameFolder). Refused with ERROR_ACCESS_DENIED, nothing touched:
// a target that is a folder or read-only, a newFile that is not a regular file (a link, a folder).
// Missing newFile: ERROR_FILE_NOT_FOUND. A file system that cannot replace an existing entry in
// one rename fails with kReplaceUnsupported and leaves both files as they were, so the caller can
// fall back to two moves. One that cannot flush (EINVAL, ENOSYS: some FUSE drivers) is no error.
// A failed flush of the folder is reported after the rename (target then holds the new data).
// Like every step it needs an open link, sets the calling thread's last error, and takes part in
// VIRESKA_PDA_FAIL and VIRESKA_PDA_EXIT_AT as "VireskaReplaceFile".
//
// File functions need an open link (CeRapiInit, or a CeRapiInitEx attempt that succeeded);
// without one they fail with ERROR_NOT_READY. CeRapiUninit closes the link and every handle
// still open. Sharing modes are accepted and not enforced.
//
// Fault injection for tests. Every variable is read when it matters, so a test may change it
// between calls:
//   VIRESKA_PDA_CONNECT_DELAY_MS=N  a connection attempt (CeRapiInit, CeRapiInitEx) takes N ms;
//                                   CeRapiInitEx still returns at once and signals later.
//   VIRESKA_PDA_WRITE_DELAY_MS=N    every CeWriteFile call first waits N ms.
//   VIRESKA_PDA_NO_OPENAT2=1        paths are confined as on a kernel without openat2: each
//                                   component is opened on its own and no link is followed.
//   VIRESKA_PDA_FAIL=STEP=ERROR[@K][,STEP=ERROR[@K]...]
//       the function named STEP (for instance CeReadFile) fails with the Windows error number
//       ERROR from its K-th call on (default 1), counted from the last CeRapiInit or
//       CeRapiInitEx. A failing step does nothing else: it returns its failure value
//       (INVALID_HANDLE_VALUE, FALSE, INVALID_FILE_SIZE) and CeGetLastError gives ERROR. A
//       failing CeRapiInit returns, and a failing CeRapiInitEx attempt ends with,
//       HRESULT_FROM_WIN32(ERROR) (negative), and the link stays closed.
//   VIRESKA_PDA_EXIT_AT=STEP[@K][,STEP[@K]...]
//       the K-th call of the named step (default 1, counted as for VIRESKA_PDA_FAIL) ends the
//       process with _exit(kExitAtCode) before it does anything: a test forks a child that
//       works with this set and looks at what a crash at that step leaves on disk.

#include "device/rapi_types.h"

namespace folder_device {

inline constexpr const char* kRootVariable = "VIRESKA_PDA_ROOT";
inline constexpr const char* kDefaultRootVariable = "VIRESKA_PDA_DEFAULT_ROOT";
inline constexpr const char* kConnectDelayVariable = "VIRESKA_PDA_CONNECT_DELAY_MS";
inline constexpr const char* kWriteDelayVariable = "VIRESKA_PDA_WRITE_DELAY_MS";
inline constexpr const char* kFailVariable = "VIRESKA_PDA_FAIL";
inline constexpr const char* kNoOpenat2Variable = "VIRESKA_PDA_NO_OPENAT2";
inline constexpr const char* kExitAtVariable = "VIRESKA_PDA_EXIT_AT";
inline constexpr int kExitAtCode = 86;
inline constexpr const char* kDefaultRootName = "PDA";
inline constexpr const char* kSetRootEntry = "VireskaSetPdaRoot";
using SetRootFunction = void (*)(const char* folder);

inline constexpr const char* kReplaceEntry = "VireskaReplaceFile";
using ReplaceFunction = BOOL(RAPI_CALL*)(LPCWSTR newFile, LPCWSTR target);
// Failures of VireskaReplaceFile that leave both files as they were and call for the two moves.
inline constexpr DWORD kReplaceNotSameFolder = 17;  // ERROR_NOT_SAME_DEVICE
inline constexpr DWORD kReplaceUnsupported = 50;    // ERROR_NOT_SUPPORTED

}  // namespace folder_device
