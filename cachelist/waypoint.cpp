#include "cachelist/waypoint.h"

#include <algorithm>

#include "platform/textlines.h"

namespace {
// A line is examined in its first 4096 characters, as the list reads it back.
constexpr size_t kLineLimit = 4096;
// The name lies between the first and second comma, at most 99 characters apart.
constexpr size_t kNameWindow = 100;
}  // namespace

std::optional<CacheEntry> ReadWaypointLine(std::string_view line) {
  line = line.substr(0, kLineLimit);

  // The code: after the last "(" up to the first ")" after it; no "(" counts as the start.
  size_t open = 0, close = 0;  // 1-based positions, 0 = none
  for (size_t p = line.size(); p >= 1; --p) {
    char c = line[p - 1];
    if (c == ')') close = p;
    if (c == '(') {
      open = p;
      break;
    }
  }
  if (close <= open + 1) return std::nullopt;
  std::string_view code = line.substr(open, close - open - 1);
  if (code.size() < 2 || code[0] != 'G' || code[1] != 'C') return std::nullopt;

  CacheEntry entry;
  entry.code = AnsiString(code);
  size_t c1 = line.find(',');
  if (c1 != std::string_view::npos) {
    std::string_view window = line.substr(c1 + 1, kNameWindow);
    size_t c2 = window.find(',');
    if (c2 != std::string_view::npos) entry.name = AnsiString(window.substr(0, c2));
  }
  return entry;
}

std::vector<CacheEntry> ReadWaypointText(std::string_view text) {
  std::vector<CacheEntry> entries;
  // A line per entry at most: no regrowth while a million entries come in.
  entries.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  size_t start = 0;
  while (start < text.size()) {
    const platform::LineEnd line = platform::FindLineEnd(text, start);
    if (auto entry = ReadWaypointLine(text.substr(start, line.end - start)))
      entries.push_back(std::move(*entry));
    start = line.next;
  }
  if (entries.size() < entries.capacity() / 2) entries.shrink_to_fit();
  return entries;
}
