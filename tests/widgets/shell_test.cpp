#include <QAccessible>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTest>

#include "platform/codepage.h"
#include "platform/files.h"
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
  EXPECT_EQ(DeviceDir, "\\");  // the handheld pane starts at its root
  EXPECT_EQ(form->StatusBar3->PanelText(0), "\\");
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
  EXPECT_EQ(ui.Messages()[0], Utf8ToAnsi("Súbor ") + DirText() +
                                  Utf8ToAnsi("/missing.wpt sa nedá otvoriť: súbor neexistuje."));
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
                 "MHT_Cela=1\r\nWPTsubor=/x/a.wpt\r\n[LastCesty]\r\nPDA=\\Storage Card\\\r\nPC=" +
                     platform::FromNativePath(sub.path()) +
                     "\r\n[Weby]\r\nsk=http://127.0.0.1:8081/\r\n");
  form->FormActivate();
  EXPECT_EQ(form->RadioGroup2->title(), QStringLiteral("Čo  sa bude exportovať z 127.0.0.1:8081"));
  EXPECT_TRUE(ui.openPresets.empty());
  EXPECT_EQ(form->OpenDialog2.FileName, "/x/a.wpt");
  EXPECT_EQ(form->CheckListBox1->Count(), 0);
  EXPECT_EQ(form->Edit1->text(), QStringLiteral("jano"));
  EXPECT_EQ(form->Edit2->text(),
            QStringLiteral("heślo").replace(QStringLiteral("ś"), QStringLiteral("ą")));
  EXPECT_EQ(form->Edit3->text(), QStringLiteral("/kese"));
  EXPECT_EQ(form->Edit4->text(), QStringLiteral("\\WP\\"));
  EXPECT_EQ(form->Edit5->text(), QStringLiteral("\\M\\"));
  EXPECT_TRUE(form->CheckBox2->isChecked());
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
  EXPECT_EQ(Ini("Kdeukladatdata", "MHT_Cela"), "0");  // unticked when the key is missing
  EXPECT_EQ(Ini("Prihlasovanie", "username"), "<none>");
  form->CheckBox2->setChecked(true);
  form->SpeedButton8Click();
  EXPECT_EQ(Ini("Kdeukladatdata", "MHT_Cela"), "1");
}

TEST_F(Shell, CloseWritesBothPanelsEvenEmptyAndEndsWaits) {
  TempDir::Write(FormTest::Ini(), "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\n");
  form->FormActivate();
  form->StatusBar5->SetPanelText(0, "");
  form->FormClose();
  EXPECT_TRUE(PageReady);
  EXPECT_TRUE(AppClosing);
  EXPECT_EQ(Ini("LastCesty", "PDA"), "\\");  // a first run's handheld root
  EXPECT_EQ(Ini("LastCesty", "PC"), "");
}

