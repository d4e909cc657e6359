#include <gtest/gtest.h>

#include "cachelist/waypoint.h"

namespace {

std::optional<CacheEntry> Line(const std::string& s) {
  return ReadWaypointLine(s);
}

TEST(WaypointLine, NameBetweenFirstCommasAndCodeInLastParentheses) {
  auto e = Line("1,Pod hradom,48.3,18.4,,0,1,3,0,65535,Pod hradom by xy (GC1ABCD),0,0");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->name, "Pod hradom");
  EXPECT_EQ(e->code, "GC1ABCD");
}

TEST(WaypointLine, OnlyTheLastParenthesisedTextCounts) {
  EXPECT_FALSE(Line("1,A,0,0,x (GC1ABCD) (Multi),0"));
  EXPECT_FALSE(Line("1,A,0,0,x (gc1abcd),0"));  // case-sensitive
  EXPECT_FALSE(Line("1,A,0,0,x (GC1ABCD"));     // no closing parenthesis after it
  EXPECT_FALSE(Line("1,A,0,0,x (G)"));
  EXPECT_FALSE(Line("1,A,0,0,x ()"));
  auto nested = Line("1,A,0,0,x ((GC12)3)");
  ASSERT_TRUE(nested);
  EXPECT_EQ(nested->code, "GC12");
}

TEST(WaypointLine, WithoutOpeningParenthesisTheLineStartTakesItsPlace) {
  auto e = Line("GC77) rest,of,line");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->code, "GC77");
  EXPECT_EQ(e->name, "of");
  EXPECT_FALSE(Line("x GC77) rest"));
}

TEST(WaypointLine, NameRules) {
  EXPECT_EQ(Line("1, Pod hradom ,0 (GC1)")->name, " Pod hradom ");  // spaces kept
  EXPECT_EQ(Line("no commas (GC1)")->name, "");
  EXPECT_EQ(Line("1,only one comma (GC1)")->name, "");
  EXPECT_EQ(Line("1,,x (GC1)")->name, "");
  const std::string n99(99, 'n'), n100(100, 'n');
  EXPECT_EQ(Line("1," + n99 + ",x (GC1)")->name, n99);
  auto tooLong = Line("1," + n100 + ",x (GC1)");
  ASSERT_TRUE(tooLong);  // the code is still listed
  EXPECT_EQ(tooLong->name, "");
  const std::string slovak =
      "ka\x9A"
      "a \xE8"
      "ierna";  // "kaša čierna"
  EXPECT_EQ(Line("1," + slovak + ",x (GC1)")->name, slovak);
}

TEST(WaypointLine, OnlyTheFirst4096CharactersAreExamined) {
  std::string head = "1,Name,";
  std::string inside = head + std::string(4096 - head.size() - 6, 'x') + "(GC1)";  // ends at 4095
  ASSERT_LT(inside.size(), 4096u);
  EXPECT_TRUE(Line(inside + std::string(900, 'y')));
  std::string beyond = head + std::string(5000, 'x') + " (GC1ABCD)";
  EXPECT_FALSE(Line(beyond));
  std::string cut = head + std::string(4096 - head.size() - 4, 'x') + "(GC1ABCD)";  // ")" past 4096
  EXPECT_FALSE(Line(cut));
}

TEST(WaypointText, SplitsAtEveryKindOfLineEndAndKeepsDuplicates) {
  std::string text =
      "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\ngarmin\r\n"
      "1,A,0,0 (GC1)\r2,B,0,0 (GC2)\n3,C,0,0 (GC3)\r\n\r\n1,A,0,0 (GC1)";
  auto entries = ReadWaypointText(text);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].code, "GC1");
  EXPECT_EQ(entries[1].name, "B");
  EXPECT_EQ(entries[2].code, "GC3");
  EXPECT_EQ(entries[3].code, "GC1");
}

TEST(WaypointText, EmptyAndBinaryInputYieldNothingAndDoNotFail) {
  EXPECT_TRUE(ReadWaypointText("").empty());
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 131) & 0xFF));
  binary += std::string("\0\0(GC", 5);
  EXPECT_NO_THROW(ReadWaypointText(binary));
  auto nul = ReadWaypointText(std::string("1,N\0x,0 (GC1)", 13));
  ASSERT_EQ(nul.size(), 1u);
  EXPECT_EQ(nul[0].name, std::string("N\0x", 3));
}

}  // namespace
