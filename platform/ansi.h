#pragma once
// The program's own text: 8-bit code page 1250 bytes. Lengths count bytes.
#include <string>

using AnsiString = std::string;
