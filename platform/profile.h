#pragma once
// Windows profile (INI) files: sections and keys matched without regard to case, every other
// line kept byte for byte, each write reaching the file at once. Code page 1250, no quoting.
#include <filesystem>
#include <string_view>

#include "platform/ansi.h"

AnsiString ReadProfileString(const std::filesystem::path& file, std::string_view section,
                             std::string_view key, std::string_view defaultValue);
void WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

// The text of one file after writing key=value into it (the pure part of WriteProfileString).
AnsiString ProfileWithValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);
