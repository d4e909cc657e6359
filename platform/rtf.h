#pragma once
// A small reader for the about text: groups, \par, \b, \i, \'xx in code page 1250, \u, with
// font, colour and other destination tables skipped. Gives HTML for a rich-text view.
#include <QString>
#include <string_view>

namespace platform {
QString RtfToHtml(std::string_view rtf);
}
