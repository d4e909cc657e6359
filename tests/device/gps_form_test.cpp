// "Pošli kešky do GPS" on the real window: the ticked caches reach the unit's own GPX folder with
// the hints of scanned pages, and a failed copy leaves the unit's earlier file.
#include <QAction>
#include <QBuffer>
#include <QImage>
#include <QLineEdit>
#include <QToolButton>

#include "cachelist/cachefile.h"
#include "device/gpsgpx.h"
#include "export/exportname.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/state.h"
#include "support/device_folder.h"
#include "support/form_fixture.h"

namespace {

class SendToGps : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    TempDir::Write(device / "Internal Storage" / "Garmin" / "GarminDevice.xml",
                   "<Device><Model><Description>Alfa 66</Description></Model><MassStorageMode>"
                   "<DataType><Name>GPSData</Name><File><Location><Path>Garmin/NewFiles</Path>"
                   "</Location><TransferDirection>InputToUnit</TransferDirection></File>"
                   "</DataType></MassStorageMode></Device>");
    const std::filesystem::path source =
        std::filesystem::path(VIRESKA_SOURCE_DIR) / "resources" / "Tribeč.gpx";
    std::filesystem::copy_file(source, dir / "Tribeč.gpx");
    WaypointFile = platform::FromNativePath(dir / "Tribeč.gpx");
    form->SetCacheEntries(ReadCacheFile(platform::ReadWholeFile(source)).entries);
  }
  // GCZT002's page exported whole: a picture, and a spoiler named in its caption.
  void ExportWholePage() {
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const std::string base64 = png.toBase64().toStdString();
    const auto part = [&](const std::string& location) {
      return "--B\r\nContent-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n"
             "Content-Location: " +
             location + "\r\n\r\n" + base64 + "\r\n";
    };
    form->Edit3->setText(QString::fromStdString(dir.path().string()));
    // The name is code page 1250 text; on disk it is the native spelling.
    TempDir::Write(
        dir.path() /
            platform::ToNativePath(ExportName(form->CheckListBox1->ItemText(1), 0, 0, 1).substr(1)),
        "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"B\"\r\n\r\n"
        "--B\r\nContent-Type: text/html\r\nContent-Location: https://x/c\r\n\r\n"
        "<img src=\"https://x/most.png\"><a><img src=\"https://x/s.png\">Spoiler</a>"
        "\r\n" +
            part("https://x/most.png") + part("https://x/s.png") + "--B--\r\n");
  }
  std::string Sent() const {
    return TempDir::Read(device / "Internal Storage" / "Garmin" / "NewFiles" / "Tribeč.gpx");
  }
  DeviceFolder device;
};

TEST_F(SendToGps, TheTickedCachesArriveWithTheScannedHintAndAFailedCopyKeepsThem) {
  form->CheckListBox1->SetChecked(1, true);
  ScannedHints["GCZT002"] = AnsiLiteral("Pod koreňom buka");
  ExportWholePage();
  form->ToolButton14->click();
  const std::filesystem::path photos =
      device / "Internal Storage" / "Garmin" / "GeocachePhotos" / "2" / "0" / "GCZT002";
  EXPECT_EQ(TempDir::Read(photos / "most.jpg").substr(0, 2), "\xFF\xD8");  // bytes: JPEG
  EXPECT_EQ(TempDir::Read(photos / "Spoilers" / "s.jpg").substr(0, 2), "\xFF\xD8");
  std::vector<CacheEntry> sent = ReadCacheFile(Sent()).entries;
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].code, "GCZT002");
  EXPECT_NE(Sent().find("<groundspeak:encoded_hints>Pod koreňom buka<"), std::string::npos);
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_NE(ui.Messages()[0].find("\\Internal Storage\\Garmin\\NewFiles\\"), std::string::npos);
  EXPECT_NE(ui.Messages()[0].find("Alfa 66"), std::string::npos);

  // None ticked: every listed cache; the copy breaks off and the unit keeps the earlier file.
  form->CheckListBox1->SetChecked(1, false);
  const std::string before = Sent();
  DeviceFolder::Fail("CeWriteFile=112");
  form->PolikekydoGPS1->trigger();
  DeviceFolder::Settle();
  EXPECT_EQ(Sent(), before);
  EXPECT_EQ(TempDir::Names(device / "Internal Storage" / "Garmin" / "NewFiles"),
            std::vector<std::string>{"Tribeč.gpx"});
  EXPECT_EQ(ui.Messages().size(), 2u);

  DeviceFolder::Fail("");
  form->PolikekydoGPS1->trigger();
  EXPECT_EQ(ReadCacheFile(Sent()).entries.size(), form->CheckListBox1->Count());

  // None ticked under a filter: the caches it shows, not those it hides.
  form->Edit21->setText(QStringLiteral("Hrad"));
  form->PolikekydoGPS1->trigger();
  sent = ReadCacheFile(Sent()).entries;
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].code, "GCZT002");
}

}  // namespace
