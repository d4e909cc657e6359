#pragma once
// PC file functions.
#include <filesystem>
#include <string>

#include "platform/ansi.h"

namespace platform {

// The whole file as bytes; a file that cannot be read raises "Cannot open file %s".
std::string ReadWholeFile(const std::filesystem::path& file);

}  // namespace platform
