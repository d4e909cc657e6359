#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "platform/codepage.h"
#include "platform/profile.h"
#include "support/form_fixture.h"

namespace {

const AnsiString kSample = "Zlat\xE9 Moravce50km.wpt";

class Shell : public FormTest {
 protected:
  AnsiString Ini(const char* section, const char* key) {
    return ReadProfileString(FormTest::Ini(), section, key, "<none>");
  }
  AnsiString DirText() const { return platform::FromNativePath(dir.path()); }
};

TEST_F(Shell, FirstRunOffersTheSampleFileAndRemembersItEvenWhenCancelled) {
  ui.openAnswers = {std::nullopt};
  form->FormActivate();
  ASSERT_EQ(ui.openPresets.size(), 1u);
  EXPECT_EQ(ui.openPresets[0], DirText() + "/" + kSample);
  EXPECT_EQ(Ini("Kdeukladatdata", "WPTsubor"), DirText() + "/" + kSample);
  EXPECT_TRUE(form->Edit1->text().isEmpty());
  EXPECT_TRUE(form->Edit2->text().isEmpty());
  EXPECT_EQ(form->DriveComboBox1->Drive(), 'C');
  EXPECT_EQ(DeviceDir, "");
  EXPECT_EQ(form->CheckListBox1->Count(), 0);
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Shell, FirstRunLoadsTheConfirmedFileIntoBothLists) {
  TempDir::Write(dir / AnsiToUtf8(kSample),
                 "h1\r\nh2\r\nh3\r\nh4\r\n1,Hrad,48,18,,0,1,3,0,65535,Hrad (GCZM001),0\r\n");
  ui.openAnswers = {DirText() + "/" + kSample};
  form->FormActivate();
  ASSERT_EQ(form->CheckListBox1->Count(), 1);
  EXPECT_EQ(form->CheckListBox1->ItemText(0), "Hrad");
  EXPECT_EQ(form->CheckListBox2->ItemText(0), "GCZM001");
}

TEST_F(Shell, FailedFirstRunLoadIsReportedAndLeavesTheKeyUnwritten) {
  ui.openAnswers = {DirText() + "/missing.wpt"};
  TempDir::Write(FormTest::Ini(), "[Kdeukladatdata]\r\nCesta=/data\r\n");
  form->FormActivate();
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0], "Cannot open file " + DirText() + "/missing.wpt");
  EXPECT_EQ(Ini("Kdeukladatdata", "WPTsubor"), "<none>");
  EXPECT_EQ(form->StringGrid1->Cell(0, 0),
            "N\xE1zov s\xFA"
            "boru");  // later steps still ran
}

TEST_F(Shell, LaterRunRestoresSettingsWithoutDialogOrList) {
  TempDir sub;
  TempDir::Write(FormTest::Ini(),
                 "[Prihlasovanie]\r\nusername=jano\r\npassword=he\xB9lo\r\n"
                 "[Kdeukladatdata]\r\nDisk=C\r\nCesta=/kese\r\nPDA_WPT=\\WP\\\r\nPDA_MHT=\\M\\\r\n"
                 "WPTsubor=/x/a.wpt\r\n[LastCesty]\r\nPDA=\\Storage Card\\\r\nPC=" +
                     platform::FromNativePath(sub.path()) + "\r\n");
  form->FormActivate();
  EXPECT_TRUE(ui.openPresets.empty());
  EXPECT_EQ(form->OpenDialog2.FileName, "/x/a.wpt");
  EXPECT_EQ(form->CheckListBox1->Count(), 0);
  EXPECT_EQ(form->Edit1->text(), QStringLiteral("jano"));
  EXPECT_EQ(form->Edit2->text(),
            QStringLiteral("heślo").replace(QStringLiteral("ś"), QStringLiteral("ą")));
  EXPECT_EQ(form->Edit3->text(), QStringLiteral("/kese"));
  EXPECT_EQ(form->Edit4->text(), QStringLiteral("\\WP\\"));
  EXPECT_EQ(form->Edit5->text(), QStringLiteral("\\M\\"));
  EXPECT_EQ(DeviceDir, "\\Storage Card\\");
  EXPECT_EQ(form->StatusBar3->PanelText(0), "\\Storage Card\\");
  EXPECT_EQ(form->DirectoryListBox1->Directory(), platform::FromNativePath(sub.path()));
  EXPECT_EQ(form->StatusBar5->PanelText(0), platform::FromNativePath(sub.path()));
  EXPECT_EQ(form->StringGrid1->RowCount(), 2);
  for (TStringGrid* grid : {form->StringGrid1, form->StringGrid2}) {
    EXPECT_EQ(grid->Cell(1, 0), "Ve\xBEkos\x9D");
    EXPECT_EQ(grid->Cell(2, 0),
              "D\xE1tum a \xE8"
              "as");
    EXPECT_EQ(grid->Cell(3, 0), "Attr");
    EXPECT_EQ(grid->Cell(0, 1), "..");
    EXPECT_EQ(grid->Cell(1, 1), "<DIR>");
  }
  EXPECT_FALSE(AppClosing);
}

TEST_F(Shell, MissingPcFolderFallsBackToTheRootSilently) {
  TempDir::Write(FormTest::Ini(),
                 "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\n[LastCesty]\r\nPC=/no/such/folder\r\n");
  form->FormActivate();
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(form->DirectoryListBox1->Directory(), "/");
}

