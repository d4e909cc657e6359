// The group "PDA" on "Nastavenia", the handheld folders of its paths, and "Pošli WPT/GPX/LOC súbor
// do PDA", on the real window, the real
// binding and the folder handheld.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "device/rapi.h"
#include "device/volumes.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "support/device_folder.h"
#include "support/form_fixture.h"

namespace {

class HandheldSetting : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    ::unsetenv(folder_device::kRootVariable);  // the setting decides
    DeviceVolumeWatcher::SetSourceForTests([this] { return mounted; });
    TempDir::Write(Ini(), "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\n");
  }
  void TearDown() override {
    DeviceVolumeWatcher::SetSourceForTests({});
    rapi::SetDeviceRoot("");
    FormTest::TearDown();
  }
  AnsiString Text(const std::filesystem::path& path) const {
    return platform::FromNativePath(path);
  }
  AnsiString Shown() const { return form->StatusBar1->PanelText(2); }
  AnsiString Connect() {
    form->ToolButton2->click();
    return Shown();
  }
  // Closes the window and starts a new one over the same settings file; the library forgets the
  // old window's folder, as a new process would.
  void Restart() {
    Potvrd = nullptr;
    potvrd.reset();
    form.reset();
    rapi::SetDeviceRoot("");
    ResetSharedState();
    form = std::make_unique<TForm1>();
    potvrd = std::make_unique<TPotvrd>(form.get());
    Potvrd = potvrd.get();
    form->FormActivate();
  }
  bool DeviceListed(const AnsiString& name) {
    DeviceDir = "\\";
    form->SpeedButton12Click();
    for (int row = 1; row < form->StringGrid1->RowCount(); ++row)
      if (form->StringGrid1->Cell(0, row) == name) return true;
    return false;
  }

  DeviceFolder device;
  TempDir card;
  std::vector<MountedVolume> mounted;
};

TEST_F(HandheldSetting, EmptyIsPdaBesideTheProgramAndSavingStoresTheFolderAsTyped) {
  form->FormActivate();
  EXPECT_EQ(form->Edit6->text(), QString());
  EXPECT_EQ(Connect(), "PDA OFF");  // no "PDA" beside the program yet
  std::filesystem::create_directory(dir / "PDA");
  EXPECT_EQ(Connect(), "PDA ON");
  form->Edit6->setText(QStringLiteral("/media/jano/Kešky"));
  form->SpeedButton8Click();
  EXPECT_EQ(ReadProfileString(Ini(), "Kdeukladatdata", "PDA_Koren", ""), "/media/jano/Ke\x9Aky");
}

TEST_F(HandheldSetting, IsReadAtStartAndEachChangeCountsAtTheNextConnection) {
  TempDir::Write(Ini(),
                 "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\nPDA_Koren=" + Text(card.path()) + "\r\n");
  form->FormActivate();
  EXPECT_EQ(platform::EditText(form->Edit6), Text(card.path()));
  TempDir::Write(card / "na karte.txt", "x");
  DeviceDir = "\\";
  form->SpeedButton12Click();
  EXPECT_EQ(form->StringGrid1->Cell(0, 2), "na karte.txt");

  // Unplugged and plugged again between two connections, without a restart.
  form->Edit6->setText(FromAnsi(Text(card / "SD")));
  EXPECT_EQ(Connect(), "PDA OFF");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form->Label14->text().isEmpty(); }));
  std::filesystem::create_directory(card / "SD");
  EXPECT_EQ(Connect(), "PDA ON");

  // The environment variable stays above the setting.
  form->Edit6->setText(FromAnsi(Text(card / "absent")));
  ::setenv(folder_device::kRootVariable, card.path().c_str(), 1);
  EXPECT_EQ(Connect(), "PDA ON");
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(HandheldSetting, ThePickerAndTheDeviceListFillTheEdit) {
  mounted = {{"/media/jano/SDKARTA", "SDKARTA", 2048, true},
             {"/home", "", 1, true},
             {"/media/jano/КАРТА", "КАРТА", 1, true}};
  form->FormActivate();
  ASSERT_EQ(form->ListBox1->count(), 2);
  EXPECT_EQ(form->ListBox1->item(0)->text(),
            QStringLiteral("SDKARTA [/media/jano/SDKARTA] voľné 2,0 kB"));
  EXPECT_EQ(form->ListBox1->accessibleName(), form->Label13->text());
  EXPECT_EQ(form->Edit6->accessibleName(), form->Label12->text());
  EXPECT_EQ(form->Edit6->accessibleDescription(), QStringLiteral("Edit6"));
  QTest::mouseClick(form->ListBox1->viewport(), Qt::LeftButton, {},
                    form->ListBox1->visualItemRect(form->ListBox1->item(0)).center());
  EXPECT_EQ(form->Edit6->text(), QStringLiteral("/media/jano/SDKARTA"));
  QTest::mouseClick(form->ListBox1->viewport(), Qt::LeftButton, {},
                    form->ListBox1->visualItemRect(form->ListBox1->item(1)).center());
  EXPECT_EQ(form->Edit6->text(), QStringLiteral("/media/jano/КАРТА"));

  ui.folderAnswers = {card.path(), std::nullopt};
  form->SpeedButton13->click();
  EXPECT_EQ(ui.folderPresets.back(), std::filesystem::path("/media/jano/КАРТА"));
  EXPECT_EQ(platform::EditText(form->Edit6), Text(card.path()));
  form->SpeedButton13->click();  // cancelled: unchanged
  EXPECT_EQ(platform::EditText(form->Edit6), Text(card.path()));

  // A device plugged in and one removed show without a restart.
  mounted = {{"/run/media/jano/GARMIN", "GARMIN", -1, true}};
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return form->ListBox1->count() == 1 &&
               form->ListBox1->item(0)->text() == QStringLiteral("GARMIN [/run/media/jano/GARMIN]");
      },
      10000));
}

