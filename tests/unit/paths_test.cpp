#include <gtest/gtest.h>

#include "platform/paths.h"
#include "support/temp_dir.h"

namespace {

TEST(Paths, DriveLettersMapToTheirRoots) {
  TempDir d;
  platform::SetDriveRootsForTests({d.path()});
  EXPECT_EQ(platform::ToNativePath("c:\\"), std::filesystem::path("/"));
  EXPECT_EQ(platform::ToNativePath("C:\\etc\\x"), std::filesystem::path("/etc/x"));
  EXPECT_EQ(platform::ToNativePath("d:\\a\\b"), d.path() / "a/b");
  EXPECT_EQ(platform::DriveOf(d.path() / "a"), 'D');
  EXPECT_EQ(platform::DriveOf("/usr"), 'C');
  EXPECT_EQ(platform::JoinPcPath("/a/", "b"), "/a/b");
  EXPECT_EQ(platform::JoinPcPath("/a", "b"), "/a/b");
  platform::SetDriveRootsForTests({});
}

}  // namespace