TEST_F(Shell, UnavailableDriveIsReportedAndActivationGoesOn) {
  TempDir::Write(FormTest::Ini(),
                 "[Kdeukladatdata]\r\nDisk=Q\r\nCesta=/kese\r\nWPTsubor=/x.wpt\r\n");
  form->FormActivate();
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0], "I/O error 15");
  EXPECT_EQ(form->Edit3->text(), QStringLiteral("/kese"));
  EXPECT_EQ(form->DriveComboBox1->Drive(), 'C');
}

TEST_F(Shell, SaveWritesTheStorageKeysOnly) {
  TempDir::Write(FormTest::Ini(), "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\n");
  form->FormActivate();
  form->Edit3->setText(QStringLiteral("/home/u/Kešky"));
  form->Edit1->setText(QStringLiteral("not stored here"));
  form->SpeedButton8Click();
  EXPECT_EQ(Ini("Kdeukladatdata", "Disk"), "C");
  EXPECT_EQ(Ini("Kdeukladatdata", "Cesta"), "/home/u/Ke\x9Aky");
  EXPECT_EQ(Ini("Kdeukladatdata", "PDA_WPT"), "\\Storage Card\\OZI_Maps\\WP\\");
  EXPECT_EQ(Ini("Kdeukladatdata", "PDA_MHT"), "\\Storage Card\\MHT\\");
  EXPECT_EQ(Ini("Prihlasovanie", "username"), "<none>");
}

TEST_F(Shell, CloseWritesBothPanelsEvenEmptyAndEndsWaits) {
  TempDir::Write(FormTest::Ini(), "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\n");
  form->FormActivate();
  form->StatusBar5->SetPanelText(0, "");
  form->FormClose();
  EXPECT_TRUE(PageReady);
  EXPECT_TRUE(AppClosing);
  EXPECT_EQ(Ini("LastCesty", "PDA"), "");
  EXPECT_EQ(Ini("LastCesty", "PC"), "");
}

// A folder's name holds line breaks: at close it must not turn into a section and a key that
// send the next login elsewhere.
TEST_F(Shell, ClosingInAFolderNamedLikeSettingsLinesAddsNoKey) {
  TempDir::Write(FormTest::Ini(),
                 "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\n[Weby]\r\nsk=http://127.0.0.1:1\r\n");
  const auto hostile = dir / "mapy\n[Weby]\nsk=http://elsewhere";
  std::filesystem::create_directories(hostile);
  form->FormActivate();
  form->DirectoryListBox1->SetDirectory(platform::FromNativePath(hostile));
  form->show();
  EXPECT_TRUE(form->close());
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(Ini("Weby", "sk"), "http://127.0.0.1:1");
  EXPECT_EQ(Ini("LastCesty", "PC"), DirText() + "/mapy?[Weby]?sk=http:/elsewhere");
}

TEST_F(Shell, ClosingWithAnUnwritableSettingsFileStillCloses) {
  TempDir::Write(FormTest::Ini(), "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\n");
  form->FormActivate();
  std::filesystem::permissions(FormTest::Ini(), std::filesystem::perms::owner_read);
  form->show();
  EXPECT_TRUE(form->close());
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0], "Unable to write to " + FormTest::Ini().string());
  EXPECT_FALSE(form->isVisible());
}

TEST_F(Shell, ActivationRunsOnceAtTheFirstActivation) {
  ui.openAnswers = {std::nullopt};
  form->show();
  form->activateWindow();
  QTRY_COMPARE(ui.openPresets.size(), size_t{1});
  form->PageControl1->setCurrentWidget(form->TabSheet7);
  form->activateWindow();
  QApplication::processEvents();
  form->FormActivate();
  EXPECT_EQ(ui.openPresets.size(), 1u);
}

TEST_F(Shell, ManagerMenuShowsTheManagerTab) {
  form->Funkciemanara1Click();
  EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet8);
}

class ShellDrives : public Shell {
 protected:
  void SetUp() override {
    platform::SetDriveRootsForTests({driveD.path()});
    Shell::SetUp();
  }
  void TearDown() override {
    Shell::TearDown();
    platform::SetDriveRootsForTests({});
  }
  TempDir driveD;
};

TEST_F(ShellDrives, SavedDriveMovesTheTreeAndIsStoredAsOneLetter) {
  std::filesystem::create_directories(driveD / "Kese");
  TempDir::Write(FormTest::Ini(), "[Kdeukladatdata]\r\nDisk=d\r\nWPTsubor=/x.wpt\r\n");
  form->FormActivate();
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(form->DriveComboBox1->Drive(), 'D');
  EXPECT_EQ(form->DirectoryOutline1->Directory(), platform::FromNativePath(driveD.path()));
  EXPECT_EQ(form->DriveComboBox1->currentText().toStdString(),
            "d: [" + driveD.path().string() + "]");

  form->DirectoryOutline1->SetDirectory(platform::FromNativePath(driveD / "Kese"));
  form->DirectoryOutline1MouseUp();
  EXPECT_EQ(form->Edit3->text().toStdString(), (driveD / "Kese").string());
  form->SpeedButton8Click();
  EXPECT_EQ(Ini("Kdeukladatdata", "Disk"), "D");
  EXPECT_EQ(Ini("Kdeukladatdata", "Cesta"), platform::FromNativePath(driveD / "Kese"));
}

}  // namespace
