#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "filemanager/listing.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

namespace {

constexpr std::int64_t k2007_10_21_140508 = 128374491080000000;  // UTC ticks since 1601

CE_FIND_DATA Record(const std::u16string& name, DWORD attributes, std::uint64_t size = 0,
                    std::int64_t created = k2007_10_21_140508) {
  CE_FIND_DATA r;
  std::memset(&r, 0, sizeof r);
  r.dwFileAttributes = attributes;
  r.ftCreationTime.dwLowDateTime = static_cast<DWORD>(created & 0xFFFFFFFF);
  r.ftCreationTime.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(created) >> 32);
  r.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  r.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFF);
  std::memcpy(r.cFileName, name.data(), std::min<size_t>(name.size(), MAX_PATH) * 2);
  return r;
}

// Sets TZ for one test and restores it afterwards.
class TimeZone {
 public:
  explicit TimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old, hadOld_ = true;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~TimeZone() {
    if (hadOld_)
      ::setenv("TZ", old_.c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::string old_;
  bool hadOld_ = false;
};

TEST(DeviceNameText, TakesTheNameUpToItsTerminatorInCodePage1250) {
  EXPECT_EQ(DeviceNameText(Record(u"Ke\u0161ky \u010Cierne.mht", 0x20)), "Ke\x9Aky \xC8ierne.mht");
  EXPECT_EQ(DeviceNameText(Record(u"", 0x20)), "");
  // A character the code page lacks becomes one "?", a pair of surrogates included.
  EXPECT_EQ(DeviceNameText(Record(u"a\u4E2D\U0001F600b", 0x20)), "a??b");
}

TEST(DeviceNameText, LongNamesAreKeptWholeUpToTheRecordsLength) {
  const std::u16string name150(150, u'n');
  EXPECT_EQ(DeviceNameText(Record(name150, 0x20)), AnsiString(150, 'n'));
  // A record whose name fills all 260 units without a terminator stays inside the record.
  CE_FIND_DATA full = Record(std::u16string(MAX_PATH, u'x'), 0x20);
  EXPECT_EQ(DeviceNameText(full), AnsiString(MAX_PATH, 'x'));
}

TEST(DeviceTimeText, ShowsTheStoredTimeWithoutTimeZoneShift) {
  TimeZone tz("XYZ-5");  // five hours east: must not matter
  EXPECT_EQ(DeviceTimeText(k2007_10_21_140508), "2007.10.21 14:05:08");
  EXPECT_EQ(DeviceTimeText(0), "1601.01.01 00:00:00");
  EXPECT_EQ(DeviceTimeText(94353120000000000), "1899.12.30 00:00:00");
  EXPECT_EQ(DeviceTimeText(125963423990000000), "2000.02.29 23:59:59");
  EXPECT_EQ(DeviceTimeText(2650467743990000000), "9999.12.31 23:59:59");
}

TEST(DeviceTimeText, RoundsToTheMillisecondThenShowsWholeSeconds) {
  // 14:05:08.9994 shows :08; 14:05:08.9996 rounds to 14:05:09.000.
  EXPECT_EQ(DeviceTimeText(k2007_10_21_140508 + 9994000), "2007.10.21 14:05:08");
  EXPECT_EQ(DeviceTimeText(k2007_10_21_140508 + 9996000), "2007.10.21 14:05:09");
  // Just before midnight, rounding up crosses into the next day.
  EXPECT_EQ(DeviceTimeText(125963423990000000 + 9999000), "2000.03.01 00:00:00");
}

TEST(DeviceTimeText, ExtremeRecordsStillGiveADate) {
  EXPECT_FALSE(DeviceTimeText(INT64_MAX).empty());
  EXPECT_EQ(DeviceTimeText(-10000000), "1600.12.31 23:59:59");
}

TEST(PcTimeText, IsLocalTimeAtEvenSeconds) {
  TimeZone tz("XYZ-2");  // UTC+2, no daylight saving
  EXPECT_EQ(PcTimeText(k2007_10_21_140508), "2007.10.21 16:05:08");
  EXPECT_EQ(PcTimeText(k2007_10_21_140508 + 10000000), "2007.10.21 16:05:08");  // :09 -> :08
  EXPECT_EQ(PcTimeText(k2007_10_21_140508 + 19999999), "2007.10.21 16:05:08");
  EXPECT_EQ(PcTimeText(k2007_10_21_140508 + 20000000), "2007.10.21 16:05:10");
}

TEST(DeviceListingRow, DirectoryAndFileRowsAndTheirTotals) {
  ListingTotals totals;
  using Cells = std::array<AnsiString, 4>;
  const ListingRow dir = DeviceListingRow(Record(u"Data", 0x10), totals);
  EXPECT_EQ(dir.cells, (Cells{"Data", "<DIR>", "2007.10.21 14:05:08", "16"}));
  const ListingRow file = DeviceListingRow(Record(u"a.mht", 0x20, 1234), totals);
  EXPECT_EQ(file.cells, (Cells{"a.mht", "1234", "2007.10.21 14:05:08", "32"}));
  // A name the code page cannot hold keeps its units whole beside the cell's "?".
  const ListingRow tokyo = DeviceListingRow(Record(u"\u6771\u4EAC.gpx", 0x20), totals);
  EXPECT_EQ(tokyo[0], "??.gpx");
  EXPECT_EQ(tokyo.name, u"\u6771\u4EAC.gpx");
  const ListingRow hiddenDir = DeviceListingRow(Record(u".git", 0x12), totals);
  EXPECT_EQ(hiddenDir[1], "<DIR>");
  EXPECT_EQ(hiddenDir[3], "18");
  EXPECT_EQ(totals.directories, 2u);
  EXPECT_EQ(totals.files, 2u);
  EXPECT_EQ(totals.bytes, 1234u);
}

TEST(DeviceListingRow, SizesAndAttributesAreShownInFullAsUnsigned) {
  ListingTotals totals;
  const std::uint64_t big = (std::uint64_t{1} << 32) + 5;  // 4 GiB + 5: high and low words
  EXPECT_EQ(DeviceListingRow(Record(u"big", 0x20, big), totals)[1], "4294967301");
  EXPECT_EQ(DeviceListingRow(Record(u"odd", 0x80000020u, 0xFFFFFFFFu), totals)[3], "2147483680");
  EXPECT_EQ(DeviceListingRow(Record(u"max", 0x20, 0xFFFFFFFFu), totals)[1], "4294967295");
  EXPECT_EQ(totals.bytes, big + 2 * std::uint64_t{0xFFFFFFFFu});
  EXPECT_EQ(TotalsTexts(totals)[2], "Po\xE8.bytov:" + std::to_string(big + 2 * 0xFFFFFFFFull));
}

TEST(TotalsTexts, GlueTheCountsToTheirLabels) {
  ListingTotals totals;
  totals.directories = 3;
  totals.files = 0;
  totals.bytes = 3000000000ull;  // above the signed 32-bit range
  const auto texts = TotalsTexts(totals);
  EXPECT_EQ(texts[0], "Adres\xE1rov:3");
  EXPECT_EQ(texts[1],
            "S\xFA"
            "borov:0");
  EXPECT_EQ(texts[2], "Po\xE8.bytov:3000000000");
}

class PcListing : public ::testing::Test {
 protected:
  AnsiString Dir() const { return platform::FromNativePath(dir.path()); }
  ListingRow Find(const std::vector<ListingRow>& rows, const AnsiString& name) {
    for (const ListingRow& row : rows)
      if (row[0] == name) return row;
    ADD_FAILURE() << "no row " << name;
    return {};
  }
  TempDir dir;
};

TEST_F(PcListing, UpEntryFirstThenEveryEntryHiddenOnesIncluded) {
  TempDir::Write(dir / "a.txt", "12345");
  TempDir::Write(dir / ".hidden", "xy");
  std::filesystem::create_directory(dir / "Sub");
  std::vector<ListingRow> rows;
  ListingTotals totals;
  ASSERT_TRUE(ReadPcListing(Dir(), rows, totals));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][0], "..");
  EXPECT_EQ(rows[0][1], "<DIR>");
  EXPECT_EQ(rows[0][2].size(), 19u);  // the up entry has a date of its own
  EXPECT_EQ(Find(rows, "a.txt")[1], "5");
  EXPECT_EQ(Find(rows, ".hidden")[1], "2");
  EXPECT_EQ(Find(rows, "Sub")[1], "<DIR>");
  EXPECT_EQ(Find(rows, "a.txt")[3], "");
  // ".." is a real entry and counts as a directory.
  EXPECT_EQ(totals.directories, 2u);
  EXPECT_EQ(totals.files, 2u);
  EXPECT_EQ(totals.bytes, 7u);
}