TEST_F(HandheldSetting, HintsWhenTheFolderHasNoStorageCardForThePaths) {
  form->FormActivate();
  form->Edit6->setText(FromAnsi(Text(card.path())));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return form->Label14->text().contains(QStringLiteral("Storage Card")); }));
  EXPECT_EQ(form->Label14->accessibleName(), form->Label14->text());
  std::filesystem::create_directory(card / "Storage Card");
  form->PageControl1->setCurrentWidget(form->TabSheet7);  // showing the tab looks again
  EXPECT_TRUE(QTest::qWaitFor([&] { return form->Label14->text().isEmpty(); }));
  EXPECT_TRUE(ui.shown.empty());
}

// The tab looks on the handheld's thread whether the paths' folders exist, and makes them.
TEST_F(HandheldSetting, SaysWhichFoldersOfThePathsTheHandheldLacksAndMakesThem) {
  form->FormActivate();
  form->Edit6->setText(FromAnsi(Text(card.path())));
  std::filesystem::create_directories(card / "Storage Card/MHT");
  form->Edit4->setText(QStringLiteral("\\Storage Card\\OZI_Maps\\WP\\"));
  form->Edit5->setText(QStringLiteral("\\Storage Card\\MHT\\"));
  const unsigned before = rapi::CallsOffTheDeviceThread();
  form->PageControl1->setCurrentWidget(form->TabSheet7);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Label23->isHidden(); }));
  EXPECT_EQ(form->Label23->text(),
            QStringLiteral("V PDA chýba priečinok \\Storage Card\\OZI_Maps\\WP\\."));
  EXPECT_FALSE(form->SpeedButton21->isHidden());

  form->SpeedButton21->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->Label23->isHidden(); }));
  EXPECT_TRUE(std::filesystem::is_directory(card / "Storage Card/OZI_Maps/WP"));
  EXPECT_TRUE(form->SpeedButton21->isHidden());
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(rapi::CallsOffTheDeviceThread(), before);  // never a handheld call on the window's
}

class SendWaypoints : public HandheldSetting {
 protected:
  void Open(const std::string& bytes) {
    TempDir::Write(pc / "Moje ke\xC5\xA1ky.wpt", bytes);
    ui.openAnswers.push_back(Text(pc / "Moje ke\xC5\xA1ky.wpt"));
    form->ToolButton10Click();
  }
  TempDir pc;
};

