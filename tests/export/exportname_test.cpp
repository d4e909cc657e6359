#include <gtest/gtest.h>

#include "export/exportname.h"

namespace {

TEST(ExportName, SiteWinsOverPageAndFormPicksTheExtension) {
  const std::string cache = "Hradna studna";
  EXPECT_EQ(ExportName(cache, 0, 0, 0), "\\Hradna studna_sk.htm");
  EXPECT_EQ(ExportName(cache, 0, 1, 1), "\\Hradna studna_sk_tlac.mht");
  EXPECT_EQ(ExportName(cache, 1, 0, 1), "\\Hradna studna_com.mht");
  EXPECT_EQ(ExportName(cache, 1, 1, 1), "\\Hradna studna_com.mht");
  EXPECT_EQ(ExportName(cache, 1, 1, 0), "\\Hradna studna_com.htm");
  EXPECT_EQ(ExportName(cache, 0, -1, -1), "\\Hradna studna_sk_tlac.htm");  // nothing chosen: HTML
  EXPECT_EQ(ExportName(cache, 0, 0, 2), "\\Hradna studna_sk.htm");
  EXPECT_EQ(ExportName("", 0, 0, 0), "\\_sk.htm");
}

TEST(ExportName, NamesFromTheWaypointFileCannotLeaveTheSaveFolder) {
  EXPECT_EQ(ExportName("../../etc/passwd", 0, 0, 0), "\\.._.._etc_passwd_sk.htm");
  EXPECT_EQ(ExportName("a\\b", 1, 0, 1), "\\a_b_com.mht");
  EXPECT_EQ(ExportName(std::string("a\0b\tc\x1F"
                                   "d",
                                   7),
                       0, 0, 0),
            "\\a_b_c_d_sk.htm");
  // Everything else is kept as it stands, letters of code page 1250 included.
  EXPECT_EQ(ExportName("Ke\x9Aka: \"x\" *?<>|.", 0, 0, 0), "\\Ke\x9Aka: \"x\" *?<>|._sk.htm");
}

}  // namespace
