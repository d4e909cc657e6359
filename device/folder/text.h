#pragma once
// Names: UTF-16 on the API side, UTF-8 on disk; case-insensitive comparison and wildcards.
#include <optional>
#include <string>
#include <string_view>

namespace folder_device {

// Nullopt for an unpaired surrogate or invalid UTF-8: such a name cannot cross.
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// Code points with ASCII and Latin letters folded to lower case.
std::u32string FoldCase(std::string_view utf8);

// "*" any run, "?" one character, case ignored; "*.*" matches every name, as the handheld's own
// search does.
bool MatchesPattern(std::string_view name, std::string_view pattern);

}  // namespace folder_device
