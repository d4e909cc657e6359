#include <gtest/gtest.h>

#include "web/rot13.h"

namespace {

TEST(Rot13, RotatesAsciiLettersOnlyAndUndoesItself) {
  EXPECT_EQ(Rot13("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), "NOPQRSTUVWXYZABCDEFGHIJKLM");
  EXPECT_EQ(Rot13("abcdefghijklmnopqrstuvwxyz"), "nopqrstuvwxyzabcdefghijklm");
  // Digits, punctuation, markup characters and every byte from 0x80 up pass unchanged
  // ("\xE8" is "č", "\xF2" is "ň" in code page 1250).
  EXPECT_EQ(Rot13("0189 .,;:!?<>/\"=&[]@`{}\xE8\xF2\x80\xFF"),
            "0189 .,;:!?<>/\"=&[]@`{}\xE8\xF2\x80\xFF");
  EXPECT_EQ(Rot13("Cbq xnzr\xF2"
                  "bz</GQ>"),
            "Pod kame\xF2om</TD>");

  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(Rot13(Rot13(all)), all);
  EXPECT_EQ(Rot13(all).size(), 256u);
  EXPECT_EQ(Rot13(std::string_view("a\0b", 3)), std::string("n\0o", 3));
  EXPECT_EQ(Rot13(""), "");
}

}  // namespace
