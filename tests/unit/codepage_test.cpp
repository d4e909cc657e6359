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

// A handheld name of invisible characters alone would otherwise list as an empty name, and a
// command on it would act on the folder that holds it.
TEST(CodePage, InvisibleCharactersOutsideTheCodePageBecomeQuestionMarksToo) {
  EXPECT_EQ(Utf16ToAnsi(u"\uFFF6"), "?");
  EXPECT_EQ(Utf16ToAnsi(u"a\u200Bb\uFEFF"), "a?b?");
  EXPECT_EQ(ToAnsi(QStringLiteral("\u00E1\u2060")), "\xE1?");
  EXPECT_EQ(Utf16ToAnsi(u"\u00AD"), "\xAD");  // the soft hyphen is in the code page
}

TEST(CodePage, EmbeddedNulAndEmptyTextSurvive) {
  AnsiString withNul("a\0b", 3);
  EXPECT_EQ(ToAnsi(FromAnsi(withNul)), withNul);
  EXPECT_TRUE(AnsiToUtf16("").empty());
  EXPECT_TRUE(Utf16ToAnsi(u"").empty());
}

}  // namespace