TEST_F(SendWaypoints, CopiesTheFileOpenedLastToThePathForWaypointFiles) {
  form->FormActivate();
  form->PoliWPTsbordoPDA1->trigger();
  EXPECT_EQ(ui.Messages(), std::vector<AnsiString>{"Najprv otvorte WPT s\xFA"
                                                   "bor."});
  ui.shown.clear();

  const std::string bytes =
      "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\ngarmin\r\n"
      "1,\xE9\x9A,48,18,,0,1,3,0,65535,x (GC1),0\r\n";
  Open(bytes);
  form->Edit6->setText(FromAnsi(Text(card.path())));
  std::filesystem::create_directories(card / "Storage Card/OZI_Maps/WP");
  form->Edit4->setText(QStringLiteral("\\Storage Card\\OZI_Maps\\WP"));  // no "\" at the end
  form->ToolButton13->click();
  EXPECT_EQ(TempDir::Read(card / "Storage Card/OZI_Maps/WP/Moje ke\xC5\xA1ky.wpt"), bytes);
  EXPECT_EQ(ui.Messages(), std::vector<AnsiString>{Utf8ToAnsi(
                               "Súbor je v PDA: \\Storage Card\\OZI_Maps\\WP\\Moje kešky.wpt")});
  ui.shown.clear();
  EXPECT_EQ(Shown(), "PDA ON");
  EXPECT_NE(std::find(ui.cursors.begin(), ui.cursors.end(), platform::CursorShape::Hourglass),
            ui.cursors.end());
  EXPECT_EQ(ui.cursors.back(), platform::CursorShape::Default);

  // A missing target folder: the copy's own message. No handheld: a message, nothing copied.
  form->Edit4->setText(QStringLiteral("\\Nie je\\"));
  form->PoliWPTsbordoPDA1->trigger();
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, Utf8ToAnsi("Error: neviem vytvoriť file v PDA \\Nie je\\Moje "
                                         "kešky.wpt: priečinok neexistuje."));
  form->Edit6->setText(FromAnsi(Text(card / "absent")));
  form->PoliWPTsbordoPDA1->trigger();
  EXPECT_EQ(Shown(), "PDA OFF");
  ASSERT_EQ(ui.shown.size(), 2u);
  EXPECT_EQ(ui.shown[1].text,
            "PDA nie je pripojen\xE9: WPT s\xFA"
            "bor nebol poslan\xFD.");
}

// Folders named in letters code page 1250 lacks, one picked and one typed: each is the handheld,
// takes a push, and is the handheld again after the settings are saved and the program restarts.
TEST_F(SendWaypoints, AFolderNamedInAnyLettersStaysTheHandheldAcrossARestart) {
  const std::string bytes = "h1\r\nh2\r\nh3\r\nh4\r\n1,Hrad,48,18,,0,1,3,0,65535,x (GC1),0\r\n";
  form->FormActivate();
  bool picked = true;
  for (const char* name : {"Кеші", "地図カード"}) {
    SCOPED_TRACE(name);
    const std::filesystem::path folder = card / name;
    TempDir::Write(folder / "na karte.txt", "x");
    std::filesystem::create_directory(folder / "WP");
    const QString text = platform::NativePathText(folder);
    if (picked) {
      ui.folderAnswers = {folder};
      form->SpeedButton13->click();
    } else {
      form->Edit6->setText(text);
    }
    picked = false;
    EXPECT_EQ(form->Edit6->text(), text);
    EXPECT_EQ(Connect(), "PDA ON");
    EXPECT_TRUE(DeviceListed("na karte.txt"));
    Open(bytes);
    form->Edit4->setText(QStringLiteral("\\WP\\"));
    form->ToolButton13->click();
    EXPECT_EQ(TempDir::Read(folder / "WP/Moje ke\xC5\xA1ky.wpt"), bytes);
    EXPECT_EQ(ui.Messages(),
              std::vector<AnsiString>{Utf8ToAnsi("Súbor je v PDA: \\WP\\Moje kešky.wpt")});
    ui.shown.clear();
    // The hint looks into the folder itself: it has no "Storage Card", it is not missing.
    form->Edit5->setText(QStringLiteral("\\Storage Card\\MHT\\"));
    EXPECT_TRUE(QTest::qWaitFor([&] {
      return form->Label14->text().contains(QStringLiteral("Storage Card"));
    })) << form->Label14->text().toStdString();

    form->SpeedButton8Click();
    EXPECT_EQ(ReadProfileString(Ini(), "Kdeukladatdata", "PDA_Koren", "").rfind("file:///", 0), 0u);
    Restart();
    EXPECT_EQ(form->Edit6->text(), text);
    EXPECT_EQ(Connect(), "PDA ON");
    EXPECT_TRUE(DeviceListed("na karte.txt"));
  }
  EXPECT_TRUE(ui.shown.empty());
}

}  // namespace
