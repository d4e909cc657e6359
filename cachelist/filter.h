#pragma once
// The filter over the cache lists: which entries a typed text finds.
#include <string_view>
#include <vector>

#include "cachelist/waypoint.h"

// The entries (ascending indexes) whose name or code holds the typed text (code page 1250),
// without regard to case or diacritics: "studna" finds "Hradná studňa", "gc1" finds "GC1ABC".
std::vector<int> MatchingEntries(const std::vector<CacheEntry>& entries, std::string_view typed);
