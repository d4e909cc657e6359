#pragma once
// The document's markup as bytes of a character set, for saving the shown page.
#include <string>
#include <string_view>

// True when the converter knows the character set (a name as document.characterSet gives it).
bool CharsetSupported(const std::string& charset);

// The markup in the character set; a character the set cannot hold becomes a numeric
// character reference ("&#8364;"), so the text survives a reopening.
std::string EncodeHtml(std::u16string_view html, const std::string& charset);
