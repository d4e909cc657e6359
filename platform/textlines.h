#pragma once
// Lines of an 8-bit text as a text control splits them: at CR LF, at a lone CR, at a lone LF.
#include <cstddef>
#include <cstring>
#include <string_view>

namespace platform {

struct LineEnd {
  size_t end;   // one past the line's last character
  size_t next;  // where the next line starts (the text's size after the last line)
};

// The line that starts at start. memchr finds the breaks: a file of a million lines is split
// at memory speed.
inline LineEnd FindLineEnd(std::string_view text, size_t start) {
  const char* data = text.data();
  const size_t size = text.size();
  const void* lf = std::memchr(data + start, '\n', size - start);
  size_t end = lf ? static_cast<size_t>(static_cast<const char*>(lf) - data) : size;
  // A CR before that LF ends the line sooner (a lone CR) or belongs to it (CR LF).
  if (const void* cr = std::memchr(data + start, '\r', end - start)) {
    const auto at = static_cast<size_t>(static_cast<const char*>(cr) - data);
    return {at, at + 1 < size && data[at + 1] == '\n' ? at + 2 : at + 1};
  }
  return {end, end < size ? end + 1 : size};
}

}  // namespace platform
