// Any page as the archive's input (its Content-Type, body and address): the charset and title
// are read without fault, and the composed archive parses back with the page's bytes (line
// breaks as CR LF), its charset and its address, one part, nothing added by the page's text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "export/mhtml.h"
#include "support/mime_archive.h"

namespace {
// Line breaks compared as LF: text parts travel with CR LF, as MIME has them.
std::string CrLf(std::string text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

// The part of the input up to the first NUL (or all of it), the rest left in `rest`.
std::string_view Field(std::string_view& rest) {
  const std::size_t end = rest.find('\0');
  std::string_view field = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  return field;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string contentType(Field(rest));
  // The shown page's address as the browser gives it: percent-encoded, printable ASCII.
  std::string url = "http://127.0.0.1/";
  for (char c : Field(rest))
    if (c > ' ' && c < 0x7F) url.push_back(c);
  const std::string html(rest);

  const std::string charset = PageCharset(contentType, html);
  const std::string title = PageTitleUtf8(html, charset);
  const std::string archive = ComposeMhtml(url, html, charset, title, 1700000000);
  const MimeArchive read = ReadMimeArchive(archive);
  if (!read.parsed || read.parts != 1 || read.topType != "multipart/related;text/html")
    std::abort();
  if (CrLf(read.html) != CrLf(html) || read.charset != charset || read.location != url)
    std::abort();
  return 0;
}
