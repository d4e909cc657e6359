// Any bytes through the conversions at the edges: code page 1250 text survives UTF-16 and
// UTF-8 unchanged, and any UTF-8 converts without failing.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/codepage.h"

namespace {
// Bytes that code page 1250 leaves undefined do not come back as themselves.
bool Defined(std::string_view text) {
  for (unsigned char c : text)
    if (c == 0x81 || c == 0x83 || c == 0x88 || c == 0x90 || c == 0x98) return false;
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::u16string wide = AnsiToUtf16(text);
  if (wide.size() != text.size()) std::abort();  // one unit per byte
  if (Defined(text)) {
    if (Utf16ToAnsi(wide) != text) std::abort();
    if (Utf8ToAnsi(AnsiToUtf8(text)) != text) std::abort();
  }
  (void)Utf8ToAnsi(text);
  (void)FromAnsi(text);
  return 0;
}
