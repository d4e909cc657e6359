#pragma once
// Connecting to the handheld and handing it paths.
#include <cstddef>
#include <string>
#include <string_view>

#include "device/rapi.h"
#include "platform/ansi.h"

// CeRapiInitEx, then at most 5000 ms for its connection event. True: connected, and the link is
// left open. False: the attempt was ended with CeRapiUninit. On the handheld's thread
// (device/worker.h); the window shows the hourglass meanwhile.
bool ConnectDevice();
inline constexpr int kConnectTimeoutMs = 5000;
// How long the window lets a connection wait for the handheld's thread, which an earlier job
// that was stopped may still hold (a device that stopped answering): then no handheld answers.
inline constexpr int kDeviceStartLimitMs = 2000;
extern const AnsiString kDeviceNotAnswering;  // "PDA neodpovedá"

// WideBuffer holds one handheld path as UTF-16: 1024 bytes, 511 units and the terminator.
inline constexpr std::size_t kWideBufferUnits = 512;
inline constexpr std::size_t kMaxDevicePath = kWideBufferUnits - 1;

// The path (code page 1250, one unit per character) in WideBuffer, zero-terminated; returns
// WideBuffer. Valid until the next call or until WideBuffer is freed. A path longer than 511
// characters raises PlatformError "Cesta v PDA je dlhší ako 511 znakov: <path>" and leaves
// WideBuffer untouched. When no command has allocated WideBuffer, this allocates it (the
// command's free releases it).
LPCWSTR ToWidePath(const AnsiString& path);
// The same conversion into a string of the caller's own, for work that outlives one call (a
// transfer whose pump may run other commands that use WideBuffer).
std::u16string DeviceWidePath(const AnsiString& path);
// A path already in UTF-16 (a name the handheld listed, one typed in full): checked for its
// length alone, which counts units.
std::u16string DeviceWidePath(std::u16string_view path);
LPCWSTR ToWidePath(std::u16string_view path);

void AllocWideBuffer();  // no-op when already allocated
void FreeWideBuffer();

// Allocates WideBuffer for one command and frees it when the command ends, also by an error.
class WideBufferScope {
 public:
  WideBufferScope() { AllocWideBuffer(); }
  ~WideBufferScope() { FreeWideBuffer(); }
  WideBufferScope(const WideBufferScope&) = delete;
  WideBufferScope& operator=(const WideBufferScope&) = delete;
};

// Ends the link with CeRapiUninit when the scope ends, also by an error.
class DeviceLinkEnd {
 public:
  DeviceLinkEnd() = default;
  ~DeviceLinkEnd() { CeRapiUninit(); }
  DeviceLinkEnd(const DeviceLinkEnd&) = delete;
  DeviceLinkEnd& operator=(const DeviceLinkEnd&) = delete;
};
