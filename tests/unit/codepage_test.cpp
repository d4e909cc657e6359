#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace {

const AnsiString kSlovak = "\xBEu\x9Dou\xE8k\xFD k\xF4\xF2";  // "ľuťoučký kôň" in code page 1250

TEST(CodePage, SlovakLettersRoundTripThroughEveryEdge) {
  EXPECT_EQ(FromAnsi(kSlovak), QStringLiteral("ľuťoučký kôň"));
  EXPECT_EQ(ToAnsi(FromAnsi(kSlovak)), kSlovak);
  EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(kSlovak)), kSlovak);
  EXPECT_EQ(AnsiToUtf8(kSlovak), std::string("ľuťoučký kôň"));
  EXPECT_EQ(Utf8ToAnsi("ľuťoučký kôň"), kSlovak);
}

TEST(CodePage, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(ToAnsi(QStringLiteral("a\u4E2Db")), "a?b");
  EXPECT_EQ(Utf8ToAnsi("\xF0\x9F\x98\x80x"), "?x");  // one character outside the BMP: one "?"
}

TEST(CodePage, EmbeddedNulAndEmptyTextSurvive) {
  AnsiString withNul("a\0b", 3);
  EXPECT_EQ(ToAnsi(FromAnsi(withNul)), withNul);
  EXPECT_TRUE(AnsiToUtf16("").empty());
  EXPECT_TRUE(Utf16ToAnsi(u"").empty());
}

}  // namespace
