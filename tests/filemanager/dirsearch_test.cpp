#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "platform/dirsearch.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

namespace {

std::vector<platform::PcFindData> All(const AnsiString& pattern, unsigned* error = nullptr) {
  std::vector<platform::PcFindData> out;
  platform::DirSearch search;
  platform::PcFindData data;
  if (search.First(pattern, data)) {
    do out.push_back(data);
    while (search.Next(data));
  }
  if (error) *error = search.Error();
  return out;
}

TEST(DirSearch, DotEntriesFirstThenEntriesWithAttributes) {
  TempDir dir;
  TempDir::Write(dir / "b.txt", "abc");
  TempDir::Write(dir / ".profile", "");
  std::filesystem::create_directory(dir / "Sub");
  TempDir::Write(dir / "ro", "1");
  std::filesystem::permissions(
      dir / "ro", std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  const auto entries = All(platform::FromNativePath(dir.path()) + "/*.*");
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[0].name, ".");
  EXPECT_EQ(entries[1].name, "..");
  EXPECT_EQ(entries[0].attributes, platform::kAttrDirectory);
  EXPECT_EQ(entries[1].attributes, platform::kAttrDirectory);
  std::map<AnsiString, platform::PcFindData> byName;
  for (size_t i = 2; i < entries.size(); ++i) byName[entries[i].name] = entries[i];
  EXPECT_EQ(byName["b.txt"].attributes, platform::kAttrArchive);
  EXPECT_EQ(byName["b.txt"].size, 3u);
  EXPECT_EQ(byName[".profile"].attributes, platform::kAttrArchive | platform::kAttrHidden);
  EXPECT_EQ(byName["Sub"].attributes, platform::kAttrDirectory);
  EXPECT_EQ(byName["Sub"].size, 0u);
  EXPECT_EQ(byName["ro"].attributes, platform::kAttrArchive | platform::kAttrReadOnly);
  EXPECT_GT(byName["b.txt"].lastWriteTime, 116444736000000000);  // after 1970
}

TEST(DirSearch, NamePatternsMatchAsOnWindows) {
  TempDir dir;
  for (const char* name : {"a.txt", "b.TXT", "noext", "c.txt.bak"}) TempDir::Write(dir / name, "");
  const AnsiString base = platform::FromNativePath(dir.path()) + "/";
  EXPECT_EQ(All(base + "*.*").size(), 6u);  // "*.*" also takes "noext"
  EXPECT_EQ(All(base + "*").size(), 6u);
  const auto txt = All(base + "*.txt");
  ASSERT_EQ(txt.size(), 2u);  // no "." or "..", and case does not matter
  EXPECT_NE(txt[0].name, "c.txt.bak");
  EXPECT_NE(txt[1].name, "c.txt.bak");
  unsigned error = 0;
  EXPECT_TRUE(All(base + "*.zip", &error).empty());
  EXPECT_EQ(error, 2u);
}

TEST(DirSearch, MissingDirectoryFailsWithPathNotFound) {
  TempDir dir;
  unsigned error = 0;
  EXPECT_TRUE(All(platform::FromNativePath(dir.path()) + "/nope/*.*", &error).empty());
  EXPECT_EQ(error, 3u);
  TempDir::Write(dir / "file", "");
  EXPECT_TRUE(All(platform::FromNativePath(dir.path()) + "/file/*.*", &error).empty());
  EXPECT_EQ(error, 3u);
}

TEST(DirSearch, RootYieldsDotEntriesToo) {
  const auto entries = All("/*.*");
  ASSERT_GE(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, ".");
  EXPECT_EQ(entries[1].name, "..");
}

}  // namespace
