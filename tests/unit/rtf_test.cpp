#include <gtest/gtest.h>

#include <QRegularExpression>

#include "platform/files.h"
#include "platform/rtf.h"

namespace {

// The text a reader sees: tags dropped, line breaks kept, entities resolved.
QString PlainText(const std::string& rtf) {
  QString html = platform::RtfToHtml(rtf);
  html.replace(QStringLiteral("<br>\n"), QStringLiteral("\n"));
  html.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
  html.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
      .replace(QStringLiteral("&gt;"), QStringLiteral(">"));
  html.replace(QStringLiteral("&quot;"), QStringLiteral("\""))
      .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
  return html;
}

TEST(Rtf, TextWithCodePageEscapesUnicodeAndParagraphs) {
  EXPECT_EQ(PlainText("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0;}"
                      "\\f0 Pod\\'bea n\\'e1zvov\\par \\u269?o\\par}"),
            QStringLiteral("Podľa názvov\nčo\n"));
}

TEST(Rtf, BoldAndItalicFollowGroups) {
  QString html = platform::RtfToHtml("{\\rtf1 a{\\b b}c\\i d\\i0 e}");
  EXPECT_TRUE(html.contains(QStringLiteral("<b>b</b>c<i>d</i>e")));
}

TEST(Rtf, IgnorableDestinationsAndEscapedBracesAndBrokenInput) {
  EXPECT_EQ(PlainText("{\\rtf1{\\*\\generator x;}\\{x\\}\\\\}"), QStringLiteral("{x}\\"));
  EXPECT_NO_THROW(platform::RtfToHtml("{\\rtf1 \\'zz \\u \\'"));
  EXPECT_NO_THROW(platform::RtfToHtml("}}}{{{"));
}

TEST(Rtf, ShippedAboutTextReads) {
  std::string rtf = platform::ReadWholeFile(VIRESKA_SOURCE_DIR "/resources/popisrtf.rtf");
  QString text = PlainText(rtf);
  EXPECT_TRUE(text.contains(QStringLiteral("Vireska")));
  EXPECT_TRUE(text.contains(QStringLiteral("pomôcku")));
  EXPECT_FALSE(text.contains(QStringLiteral("Arial")));
}

}  // namespace
