#pragma once
// Windows profile (INI) files: sections and keys matched without regard to case, every other
// line kept byte for byte, each write reaching the file at once. Code page 1250, no quoting.
// A write never drops what it cannot read: a file that is there but unreadable raises instead.
#include <filesystem>
#include <string_view>

#include "platform/ansi.h"

AnsiString ReadProfileString(const std::filesystem::path& file, std::string_view section,
                             std::string_view key, std::string_view defaultValue);
void WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

// Writes the text as the whole file, as WriteProfileString writes: through a symbolic link
// (dangling or not) to the file it names, aside and renamed into place, readable by its owner only.
void WriteProfileFile(const std::filesystem::path& file, std::string_view text);

// The text of one file after writing key=value into it (the pure part of WriteProfileString).
AnsiString ProfileWithValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);
