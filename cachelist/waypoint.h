#pragma once
// Reading an OziExplorer waypoint file: the cache name and its GC code from each line.
#include <optional>
#include <string_view>
#include <vector>

#include "platform/ansi.h"

struct CacheEntry {
  AnsiString name;
  AnsiString code;
};

// One line, without its line break. Empty when the line holds no parenthesised GC code.
std::optional<CacheEntry> ReadWaypointLine(std::string_view line);
// The accepted lines of a whole text, split at CR LF, CR and LF.
std::vector<CacheEntry> ReadWaypointText(std::string_view text);
