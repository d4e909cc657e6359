#pragma once
// Handheld directory strings: absolute, "\"-separated, ending in "\".
#include <string_view>

#include "platform/ansi.h"

// One level up: "\Storage Card\MHT\" -> "\Storage Card\", "\Storage Card\" -> "\"; the root
// (and a text with no other "\") gives the root.
AnsiString ParentDeviceDir(std::string_view dir);

// A stored directory as the pane uses it: empty is the root "\", a relative one lies below
// the root, and it ends in "\".
AnsiString RootedDeviceDir(std::string_view dir);
