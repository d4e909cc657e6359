// Any text the page's serialiser hands back (UTF-16, unpaired surrogates included) through the
// conversion to code page 1250: one byte per character, each ASCII character as itself (the
// page scan's markers are ASCII), every other one a byte of the code page or "?", and the
// Slovak letters of the code page as themselves.
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "platform/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QString text;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    text.append(QChar(static_cast<char16_t>(data[i] | data[i + 1] << 8)));
  const AnsiString ansi = ToAnsi(text);

  std::size_t at = 0;
  for (qsizetype i = 0; i < text.size(); ++i, ++at) {
    char32_t c = text[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
      ++i;
    }
    if (at >= ansi.size()) std::abort();  // a character went missing
    const auto byte = static_cast<unsigned char>(ansi[at]);
    if (c < 0x80) {
      if (byte != c) std::abort();
    } else if (byte != '?') {
      // A byte of the code page must stand for this very character.
      const std::u16string back = AnsiToUtf16(std::string_view(&ansi[at], 1));
      if (back.size() != 1 || back[0] != c) std::abort();
    }
  }
  if (at != ansi.size()) std::abort();
  return 0;
}
