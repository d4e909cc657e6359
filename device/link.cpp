#include "device/link.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/state.h"

namespace {

// Waits for the connection event; the descriptor convention is in device/rapi_types.h.
bool WaitForEvent(HANDLE event, int timeoutMs) {
  const auto fd = static_cast<int>(reinterpret_cast<std::intptr_t>(event));
  if (fd <= 0) return false;  // no event: the attempt never started
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  bool signalled = false;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd p{fd, POLLIN, 0};
    int n = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
    if (n < 0 && errno == EINTR) continue;
    signalled = n == 1 && (p.revents & POLLIN) != 0 && (p.revents & POLLNVAL) == 0;
    break;
  }
  ::close(fd);
  return signalled;
}

[[noreturn]] void PathTooLong(const AnsiString& path) {
  throw PlatformError(AnsiLiteral("Cesta v PDA je dlhší ako 511 znakov: ") + path);
}

}  // namespace

const AnsiString kDeviceNotAnswering = AnsiLiteral("PDA neodpovedá");

bool ConnectDevice() {
  RAPIINIT init;
  std::memset(&init, 0, sizeof init);
  init.cbSize = sizeof init;
  CeRapiInitEx(&init);
  const bool connected = WaitForEvent(init.heRapiInit, kConnectTimeoutMs) && init.hrRapiInit >= 0;
  if (!connected) CeRapiUninit();
  return connected;
}

void AllocWideBuffer() {
  if (!WideBuffer) WideBuffer = new char16_t[kWideBufferUnits]();
}

void FreeWideBuffer() {
  delete[] WideBuffer;
  WideBuffer = nullptr;
}

std::u16string DeviceWidePath(const AnsiString& path) {
  if (path.size() > kMaxDevicePath) PathTooLong(path);
  std::u16string wide = AnsiToUtf16(path);
  // Code page 1250 is single-byte: one unit per character, never more than the path's length.
  if (wide.size() > path.size()) wide.resize(path.size());
  return wide;
}

std::u16string DeviceWidePath(std::u16string_view path) {
  if (path.size() > kMaxDevicePath) PathTooLong(Utf16ToAnsi(path));
  return std::u16string(path);
}

LPCWSTR ToWidePath(const AnsiString& path) {
  return ToWidePath(DeviceWidePath(path));
}

LPCWSTR ToWidePath(std::u16string_view path) {
  const std::u16string wide = DeviceWidePath(path);
  AllocWideBuffer();
  std::memcpy(WideBuffer, wide.data(), wide.size() * sizeof(char16_t));
  WideBuffer[wide.size()] = u'\0';
  return WideBuffer;
}
