// Any handheld path through ToWidePath: up to 511 characters it fills WideBuffer with one unit
// per character and a terminator, never more; a longer path is refused and WideBuffer keeps
// what it held. AddressSanitizer guards the 1024 bytes of the buffer itself.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "device/link.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const AnsiString path(reinterpret_cast<const char*>(data), size);
  WideBufferScope scope;
  for (std::size_t i = 0; i < kWideBufferUnits; ++i) WideBuffer[i] = u'\xA5A5';
  if (size > kMaxDevicePath) {
    try {
      (void)ToWidePath(path);
    } catch (const PlatformError&) {
      for (std::size_t i = 0; i < kWideBufferUnits; ++i)
        if (WideBuffer[i] != u'\xA5A5') std::abort();
      return 0;
    }
    std::abort();  // a path that does not fit was taken
  }
  const LPCWSTR wide = ToWidePath(path);
  if (wide != WideBuffer) std::abort();
  const std::u16string expected = AnsiToUtf16(path);
  if (std::u16string(wide, size) != expected || wide[size] != u'\0') std::abort();
  for (std::size_t i = size + 1; i < kWideBufferUnits; ++i)
    if (WideBuffer[i] != u'\xA5A5') std::abort();
  return 0;
}
