// The file commands through the scripted confirmation answers, against a real PC folder and
// the bundled folder handheld.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <cstdlib>
#include <string>

#include "device/rapi.h"
#include "filemanager/SuhlasCopyU.h"
#include "filemanager/panes.h"
#include "fm_fixture.h"
#include "platform/clock.h"
#include "platform/shellopen.h"

namespace {

class Commands : public FileManagerTest {
 protected:
  // Every selected entry row of a grid: from the up entry's name to the last row's name.
  void SelectAll(TStringGrid* grid, int col = 0) {
    ClickCell(grid, col, 1);
    ClickCell(grid, col, grid->RowCount() - 1, Qt::ShiftModifier);
  }
  void SelectRows(TStringGrid* grid, int from, int to) {
    ClickCell(grid, 0, from);
    ClickCell(grid, 0, to, Qt::ShiftModifier);
  }
  static std::function<int()> Answer(int result) {
    return [result] { return result; };
  }
  void Answers(std::initializer_list<int> results) {
    for (int r : results) ui.modalAnswers.push_back(Answer(r));
  }
  std::string Device(const std::string& utf8) { return TempDir::Read(device / utf8); }
  const std::string kBinary = std::string(
      "\0\x01\xFF\r\n\x1A"
      "end",
      9);
};

// ---- copy to the handheld

TEST_F(Commands, CopyToHandheldTakesSelectedFilesAndSkipsFolders) {
  TempDir::Write(pc / "a.bin", kBinary);
  TempDir::Write(pc / "b.txt", "bbb");
  std::filesystem::create_directory(pc / "Folder");
  Start();
  form->Refre1->trigger();
  SelectAll(form->StringGrid2);
  Answers({platform::mrYes, platform::mrYes});
  form->KopirovaniesborudoPDA1->trigger();
  EXPECT_EQ(ui.modalForms, (std::vector<std::string>{"TPotvrd", "TPotvrd"}));
  EXPECT_EQ(Device("a.bin"), kBinary);
  EXPECT_EQ(Device("b.txt"), "bbb");
  EXPECT_FALSE(std::filesystem::exists(device / "Folder"));
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_NE(RowOf(form->StringGrid1, "a.bin"), -1);  // the handheld pane was listed again
  EXPECT_EQ(ui.cursors.back(), platform::CursorShape::Default);
}

// What a copy acts on is taken when it begins: a pane that changes while it runs (input is held
// then, so only the program could change it) redirects nothing, and the user's clicks are dropped.
TEST_F(Commands, ACopyActsOnTheFilesSelectedWhenItBegan) {
  TempDir::Write(pc / "a.txt", "pc a");
  TempDir::Write(pc / "b.txt", "pc b");
  std::filesystem::create_directory(pc / "Sub");
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
    TempDir::Write(pc / "Sub" / name, std::string("sub ") + name);
  std::filesystem::create_directory(device / "Dir");
  Start();
  form->SpeedButton12->click();
  form->Refre1->trigger();
  ClickCell(form->StringGrid2, 0, RowOf(form->StringGrid2, "a.txt"));
  ClickCell(form->StringGrid2, 0, RowOf(form->StringGrid2, "b.txt"), Qt::ControlModifier);
  ASSERT_EQ(SelectedRows(form->StringGrid2, 0).size(), 2u);
  Answers({platform::mrYes, platform::mrYes});
  DeviceFolder::WriteDelay(400);
  QTimer::singleShot(150, form.get(), [&] {
    DoubleClickCell(form->StringGrid1, 0, RowOf(form->StringGrid1, "Dir"));
    form->DirectoryListBox1->SetDirectory(PcText(pc / "Sub"));
  });
  form->KopirovaniesborudoPDA1->trigger();
  EXPECT_EQ(Device("a.txt"), "pc a");
  EXPECT_EQ(Device("b.txt"), "pc b");
  EXPECT_EQ(TempDir::Names(device.root()), (std::vector<std::string>{"Dir", "a.txt", "b.txt"}));
  EXPECT_EQ(DeviceDir, "\\");
  EXPECT_NE(RowOf(form->StringGrid1, "b.txt"), -1);  // the pane it wrote into, listed again
  EXPECT_TRUE(ui.shown.empty());
}

// The window never calls the handheld's library itself: a device that stops answering can hold
// up only the handheld's thread.
TEST_F(Commands, EveryHandheldCallOfTheWindowIsMadeOnTheHandheldsThread) {
  TempDir::Write(pc / "a.txt", "pc a");
  TempDir::Write(device / "b.txt", "handheld b");
  Start();
  const unsigned before = rapi::CallsOffTheDeviceThread();
  form->SpeedButton12->click();
  form->Refre1->trigger();
  SelectRows(form->StringGrid2, RowOf(form->StringGrid2, "a.txt"),
             RowOf(form->StringGrid2, "a.txt"));
  Answers({platform::mrYes});
  form->KopirovaniesborudoPDA1->trigger();
  ClickCell(form->StringGrid1, 0, RowOf(form->StringGrid1, "b.txt"));
  Answers({platform::mrYes, platform::mrYes, platform::mrYes});
  form->MenuItem1->trigger();
  form->Vytvoradresr1->trigger();
  ClickCell(form->StringGrid1, 0, RowOf(form->StringGrid1, "b.txt"));
  form->MenuItem2->trigger();
  form->ToolButton2->click();
  form->CheckBox1->setChecked(true);
  form->PushExport(PcText(pc / "a.txt"), "\\pushed.txt");
  WaitStart = platform::GetTickCount() - 10000;
  form->Timer1Timer();
  form->close();
  DeviceFolder::Settle();
  EXPECT_EQ(rapi::CallsOffTheDeviceThread(), before);
  EXPECT_EQ(TempDir::Names(device.root()),
            (std::vector<std::string>{"Nov\xC3\xBD adres\xC3\xA1r", "a.txt", "pushed.txt"}));
  EXPECT_EQ(TempDir::Read(pc / "b.txt"), "handheld b");
  EXPECT_FALSE(DeviceFolder::LinkOpen());
}

TEST_F(Commands, TheDialogIsSetUpForTheCopy) {
  TempDir::Write(pc / "a.txt", "a");
  Start("\\");
  form->Refre1->trigger();
  form->move(100, 80);
  SelectAll(form->StringGrid2);
  ui.modalAnswers.push_back([&] {
    EXPECT_EQ(potvrd->pos(), form->pos() + QPoint(10, 10));
    EXPECT_EQ(potvrd->Label1->text(), QStringLiteral("Kopírovať súbor"));
    EXPECT_FALSE(potvrd->Label2->isHidden());
    EXPECT_FALSE(potvrd->Edit1->isHidden());
    EXPECT_FALSE(potvrd->Edit2->isHidden());
    EXPECT_EQ(potvrd->Edit1->text(), QString::fromStdString(PcText() + "/a.txt"));
    EXPECT_EQ(potvrd->Edit2->text(), QStringLiteral("\\a.txt"));
    return platform::mrNo;
  });
  potvrd->CheckBox1->setChecked(true);  // left over from an earlier command
  form->KopirovaniesborudoPDA1->trigger();
  EXPECT_EQ(ui.modalForms.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(device / "a.txt"));
  EXPECT_TRUE(ui.shown.empty());  // a declined file still counts for this copy
}

TEST_F(Commands, DeclinedAndCancelledFilesAreNotCopied) {
  for (const char* name : {"a", "b", "c"}) TempDir::Write(pc / name, name);
  Start();
  form->Refre1->trigger();
  SelectAll(form->StringGrid2);
  Answers({platform::mrNo, platform::mrYes, platform::mrCancel});
  form->KopirovaniesborudoPDA1->trigger();
  int copied = 0;
  for (const char* name : {"a", "b", "c"}) copied += std::filesystem::exists(device / name);
  EXPECT_EQ(copied, 1);
  EXPECT_EQ(ui.modalForms.size(), 3u);
}

TEST_F(Commands, DontAskAgainWithNoSkipsThatFileAndCopiesTheRestSilently) {
  for (const char* name : {"a", "b", "c"}) TempDir::Write(pc / name, name);
  Start();
  form->Refre1->trigger();
  SelectAll(form->StringGrid2);
  std::string first;
  ui.modalAnswers.push_back([&] {
    first = potvrd->Edit1->text().toStdString();
    potvrd->CheckBox1->setChecked(true);
    return platform::mrNo;
  });
  form->KopirovaniesborudoPDA1->trigger();
  EXPECT_EQ(ui.modalForms.size(), 1u);
  const std::string firstName = std::filesystem::path(first).filename().string();
  for (const char* name : {"a", "b", "c"})
    EXPECT_EQ(std::filesystem::exists(device / name), name != firstName) << name;
  // The next command asks again.
  Answers({platform::mrNo, platform::mrNo, platform::mrNo});
  form->KopirovaniesborudoPDA1->trigger();
  EXPECT_EQ(ui.modalForms.size(), 4u);
}

// An edited target stays one name in the pane's folder, whatever separators it holds.
TEST_F(Commands, AnEditedTargetIsUsedForThatFileOnly) {
  TempDir::Write(pc / "a", "A");
  TempDir::Write(pc / "b", "B");
  std::filesystem::create_directory(device / "Elsewhere");
  Start();
  form->Refre1->trigger();
  SelectAll(form->StringGrid2);
  std::vector<QString> targets;
  ui.modalAnswers.push_back([&] {
    targets.push_back(potvrd->Edit2->text());
    potvrd->Edit2->setText(QStringLiteral("\\Elsewhere\\renamed"));
    return platform::mrYes;
  });
  ui.modalAnswers.push_back([&] {
    targets.push_back(potvrd->Edit2->text());
    return platform::mrYes;
  });
  form->KopirovaniesborudoPDA1->trigger();
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(TempDir::Read(device / "Elsewhere_renamed").size(), 1u);
  EXPECT_TRUE(std::filesystem::is_empty(device / "Elsewhere"));
  EXPECT_EQ(int(std::filesystem::exists(device / "a")) + int(std::filesystem::exists(device / "b")),
            1);
  EXPECT_TRUE(targets[1] == QStringLiteral("\\a") || targets[1] == QStringLiteral("\\b"));
}

TEST_F(Commands, CopyToHandheldOfFoldersOnlyOrNothingSaysNothingWasChosen) {
  std::filesystem::create_directory(pc / "F1");
  std::filesystem::create_directory(pc / "F2");
  Start();
  form->Refre1->trigger();
  form->StatusBar2->SetPanelText(1, "");
  form->KopirovaniesborudoPDA1->trigger();  // only the initial cell of row 1
  EXPECT_EQ(ui.Messages(), std::vector<AnsiString>{kNothingSelected});
  EXPECT_FALSE(form->StatusBar2->PanelText(1).empty());  // the handheld pane was listed again
  SelectAll(form->StringGrid2);
  form->KopirovaniesborudoPDA2->trigger();  // the main menu's twin
  EXPECT_EQ(ui.Messages(), (std::vector<AnsiString>{kNothingSelected, kNothingSelected}));
  EXPECT_TRUE(ui.modalForms.empty());
}

// ---- copy to the PC

TEST_F(Commands, CopyToPcTakesTheSelectedHandheldFiles) {
  TempDir::Write(device / "x.mht", kBinary);
  TempDir::Write(device / "y.txt", "yy");
  std::filesystem::create_directory(device / "Dir");
  Start();
  form->SpeedButton12->click();
  SelectAll(form->StringGrid1);
  Answers({platform::mrYes, platform::mrYes});
  form->MenuItem1->trigger();
  EXPECT_EQ(ui.modalForms.size(), 2u);
  EXPECT_EQ(TempDir::Read(pc / "x.mht"), kBinary);
  EXPECT_EQ(TempDir::Read(pc / "y.txt"), "yy");
  EXPECT_FALSE(std::filesystem::exists(pc / "Dir"));
  EXPECT_NE(RowOf(form->StringGrid2, "x.mht"), -1);  // the PC pane was listed again
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Commands, CopyToPcDeclinedEverywhereSaysNothingWasChosen) {
  TempDir::Write(device / "x", "1");
  TempDir::Write(device / "y", "2");
  Start();
  form->SpeedButton12->click();
  SelectAll(form->StringGrid1);
  Answers({platform::mrNo, platform::mrCancel});
  form->MenuItem3->trigger();
  EXPECT_EQ(ui.Messages(), std::vector<AnsiString>{kNothingSelected});
  EXPECT_FALSE(std::filesystem::exists(pc / "x"));
}

TEST_F(Commands, CopyToPcUsesTheColumnOfTheLastPress) {
  TempDir::Write(device / "x", "1");
  Start();
  form->SpeedButton12->click();
  SelectAll(form->StringGrid1);
  RightClickCell(form->StringGrid1, 1, 2);  // the size column: no row counts there
  form->MenuItem1->trigger();
  EXPECT_EQ(ui.Messages(), std::vector<AnsiString>{kNothingSelected});
  EXPECT_TRUE(ui.modalForms.empty());
}

// ---- delete on the handheld

TEST_F(Commands, DeleteRemovesFilesAndEmptyFoldersOnly) {
  TempDir::Write(device / "f.txt", "1");
  std::filesystem::create_directory(device / "Empty");
  TempDir::Write(device / "Full" / "inner", "2");
  TempDir::Write(device / "keep.txt", "3");
  Start();
  form->SpeedButton12->click();
  SelectAll(form->StringGrid1);
  ui.modalAnswers.push_back([&] {
    EXPECT_EQ(potvrd->Label1->text(), QStringLiteral("Vymazať súbor?"));
    EXPECT_TRUE(potvrd->Label2->isHidden());
    EXPECT_TRUE(potvrd->Edit2->isHidden());
    return platform::mrYes;
  });
  // Rows in the handheld's order: Empty, Full, f.txt, keep.txt.
  Answers({platform::mrYes, platform::mrYes, platform::mrNo});
  form->MenuItem2->trigger();
  EXPECT_FALSE(std::filesystem::exists(device / "Empty"));
  EXPECT_TRUE(std::filesystem::exists(device / "Full" / "inner"));
  EXPECT_FALSE(std::filesystem::exists(device / "f.txt"));
  EXPECT_TRUE(std::filesystem::exists(device / "keep.txt"));
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(Column(form->StringGrid1, 0, 2), (std::vector<AnsiString>{"Full", "keep.txt"}));
}

TEST_F(Commands, DeleteWithEverythingDeclinedOrNothingSelected) {
  TempDir::Write(device / "f.txt", "1");
  Start();
  form->SpeedButton12->click();
  form->MenuItem2->trigger();
  SelectAll(form->StringGrid1);
  Answers({platform::mrNo});
  form->MenuItem4->trigger();
  EXPECT_EQ(ui.Messages(), (std::vector<AnsiString>{kNothingSelected, kNothingSelected}));
  EXPECT_TRUE(std::filesystem::exists(device / "f.txt"));
}

// ---- a new handheld folder

TEST_F(Commands, CreateFolderAsTypedThenShowsItAndGivesEdit1Back) {
  std::filesystem::create_directory(device / "Sub");
  Start("\\Sub\\");
  ui.modalAnswers.push_back([&] {
    EXPECT_EQ(potvrd->Label1->text(), QStringLiteral("Do editačného okna zadajte názov adresára"));
    EXPECT_TRUE(potvrd->Edit1->isHidden());
    EXPECT_FALSE(potvrd->Edit2->isHidden());
    EXPECT_EQ(potvrd->Edit2->text(), QStringLiteral("Nový adresár"));
    return platform::mrYes;
  });
  form->Vytvoradresr1->trigger();
  EXPECT_TRUE(std::filesystem::is_directory(device / "Sub" / "Nov\xC3\xBD adres\xC3\xA1r"));
  EXPECT_EQ(Column(form->StringGrid1, 0, 2), std::vector<AnsiString>{"Nov\xFD adres\xE1r"});
  EXPECT_FALSE(potvrd->Edit1->isHidden());
  ui.modalAnswers.push_back([&] {
    potvrd->Edit2->setText(QStringLiteral("Mapy"));
    return platform::mrNo;
  });
  form->Vytvoradresr2->trigger();
  EXPECT_FALSE(std::filesystem::exists(device / "Sub" / "Mapy"));
  EXPECT_TRUE(ui.shown.empty());
}

// A typed name is one name in the handheld's folder; a name that is no entry is refused.
TEST_F(Commands, TypedFolderNamesStayInTheirFolderOrAreRefused) {
  std::filesystem::create_directory(device / "Mapy");
  std::filesystem::create_directory(device / "Sub");
  Start();
  for (const char* typed : {"Mapy", "..\\escape", "Sub\\inner", "a\tb/c", "\\Sub\\x", "..", ""}) {
    ui.modalAnswers.push_back([&, typed] {
      potvrd->Edit2->setText(QString::fromLatin1(typed));
      return platform::mrYes;
    });
    form->Vytvoradresr1->trigger();
  }
  EXPECT_EQ(Column(form->StringGrid1, 0, 2),
            (std::vector<AnsiString>{".._escape", "Mapy", "Sub", "Sub_inner", "Sub_x", "a_b_c"}));
  EXPECT_FALSE(std::filesystem::exists(device.root().parent_path() / "escape"));
  EXPECT_TRUE(std::filesystem::is_empty(device / "Sub"));
  EXPECT_EQ(ui.Messages(), (std::vector<AnsiString>{"Neplatn\xFD n\xE1zov s\xFA"
                                                    "boru alebo adres\xE1ra: \"..\"",
                                                    "Neplatn\xFD n\xE1zov s\xFA"
                                                    "boru alebo adres\xE1ra: \"\""}));
}

// ---- open with the associated program

class OpenCommand : public FileManagerOpenTest {};

TEST_F(OpenCommand, OpensThePressedEntryByItsFullPath) {
  TempDir::Write(pc / "mapa.plt", "x");
  std::filesystem::create_directory(pc / "Dir");
  Start();
  form->Refre1->trigger();
  std::filesystem::current_path("/");  // the pane's folder is handed over, not the process's
  RightClickCell(form->StringGrid2, 0, RowOf(form->StringGrid2, "mapa.plt"));
  form->Vymazaniesboru1->trigger();
  RightClickCell(form->StringGrid2, 0, RowOf(form->StringGrid2, "Dir"));
  form->Vymazaniesboru2->trigger();
  EXPECT_EQ(opened, (std::vector<std::string>{(pc / "mapa.plt").string(), (pc / "Dir").string()}));
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(OpenCommand, ACellThatNamesNoFileFailsWithTheMessage) {
  TempDir::Write(pc / "mapa.plt", "x");
  Start();
  form->Refre1->trigger();
  RightClickCell(form->StringGrid2, 1, RowOf(form->StringGrid2, "mapa.plt"));  // its size
  form->Vymazaniesboru1->trigger();
  RightClickCell(form->StringGrid2, 0, 0);  // the header text
  form->Vymazaniesboru1->trigger();
  EXPECT_TRUE(opened.empty());
  ASSERT_EQ(ui.shown.size(), 2u);
  for (const auto& shown : ui.shown) {
    EXPECT_EQ(shown.text, "Couldn't execute the application");
    EXPECT_EQ(shown.caption, "Error");
    EXPECT_EQ(shown.icon, platform::MessageIcon::Exclamation);
  }
}

TEST_F(OpenCommand, TheDesktopOpenerFindingNoProgramIsReported) {
  platform::SetDocumentOpenerForTests(nullptr);
  TempDir bin;  // an opener that starts and then fails as xdg-open does with no program
  TempDir::Write(bin / "xdg-open", "#!/bin/sh\nexit 3\n");
  std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
  struct PathBack {
    std::string path = std::getenv("PATH");
    ~PathBack() { ::setenv("PATH", path.c_str(), 1); }
  } pathBack;
  ::setenv("PATH", (bin.path().string() + ":" + pathBack.path).c_str(), 1);
  TempDir::Write(pc / "mapa.xyz", "x");
  Start();
  form->Refre1->trigger();
  RightClickCell(form->StringGrid2, 0, RowOf(form->StringGrid2, "mapa.xyz"));
  form->Vymazaniesboru1->trigger();
  QTRY_COMPARE(ui.shown.size(), size_t{1});
  EXPECT_EQ(ui.shown[0].text, "Couldn't execute the application");
}

TEST_F(OpenCommand, APressBelowTheRowsOpensNothingAndSaysNothing) {
  Start();
  Click(form->StringGrid2, Qt::RightButton, BelowRows(form->StringGrid2));
  CloseMenus();
  form->Vymazaniesboru1->trigger();
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(ui.shown.empty());
}

// ---- the dialog itself

class Dialog : public FormTest {};

// A modal service that really runs the dialog's loop and does something in it.
class RunningUi : public platform::ModalUi {
 public:
  explicit RunningUi(std::function<void()> inside) : inside_(std::move(inside)) {
    platform::SetUi(this);
  }
  ~RunningUi() override { platform::SetUi(nullptr); }
  void ShowMessage(const AnsiString&) override {}
  void MessageBox(const AnsiString&, const AnsiString&, platform::MessageIcon) override {}
  bool OpenFile(AnsiString&, const AnsiString&, const AnsiString&) override { return false; }
  int ShowModal(std::string_view, const std::function<int()>& exec) override {
    QTimer::singleShot(0, inside_);
    return exec();
  }
  void SetCursor(platform::CursorShape) override {}

 private:
  std::function<void()> inside_;
};

TEST_F(Dialog, FormControlsAndTabOrder) {
  EXPECT_EQ(potvrd->windowTitle(), QStringLiteral("Súhlasíte?"));
  // Designer pixels, scaled to the font in use.
  const auto scaled = [](int x, int y, int w, int h) {
    using platform::Scaled;
    return QRect(Scaled(x), Scaled(y), Scaled(w), Scaled(h));
  };
  EXPECT_EQ(potvrd->size(), scaled(0, 0, 413, 213).size());
  EXPECT_EQ(potvrd->Edit1->geometry(), scaled(16, 48, 369, 21));
  EXPECT_TRUE(potvrd->Edit1->isReadOnly());
  EXPECT_EQ(potvrd->Edit2->geometry(), scaled(16, 104, 369, 21));
  EXPECT_FALSE(potvrd->Edit2->isReadOnly());
  EXPECT_EQ(potvrd->BitBtn1->geometry(), scaled(88, 136, 75, 25));
  EXPECT_EQ(potvrd->BitBtn2->geometry(), scaled(224, 136, 75, 25));
  EXPECT_EQ(potvrd->CheckBox1->text(), QStringLiteral("Už sa nepýtaj"));
  EXPECT_TRUE(potvrd->BitBtn1->isDefault());
  // Tab order: the controls Tab stops at, from Edit1 on.
  std::vector<QWidget*> stops;
  QWidget* w = potvrd->Edit1;
  do {
    if (w->focusPolicy() & Qt::TabFocus) stops.push_back(w);
    w = w->nextInFocusChain();
  } while (w != potvrd->Edit1 && stops.size() < 10);
  EXPECT_EQ(stops, (std::vector<QWidget*>{potvrd->Edit1, potvrd->Edit2, potvrd->BitBtn1,
                                          potvrd->BitBtn2, potvrd->CheckBox1}));
  EXPECT_FALSE(potvrd->isVisible());
}

TEST_F(Dialog, ButtonsKeysAndTheFrameGiveYesNoCancel) {
  struct Case {
    std::function<void()> act;
    int result;
  };
  const Case cases[] = {
      {[this] { potvrd->BitBtn1->click(); }, platform::mrYes},
      {[this] { potvrd->BitBtn2->click(); }, platform::mrNo},
      {[this] { QTest::keyClick(potvrd->Edit2, Qt::Key_Return); }, platform::mrYes},
      {[this] { QTest::keyClick(potvrd->Edit2, Qt::Key_Escape); }, platform::mrNo},
      {[this] { potvrd->close(); }, platform::mrCancel},
  };
  for (const Case& c : cases) {
    RunningUi running([&] {
      potvrd->Edit2->setFocus();
      c.act();
    });
    EXPECT_EQ(potvrd->ShowModal(), c.result);
    EXPECT_FALSE(potvrd->isVisible());
  }
}

}  // namespace
