#include "web/rot13.h"

AnsiString Rot13(std::string_view text) {
  AnsiString out(text);
  for (char& c : out) {
    if ((c >= 'A' && c <= 'M') || (c >= 'a' && c <= 'm'))
      c = static_cast<char>(c + 13);
    else if ((c >= 'N' && c <= 'Z') || (c >= 'n' && c <= 'z'))
      c = static_cast<char>(c - 13);
  }
  return out;
}
