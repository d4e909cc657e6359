#pragma once
// Conversions at the edges: code page 1250 <-> QString, UTF-16 units and UTF-8 file names.
// A character that code page 1250 cannot hold becomes "?".
#include <QString>
#include <string>
#include <string_view>

#include "platform/ansi.h"

QString FromAnsi(std::string_view text);
AnsiString ToAnsi(const QString& text);

std::u16string AnsiToUtf16(std::string_view text);
AnsiString Utf16ToAnsi(std::u16string_view text);

std::string AnsiToUtf8(std::string_view text);
AnsiString Utf8ToAnsi(std::string_view text);
