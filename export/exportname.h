#pragma once
#include <string_view>

#include "platform/ansi.h"

// "\" + cache + site suffix + extension, from the indexes of RadioGroup1, RadioGroup2, RadioGroup3.
// The cache text comes from a waypoint file: separators, NUL and control characters in it become
// "_", so the name never leads outside the save folder.
AnsiString ExportName(std::string_view cache, int siteIndex, int pageIndex, int formIndex);
