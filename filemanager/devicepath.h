#pragma once
// Handheld directory strings: absolute, "\"-separated, ending in "\".
#include <string_view>

#include "platform/ansi.h"

// One level up: "\Storage Card\MHT\" -> "\Storage Card\", "\Storage Card\" -> "\"; the root
// (or a text with no other "\") stays as it is.
AnsiString ParentDeviceDir(std::string_view dir);
