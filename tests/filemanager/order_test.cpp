#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "filemanager/devicepath.h"
#include "filemanager/order.h"

namespace {

// The rows' names in the order OrderByKeys gives for name keys of files (dirs marked).
std::vector<AnsiString> ByName(const std::vector<std::pair<AnsiString, bool>>& rows,
                               bool ascending = true) {
  std::vector<AnsiString> keys;
  for (const auto& [name, isDir] : rows)
    keys.push_back(SortKey(name, "2007.01.01 00:00:00", isDir, false));
  std::vector<AnsiString> out;
  for (int i : OrderByKeys(keys, ascending)) out.push_back(rows[static_cast<size_t>(i)].first);
  return out;
}

class Collation : public ::testing::Test {
 protected:
  void TearDown() override { SetCollationLocale(nullptr); }
};

TEST(ExtensionImageIndex, TableOfExtensions) {
  const std::pair<const char*, int> cases[] = {
      {"setup.exe", 3}, {"a.html", 1},  {"a.htm", 1}, {"a.mht", 1},  {"m.map", 4},
      {"m.ozf3", 4},    {"b.abk", 2},   {"b.zip", 2}, {"b.rar", 2},  {"b.cab", 2},
      {"t.txt", 15},    {"p.plt", 14},  {"i.jpg", 9}, {"i.bmp", 9},  {"x.doc", 16},
      {"x.jpeg", 16},   {"x.ozf2", 16}, {"x.ht", 16}, {"x.exe1", 16}};
  for (const auto& [name, image] : cases) EXPECT_EQ(ExtensionImageIndex(name), image) << name;
}

TEST(ExtensionImageIndex, CaseAndDotRules) {
  EXPECT_EQ(ExtensionImageIndex("TRACK.PlT"), 14);
  EXPECT_EQ(ExtensionImageIndex("README"), 16);          // no dot
  EXPECT_EQ(ExtensionImageIndex("archive."), 16);        // empty extension
  EXPECT_EQ(ExtensionImageIndex("backup.zip.txt"), 15);  // the last dot counts
  EXPECT_EQ(ExtensionImageIndex(".txt"), 15);
  EXPECT_EQ(ExtensionImageIndex("a.\xC8XE"), 16);  // only ASCII letters change case
  EXPECT_EQ(ExtensionImageIndex(""), 16);
}

TEST(SortKey, NameOrDateFirstAndTheDirectoryMark) {
  EXPECT_EQ(SortKey("a.txt", "2007.10.21 14:05:08", false, false), "a.txt2007.10.21 14:05:08");
  EXPECT_EQ(SortKey("a.txt", "2007.10.21 14:05:08", false, true), "2007.10.21 14:05:08a.txt");
  EXPECT_EQ(SortKey("Data", "2007.10.21 14:05:08", true, false),
            "\xFE"
            "Data2007.10.21 14:05:08");
  EXPECT_EQ(SortKey("Data", "2007.10.21 14:05:08", true, true),
            "\xFE"
            "2007.10.21 14:05:08Data");
}

TEST_F(Collation, IgnoresCaseAndKeepsEqualKeysInListingOrder) {
  // Two names that differ only in case can share a folder: both stay, in listing order.
  EXPECT_EQ(ByName({{"file.txt", false}, {"B.txt", false}, {"File.txt", false}, {"a.txt", false}}),
            (std::vector<AnsiString>{"a.txt", "B.txt", "file.txt", "File.txt"}));
  EXPECT_EQ(ByName({{"file.txt", false}, {"B.txt", false}, {"File.txt", false}}, false),
            (std::vector<AnsiString>{"file.txt", "File.txt", "B.txt"}));
  EXPECT_EQ(CompareKeys("ABC", "abc"), 0);
  EXPECT_LT(CompareKeys("abc", "abd"), 0);
}

TEST_F(Collation, DirectoriesFollowAllFilesInAscendingOrder) {
  // The mark ranks after every other key, whatever letter the code page makes of it.
  EXPECT_EQ(ByName({{"zeta", true},
                    {"tmp.txt", false},
                    {"Alfa", true},
                    {"z.txt", false},
                    {"ty.txt", false},
                    {"a.txt", false}}),
            (std::vector<AnsiString>{"a.txt", "tmp.txt", "ty.txt", "z.txt", "Alfa", "zeta"}));
  EXPECT_EQ(ByName({{"Alfa", true}, {"a.txt", false}, {"zeta", true}}, false),
            (std::vector<AnsiString>{"zeta", "Alfa", "a.txt"}));
}

TEST_F(Collation, DateOrderIsTimeFirstThenName) {
  const std::vector<AnsiString> keys = {SortKey("b", "2007.10.21 14:05:08", false, true),
                                        SortKey("a", "2007.10.21 14:05:08", false, true),
                                        SortKey("z", "2006.01.01 00:00:00", false, true),
                                        SortKey("c", "2007.10.21 14:05:10", false, true)};
  EXPECT_EQ(OrderByKeys(keys, true), (std::vector<int>{2, 1, 0, 3}));
  EXPECT_EQ(OrderByKeys(keys, false), (std::vector<int>{3, 0, 1, 2}));
}

TEST_F(Collation, SlovakLocaleOrdersCaronLettersAfterTheirBase) {
  SetCollationLocale("sk_SK");
  // "č" is a letter of its own after "c"; "ch" after "h".
  EXPECT_EQ(ByName({{"\xE8"
                     "aj",
                     false},
                    {"cz", false},
                    {"d", false},
                    {"chata", false},
                    {"hrad", false}}),
            (std::vector<AnsiString>{"cz",
                                     "\xE8"
                                     "aj",
                                     "d", "hrad", "chata"}));
  EXPECT_EQ(CompareKeys("\xC8"
                        "AJ",
                        "\xE8"
                        "aj"),
            0);  // still without regard to case
  SetCollationLocale("");
}

TEST_F(Collation, TwentyThousandRowsGiveAPermutationInOrder) {
  std::vector<AnsiString> keys;
  char name[32];
  for (int i = 0; i < 20000; ++i) {
    std::snprintf(name, sizeof name, "%s%05d.txt", i % 2 ? "File" : "file", (i * 7919) % 10000);
    keys.push_back(SortKey(name, "2007.10.21 14:05:08", i % 5 == 0, false));
  }
  const std::vector<int> order = OrderByKeys(keys, true);
  std::vector<int> seen = order;
  std::sort(seen.begin(), seen.end());
  std::vector<int> all(20000);
  std::iota(all.begin(), all.end(), 0);
  ASSERT_EQ(seen, all);
  for (size_t i = 1; i < order.size(); ++i) {
    const int c =
        CompareKeys(keys[static_cast<size_t>(order[i - 1])], keys[static_cast<size_t>(order[i])]);
    ASSERT_LE(c, 0) << i;
    if (c == 0) {
      ASSERT_LT(order[i - 1], order[i]);  // ties in listing order
    }
  }
}

TEST(CellNumber, DecimalOrZero) {
  EXPECT_EQ(CellNumber("16"), 16u);
  EXPECT_EQ(CellNumber("4294967295"), 4294967295u);
  EXPECT_EQ(CellNumber("4294967296"), 0u);
  EXPECT_EQ(CellNumber(""), 0u);
  EXPECT_EQ(CellNumber("Attr"), 0u);
  EXPECT_EQ(CellNumber("16a"), 0u);
  EXPECT_EQ(CellNumber("-16"), 0u);
}

TEST(EntryIcons, HandheldByAttributeBitsPcByDirectoryCell) {
  EXPECT_EQ(DeviceEntryIcon("Data", "16"), 0);
  EXPECT_EQ(DeviceEntryIcon("Data.zip", "48"), 0);  // a directory whatever its name
  EXPECT_EQ(DeviceEntryIcon("t.PLT", "32"), 14);
  EXPECT_EQ(DeviceEntryIcon("noext", "32"), 16);
  EXPECT_EQ(DeviceEntryIcon("m.map", "64"), 4);
  EXPECT_EQ(DeviceEntryIcon("t.txt", "128"), -1);  // normal alone: no icon
  EXPECT_EQ(DeviceEntryIcon("t.txt", "1"), -1);
  EXPECT_EQ(DeviceEntryIcon("..", ""), -1);  // the up entry
  EXPECT_EQ(PcEntryIcon("..", "<DIR>"), 0);
  EXPECT_EQ(PcEntryIcon("noext", "12"), 16);
  EXPECT_EQ(PcEntryIcon("a.exe", "0"), 3);
  EXPECT_EQ(PcEntryIcon("a.exe", "<dir>"), 3);  // the test is exact
}

TEST(NextOrder, FirstClickAscendsFurtherClicksFlip) {
  EXPECT_EQ(NextOrder(kNotOrdered), kAscending);
  EXPECT_EQ(NextOrder(kAscending), kDescending);
  EXPECT_EQ(NextOrder(kDescending), kAscending);
}

TEST(ParentDeviceDir, OneLevelUpAndTheRootStays) {
  EXPECT_EQ(ParentDeviceDir("\\Storage Card\\MHT\\"), "\\Storage Card\\");
  EXPECT_EQ(ParentDeviceDir("\\Storage Card\\"), "\\");
  EXPECT_EQ(ParentDeviceDir("\\"), "\\");
  EXPECT_EQ(ParentDeviceDir(""), "\\");
  EXPECT_EQ(ParentDeviceDir("Data\\"), "\\");  // no "\" before the last one: the root
}

TEST(RootedDeviceDir, StoredFoldersWithoutTheirRoot) {
  EXPECT_EQ(RootedDeviceDir(""), "\\");
  EXPECT_EQ(RootedDeviceDir("\\"), "\\");
  EXPECT_EQ(RootedDeviceDir("Storage Card\\"), "\\Storage Card\\");
  EXPECT_EQ(RootedDeviceDir("Storage Card\\MHT"), "\\Storage Card\\MHT\\");
  EXPECT_EQ(RootedDeviceDir("\\Storage Card\\"), "\\Storage Card\\");
}

}  // namespace