TEST_F(PcListing, DatesAreLocalLastWriteTimesAtEvenSeconds) {
  TimeZone tz("XYZ-3");
  TempDir::Write(dir / "f", "");
  struct timespec times[2] = {{1192975509, 0}, {1192975509, 0}};  // 2007-10-21 14:05:09 UTC
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "f").c_str(), times, 0), 0);
  std::vector<ListingRow> rows;
  ListingTotals totals;
  ASSERT_TRUE(ReadPcListing(Dir(), rows, totals));
  EXPECT_EQ(Find(rows, "f")[2], "2007.10.21 17:05:08");
}

TEST_F(PcListing, LargeFilesShowTheirFullSize) {
  const auto big = dir / "big.img";
  TempDir::Write(big, "");
  std::filesystem::resize_file(big, (std::uint64_t{5} << 30) + 3);  // sparse: no disk used
  std::vector<ListingRow> rows;
  ListingTotals totals;
  ASSERT_TRUE(ReadPcListing(Dir(), rows, totals));
  EXPECT_EQ(Find(rows, "big.img")[1], "5368709123");
  EXPECT_EQ(totals.bytes, 5368709123u);
}

TEST_F(PcListing, NonAsciiNamesAndPathsLongerThan80Characters) {
  std::filesystem::path deep = dir.path();
  for (int i = 0; i < 4; ++i) deep /= std::string(40, static_cast<char>('a' + i));
  std::filesystem::create_directories(deep);
  TempDir::Write(deep / "Kešky čierne.txt", "x");
  TempDir::Write(deep / "søren.txt", "x");
  std::vector<ListingRow> rows;
  ListingTotals totals;
  const AnsiString path = platform::FromNativePath(deep);
  ASSERT_GT(path.size(), 160u);
  ASSERT_TRUE(ReadPcListing(path, rows, totals));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(Find(rows, "Ke\x9Aky \xE8ierne.txt").name, u"Kešky čierne.txt");
  EXPECT_EQ(Find(rows, "s?ren.txt").name, u"søren.txt");  // the file system's name, whole
}

TEST_F(PcListing, MissingFolderIsReportedAsUnreadable) {
  std::vector<ListingRow> rows{ListingRow{{"stale"}, u"stale"}};
  ListingTotals totals;
  totals.files = 9;
  EXPECT_FALSE(ReadPcListing(Dir() + "/absent", rows, totals));
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(totals.files, 0u);
}

}  // namespace
