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

// Bytes in a named encoding ("UTF-8", "windows-1250", "ISO-8859-2"...), for text that says what
// it is written in; UTF-8 when the name is empty or unknown. A leading byte-order mark is dropped.
QString DecodeText(std::string_view bytes, const QString& encoding);

// A fixed text of the program (a message, a caption the 8-bit layer holds, a file name) written
// readable in UTF-8 source: AnsiLiteral("ľuťoučký kôň") is that text in code page 1250,
// converted at its first use and kept, once for each place it is written. It takes only a
// string literal, so tests/unit/messages_test.cpp finds every such text and checks that the
// code page holds it. Byte escapes ("\x9A") are for bytes only, with a comment saying "bytes".
#define AnsiLiteral(utf8)                                    \
  ([]() -> const AnsiString& {                               \
    static const AnsiString converted = Utf8ToAnsi("" utf8); \
    return converted;                                        \
  }())
