#include <gtest/gtest.h>

#include "web/pagescan.h"

namespace {

const std::string kLogout = "<A href=\"index.php?logout=1\">odhl\xE1si\x9D</A>";  // "odhlásiť"
const std::string kHintLine =
    "<TD>Pom\xF4"
    "cka: [<A href=\"hladaj.php?query=GC1&amp;decrypt=y\">dek\xF3"
    "dova\x9D</A>]<BR>Cbq xnzrabz";

TEST(ScanPage, NationalMarkerHintAndPrintLink) {
  const std::string body =
      "<DIV id=\"menu\">" + kLogout + "</DIV>\n" + kHintLine +
      "\n</TD>\n<P><A href=\"geocache-tlac.php?id=GC1&amp;lang=sk\">Tla\xE8</A></P>\n";
  PageScan scan = ScanPage(body, Site::National);
  EXPECT_TRUE(scan.loggedIn);
  ASSERT_TRUE(scan.hintText);
  EXPECT_EQ(*scan.hintText, "Cbq xnzrabz");
  ASSERT_TRUE(scan.printLink);
  EXPECT_EQ(*scan.printLink, "geocache-tlac.php?id=GC1");
}

TEST(ScanPage, MarkersAreCaseSensitiveBytes) {
  EXPECT_FALSE(ScanPage("<A>ODHL\xC1SI\x8D</A>", Site::National).loggedIn);
  EXPECT_FALSE(ScanPage("odhlasit", Site::National).loggedIn);  // without the accents
  EXPECT_FALSE(ScanPage("You are logged in", Site::International).loggedIn);
  EXPECT_FALSE(ScanPage("decrypt=y</a>]<br>x", Site::National).hintText);
  EXPECT_FALSE(ScanPage("<A HREF=\"geocache-tlac.php?id=1\">", Site::National).printLink);
}

TEST(ScanPage, PrintLinkCutRules) {
  auto link = [](const std::string& line) { return ScanPage(line, Site::National).printLink; };
  // Up to the first "&".
  EXPECT_EQ(link("<A href=\"geocache-tlac.php?id=5&amp;x=1\">T</A>"), "geocache-tlac.php?id=5");
  // No "&": up to the closing quote.
  EXPECT_EQ(link("<A href=\"geocache-tlac.php?id=5\">T</A>"), "geocache-tlac.php?id=5");
  // An "&" later within the 100 characters wins over the quote.
  EXPECT_EQ(link("<A href=\"geocache-tlac.php?id=5\">T</A> <A href=\"m.php?x=1&amp;y\">M</A>"),
            "geocache-tlac.php?id=5\">T</A> <A href=\"m.php?x=1");
  // ... but one beyond them does not count.
  EXPECT_EQ(link("<A href=\"geocache-tlac.php?id=5\">" + std::string(120, 'x') + "&"),
            "geocache-tlac.php?id=5");
  // Neither within the 100 characters: an empty link, which still counts as found.
  auto empty = link("<A href=\"geocache-tlac.php?" + std::string(150, 'x'));
  ASSERT_TRUE(empty);
  EXPECT_EQ(*empty, "");
  // The line ends before either.
  EXPECT_EQ(link("href=\"geocache-tlac.php?id=5"), "");
  EXPECT_FALSE(link("<P>no link here</P>"));
}

TEST(ScanPage, HintTakesAtMost100CharactersAfterTheFirstMarker) {
  auto hint = [](const std::string& line) { return ScanPage(line, Site::National).hintText; };
  EXPECT_EQ(hint("decrypt=y\">x</A>]<BR>" + std::string(150, 'q')), std::string(100, 'q'));
  EXPECT_EQ(hint("decrypt=y</A>]<BR>one</A>]<BR>two"), "one</A>]<BR>two");
  EXPECT_EQ(hint("decrypt=y</A>]<BR>"), "");  // nothing follows: an empty hint
  // The marker line may hold the hint before "decrypt=y" appears.
  EXPECT_EQ(hint("</A>]<BR>abc decrypt=y"), "abc decrypt=y");
  // "decrypt=y" without "</A>]<BR>" gives no hint from that line, not garbage from its 9th byte.
  EXPECT_FALSE(hint("<A href=\"x?decrypt=y\">dekoduj</A><BR>Cbq"));
}

TEST(ScanPage, LastMatchingLineWinsAndOthersStay) {
  const std::string body =
      "decrypt=y</A>]<BR>first\r\n"
      "<A href=\"geocache-tlac.php?id=1&amp;a\">\r"
      "decrypt=y</A>]<BR>second\n"
      "decrypt=y but no marker\n"
      "<A href=\"geocache-tlac.php?id=2\">\n"
      "plain\n";
  PageScan scan = ScanPage(body, Site::National);
  EXPECT_EQ(scan.hintText, "second");
  EXPECT_EQ(scan.printLink, "geocache-tlac.php?id=2");
  EXPECT_FALSE(scan.loggedIn);
}

TEST(ScanPage, LinesAreSplitAtEveryBreakAndCutAt4096) {
  // A break of any kind ends the hint.
  EXPECT_EQ(ScanPage("decrypt=y</A>]<BR>ab\rcd", Site::National).hintText, "ab");
  EXPECT_EQ(ScanPage("decrypt=y</A>]<BR>ab\r\ncd", Site::National).hintText, "ab");

  const std::string pad(4090, 'x');
  // A marker across the 4096th byte is not seen; one on the next line is.
  EXPECT_FALSE(ScanPage(pad + "odhl\xE1si\x9D", Site::National).loggedIn);
  EXPECT_FALSE(ScanPage(pad + "you are logged", Site::International).loggedIn);
  EXPECT_TRUE(ScanPage(pad + "\nodhl\xE1si\x9D", Site::National).loggedIn);
  EXPECT_TRUE(ScanPage(std::string(4082, 'x') + "you are logged", Site::International).loggedIn);
  // The hint is cut where the line is cut.
  EXPECT_EQ(
      ScanPage(std::string(4070, 'x') + "decrypt=y</A>]<BR>" + std::string(50, 'h'), Site::National)
          .hintText,
      std::string(4096 - 4070 - 18, 'h'));
  // Text beyond the cut of a long line does not reach the next line.
  EXPECT_FALSE(ScanPage(std::string(5000, 'x') + "odhl\xE1si\x9D\nplain", Site::National).loggedIn);
}

TEST(ScanPage, InternationalTakesNoHintAndNoLink) {
  const std::string body = "you are logged in\n" + kHintLine +
                           "\n<A href=\"geocache-tlac.php?id=1&amp;x\">\n" + kLogout + "\n";
  PageScan scan = ScanPage(body, Site::International);
  EXPECT_TRUE(scan.loggedIn);
  EXPECT_FALSE(scan.hintText);
  EXPECT_FALSE(scan.printLink);
  // and the national marker means nothing there, nor the international one on the national site
  EXPECT_FALSE(ScanPage(kLogout, Site::International).loggedIn);
  EXPECT_FALSE(ScanPage("you are logged", Site::National).loggedIn);
}

TEST(ScanPage, EmptyBody) {
  PageScan scan = ScanPage("", Site::National);
  EXPECT_FALSE(scan.loggedIn);
  EXPECT_FALSE(scan.hintText);
  EXPECT_FALSE(scan.printLink);
}

}  // namespace
