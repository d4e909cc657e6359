// The bundled folder handheld, driven through the real run-time binding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/device_folder.h"

namespace {

struct Entry {
  std::u16string name;
  DWORD attributes;
  std::uint64_t size;
};

class FolderDevice : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CeRapiInit(), S_OK); }

  std::vector<Entry> List(const std::u16string& pattern) {
    std::vector<Entry> out;
    CE_FIND_DATA record;
    HANDLE find = CeFindFirstFile(pattern.c_str(), &record);
    if (find == INVALID_HANDLE_VALUE) return out;
    do {
      out.push_back({record.cFileName, record.dwFileAttributes,
                     (std::uint64_t(record.nFileSizeHigh) << 32) | record.nFileSizeLow});
    } while (CeFindNextFile(find, &record));
    EXPECT_EQ(CeGetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(CeFindClose(find));
    return out;
  }

  DeviceFolder device;
};

TEST_F(FolderDevice, ListsAFolderWithoutDotEntriesWithAttributesAndSizes) {
  TempDir::Write(device / "Storage Card/MHT/a.mht", "12345");
  TempDir::Write(device / "Storage Card/MHT/.hidden", "");
  std::filesystem::create_directories(device / "Storage Card/MHT/sub");
  std::vector<Entry> entries = List(u"\\Storage Card\\MHT\\*");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, u".hidden");
  EXPECT_EQ(entries[0].attributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(entries[1].name, u"a.mht");
  EXPECT_EQ(entries[1].attributes, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(entries[1].size, 5u);
  EXPECT_EQ(entries[2].name, u"sub");
  EXPECT_EQ(entries[2].attributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(entries[2].size, 0u);
}

}  // namespace
