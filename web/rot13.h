#pragma once
#include <string_view>

#include "platform/ansi.h"

// ROT13 over the ASCII letters; every other byte (digits, markup, letters from 0x80 up) is kept.
AnsiString Rot13(std::string_view text);
