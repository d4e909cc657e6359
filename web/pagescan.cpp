#include "web/pagescan.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kLineLimit = 4096;  // what a line of the "HTML" tab is read back with
constexpr std::size_t kTakeLimit = 100;

constexpr std::string_view kNationalMarker = "odhl\xE1si\x9D";  // the bytes of "odhlásiť"
constexpr std::string_view kInternationalMarker = "you are logged";
constexpr std::string_view kHintLine = "decrypt=y";
constexpr std::string_view kHintStart = "</A>]<BR>";
constexpr std::string_view kPrintLink = "href=\"geocache-tlac.php?";
constexpr std::size_t kPrintLinkSkip = 6;  // to the first letter of "geocache-tlac.php?"

bool Contains(std::string_view line, std::string_view what) {
  return line.find(what) != std::string_view::npos;
}

void ScanNationalLine(std::string_view line, PageScan& scan) {
  if (Contains(line, kNationalMarker)) scan.loggedIn = true;
  if (Contains(line, kHintLine)) {
    // Without the marker the line holds no hint we could find in the page again.
    std::size_t at = line.find(kHintStart);
    if (at != std::string_view::npos)
      scan.hintText = AnsiString(line.substr(at + kHintStart.size(), kTakeLimit));
  }
  std::size_t link = line.find(kPrintLink);
  if (link != std::string_view::npos) {
    std::string_view t = line.substr(link + kPrintLinkSkip, kTakeLimit);
    std::size_t end = t.find('&');
    if (end == std::string_view::npos) end = t.find('"');
    scan.printLink = end == std::string_view::npos ? AnsiString() : AnsiString(t.substr(0, end));
  }
}

// Where the line starting at pos ends: its CR or LF, or the end of the text.
std::size_t LineEnd(std::string_view body, std::size_t pos) {
  const char* start = body.data() + pos;
  const std::size_t rest = body.size() - pos;
  const void* lf = std::memchr(start, '\n', rest);
  const std::size_t length =
      lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : rest;
  const void* cr = std::memchr(start, '\r', length);
  return pos + (cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - start) : length);
}

}  // namespace

PageScan ScanPage(std::string_view body, Site site) {
  PageScan scan;
  std::size_t pos = 0;
  while (pos < body.size()) {
    const std::size_t end = LineEnd(body, pos);
    std::string_view line = body.substr(pos, std::min(end - pos, kLineLimit));
    if (site == Site::International) {
      if (Contains(line, kInternationalMarker)) scan.loggedIn = true;
    } else {
      ScanNationalLine(line, scan);
    }
    // A line ends at CR LF, CR or LF, as a text box splits its lines.
    pos = end + 1;
    if (end + 1 < body.size() && body[end] == '\r' && body[end + 1] == '\n') ++pos;
  }
  return scan;
}
