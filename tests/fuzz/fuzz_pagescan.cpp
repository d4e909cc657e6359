// Any body markup through ScanPage: scanning the whole text gives what scanning its lines one
// by one gives (lines end at CR LF, CR or LF; a later line's hint and print link win), and what
// is taken never exceeds 100 bytes of the text.
//
// Input: one byte choosing the site (bit 0: the international one), then the markup.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "web/pagescan.h"

namespace {

// The lines as a text box splits them, one character at a time.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

void CheckTaken(const std::optional<AnsiString>& taken, std::string_view body) {
  if (!taken) return;
  if (taken->size() > 100) std::abort();
  if (!taken->empty() && body.find(*taken) == std::string_view::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const Site site = data[0] & 1 ? Site::International : Site::National;
  const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
  const PageScan whole = ScanPage(body, site);

  PageScan byLine;
  for (std::string_view line : Lines(body)) {
    const PageScan one = ScanPage(line, site);
    byLine.loggedIn = byLine.loggedIn || one.loggedIn;
    if (one.hintText) byLine.hintText = one.hintText;
    if (one.printLink) byLine.printLink = one.printLink;
  }
  if (whole.loggedIn != byLine.loggedIn || whole.hintText != byLine.hintText ||
      whole.printLink != byLine.printLink)
    std::abort();
  if (site == Site::International && (whole.hintText || whole.printLink)) std::abort();
  CheckTaken(whole.hintText, body);
  CheckTaken(whole.printLink, body);
  return 0;
}