// The widened list panel keeps its width over a restart; a larger window gives the browser more.
TEST_F(Shell, TheListPanelsWidthIsRestoredAndWrittenAtClose) {
  TempDir::Write(FormTest::Ini(), "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\nSirkaZoznamu=333\r\n");
  form->FormActivate();
  form->show();
  EXPECT_EQ(form->Splitter1->sizes().value(0), 333);
  form->resize(form->width() + 200, form->height());
  QApplication::processEvents();
  EXPECT_EQ(form->Splitter1->sizes().value(0), 333);
  form->Splitter1->setSizes({290, form->Splitter1->width() - 290});
  EXPECT_TRUE(form->close());
  EXPECT_EQ(Ini("Kdeukladatdata", "SirkaZoznamu"), "290");
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

// Every reader and writer of the settings follows the file into the user's folder.
TEST_F(Shell, ReadOnlyProgramKeepsTheSettingsInTheUsersFolderStartingFromThePreset) {
  const std::string preset = "[Kdeukladatdata]\r\nWPTsubor=/x/a.wpt\r\nCesta=/kese\r\n";
  TempDir::Write(FormTest::Ini(), preset);
  TempDir user;
  platform::ChooseWriteFolders(false, user / "config", user / "data");
  const std::filesystem::path mine = user / "config/Vireska.ini";
  form->FormActivate();
  EXPECT_TRUE(ui.openPresets.empty());
  EXPECT_EQ(form->Edit3->text(), QStringLiteral("/kese"));
  form->Edit4->setText(QStringLiteral("\\WP\\"));
  form->SpeedButton8Click();
  form->show();
  EXPECT_TRUE(form->close());
  EXPECT_TRUE(ui.Messages().empty());
  EXPECT_EQ(TempDir::Read(FormTest::Ini()), preset);
  EXPECT_EQ(ReadProfileString(mine, "Kdeukladatdata", "PDA_WPT", "<none>"), "\\WP\\");
  EXPECT_EQ(ReadProfileString(mine, "LastCesty", "PC", "<none>"), form->StatusBar5->PanelText(0));
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

// Without a window manager that activates it, a shown window never becomes active.
class NeverActivated : public QObject {
 protected:
  bool eventFilter(QObject*, QEvent* e) override { return e->type() == QEvent::WindowActivate; }
};

TEST_F(Shell, ActivationRunsOnceWhenTheShownWindowIsNeverActivated) {
  NeverActivated filter;
  form->installEventFilter(&filter);
  ui.openAnswers = {std::nullopt};
  form->show();
  QTRY_COMPARE(ui.openPresets.size(), size_t{1});
  form->removeEventFilter(&filter);
  form->activateWindow();
  QApplication::processEvents();
  EXPECT_EQ(ui.openPresets.size(), 1u);
}

TEST_F(Shell, CloseBeforeActivationWritesNothing) {
  const std::string stored =
      "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\n[LastCesty]\r\nPDA=\\Data\\\r\nPC=/kese\r\n";
  TempDir::Write(FormTest::Ini(), stored);
  form->show();
  form->close();
  QApplication::processEvents();  // the activation queued at the show must not run now
  EXPECT_EQ(platform::ReadWholeFile(FormTest::Ini()), stored);
  EXPECT_TRUE(AppClosing);
}

TEST_F(Shell, OpenDialogStartsWithTheFileOpenedLastAfterARestart) {
  TempDir::Write(dir / "a.wpt",
                 "h1\r\nh2\r\nh3\r\nh4\r\n1,Hrad,48,18,,0,1,3,0,65535,x (GC1),0\r\n");
  TempDir::Write(FormTest::Ini(), "[Kdeukladatdata]\r\nWPTsubor=/x/first.wpt\r\n");
  form->FormActivate();
  EXPECT_EQ(form->OpenDialog2.FileName, "/x/first.wpt");
  ui.openAnswers = {DirText() + "/a.wpt"};
  form->ToolButton10Click();
  TForm1 restarted;
  restarted.FormActivate();
  EXPECT_EQ(restarted.OpenDialog2.FileName, DirText() + "/a.wpt");
  EXPECT_EQ(Ini("Kdeukladatdata", "WPTsubor"), "/x/first.wpt");
}

// Qt's own texts in Slovak: message box buttons, the file dialog, the confirmation dialog.
TEST_F(Shell, StandardDialogsSpeakSlovak) {
  QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Áno"));
  EXPECT_EQ(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Nie"));
  EXPECT_EQ(potvrd->BitBtn1->text().remove(QLatin1Char('&')), QStringLiteral("Áno"));
  EXPECT_EQ(potvrd->BitBtn2->text().remove(QLatin1Char('&')), QStringLiteral("Nie"));

  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  auto* buttons = dialog.findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);
  EXPECT_EQ(buttons->button(QDialogButtonBox::Open)->text().remove(QLatin1Char('&')),
            QStringLiteral("Otvoriť"));
  EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')),
            QStringLiteral("Zrušiť"));
}

// Every fixed text shown in a status panel or a grid's header cell fits its (scaled) width.
TEST_F(Shell, DesignerTextsShowWhole) {
  TempDir::Write(FormTest::Ini(), "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\n");
  form->FormActivate();
  form->show();
  QApplication::processEvents();
  const auto fits = [](TStatusBar* bar, int panel, const char* text) {
    QLabel* label = bar->Panel(panel);
    const int room = label->contentsRect().width() - 2 * label->margin();
    return label->fontMetrics().horizontalAdvance(QString::fromUtf8(text)) <= room;
  };
  for (const char* text : {"Hotovo", "Chyba"}) EXPECT_TRUE(fits(form->StatusBar1, 1, text)) << text;
  for (const char* text : {"PDA ON", "PDA OFF"})
    EXPECT_TRUE(fits(form->StatusBar1, 2, text)) << text;
  EXPECT_TRUE(fits(form->StatusBar1, 3, "geocache-tlac.php?id=123456"));
  form->PageControl1->setCurrentWidget(form->TabSheet8);
  QApplication::processEvents();
  EXPECT_TRUE(fits(form->StatusBar3, 1, "99999msec"));
  for (TStatusBar* bar : {form->StatusBar2, form->StatusBar4}) {
    EXPECT_TRUE(fits(bar, 0, "Adresárov:9999"));
    EXPECT_TRUE(fits(bar, 1, "Súborov:99999"));
    EXPECT_TRUE(fits(bar, 2, "Poč.bytov:999999999"));
  }
  for (TStringGrid* grid : {form->StringGrid1, form->StringGrid2}) {
    QFont bold = grid->font();
    bold.setBold(true);
    const QFontMetrics header(bold), cells(grid->font());
    for (int col = 0; col < grid->VisibleColCount(); ++col) {
      const int inset = col == 0 || col == 2 ? 12 : 0;  // sortable headers are drawn inset
      EXPECT_LE(header.horizontalAdvance(FromAnsi(grid->Cell(col, 0))) + inset,
                grid->columnWidth(col))
          << grid->objectName().toStdString() << " " << col;
    }
    EXPECT_LE(cells.horizontalAdvance(QStringLiteral("2024.12.31 23:59:59")) + 16,
              grid->columnWidth(2));
    EXPECT_GE(grid->rowHeight(1), cells.height());
  }
}

// Assistive technology reads what is shown, and finds the grids' context menus and their items.
TEST_F(Shell, AccessibleNamesAndGridMenus) {
  QAccessibleInterface* label = QAccessible::queryAccessibleInterface(form->Label5);
  form->Label5->setText(QStringLiteral("Ste prihlásený ako užívateľ s menom jano"));
  EXPECT_EQ(label->text(QAccessible::Name), form->Label5->text());
  potvrd->Label1->setText(QStringLiteral("Vymazať súbor?"));
  EXPECT_EQ(QAccessible::queryAccessibleInterface(potvrd->Label1)->text(QAccessible::Name),
            QStringLiteral("Vymazať súbor?"));

  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form.get());
  for (QMenu* menu : {form->PopupMenu1, form->PDAPopupMenu2}) {
    QAccessibleInterface* found = nullptr;
    for (int i = 0; i < window->childCount(); ++i)
      if (window->child(i)->object() == menu) found = window->child(i);
    ASSERT_NE(found, nullptr) << menu->objectName().toStdString();
    EXPECT_GE(window->indexOfChild(found), 0);
    QStringList items;
    for (int i = 0; i < found->childCount(); ++i) items << found->child(i)->text(QAccessible::Name);
    QStringList captions;
    for (QAction* action : menu->actions()) captions << action->text();
    EXPECT_EQ(items, captions);
  }
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
