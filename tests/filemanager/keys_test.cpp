// The file manager from the keyboard: what the mouse does, at the current cell.
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "filemanager/panes.h"
#include "fm_fixture.h"
#include "platform/shellopen.h"

namespace {

class Keys : public FileManagerOpenTest {
 protected:
  static void Key(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(widget, static_cast<Qt::Key>(key), modifiers);
  }
  // The arrows move the current cell, as a user does; Home is the first row.
  static void GoTo(TStringGrid* grid, int row) {
    grid->setFocus();
    grid->setCurrentIndex(grid->Cells()->index(1, 0));
    for (int r = 1; r < row; ++r) Key(grid, Qt::Key_Down);
  }
  static std::vector<QAction*> Shown(QMenu* menu) {
    std::vector<QAction*> shown;
    for (QAction* action : menu->actions())
      if (action->isVisible()) shown.push_back(action);
    return shown;
  }
};

TEST_F(Keys, EnterOpensF5ListsAgainDeleteAsksFirst) {
  TempDir::Write(device / "Data" / "x.plt", "x");
  TempDir::Write(device / "old.txt", "o");
  std::filesystem::create_directory(pc / "Sub");
  TempDir::Write(pc / "søren.txt", "s");
  Start();
  QApplication::setActiveWindow(form.get());
  form->SpeedButton12->click();
  TStringGrid* hh = form->StringGrid1;
  GoTo(hh, RowOf(hh, "Data"));
  Key(hh, Qt::Key_Return);
  EXPECT_EQ(DeviceDir, "\\Data\\");
  EXPECT_NE(RowOf(hh, "x.plt"), -1);
  GoTo(hh, 1);
  Key(hh, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(DeviceDir, "\\");

  TempDir::Write(device / "new.txt", "n");
  Key(hh, Qt::Key_F5);
  ASSERT_NE(RowOf(hh, "new.txt"), -1);
  GoTo(hh, RowOf(hh, "old.txt"));
  ui.modalAnswers.push_back([] { return platform::mrNo; });
  Key(hh, Qt::Key_Delete);
  EXPECT_EQ(ui.Messages(), (std::vector<AnsiString>{kNothingSelected}));
  ui.shown.clear();
  GoTo(hh, RowOf(hh, "old.txt"));  // the listing that followed dropped the selection
  ui.modalAnswers.push_back([] { return platform::mrYes; });
  Key(hh, Qt::Key_Delete);
  EXPECT_EQ(ui.modalForms, (std::vector<std::string>{"TPotvrd", "TPotvrd"}));
  EXPECT_FALSE(std::filesystem::exists(device / "old.txt"));

  TStringGrid* g = form->StringGrid2;
  GoTo(g, RowOf(g, "Sub"));
  Key(g, Qt::Key_Return);
  EXPECT_EQ(form->DirectoryListBox1->Directory(), PcText(pc / "Sub"));
  GoTo(g, 1);
  Key(g, Qt::Key_Return);
  EXPECT_EQ(form->DirectoryListBox1->Directory(), PcText());
  TempDir::Write(pc / "later.txt", "l");
  Key(g, Qt::Key_F5);
  EXPECT_NE(RowOf(g, "later.txt"), -1);
  GoTo(g, RowOf(g, "s?ren.txt"));
  Key(g, Qt::Key_Right);  // any cell of the row opens its file
  Key(g, Qt::Key_Return);
  EXPECT_EQ(opened, (std::vector<std::string>{(pc / "søren.txt").string()}));

  // The folder list enters the folder under its cursor too.
  QListWidget* folders = form->DirectoryListBox1;
  folders->setCurrentRow(folders->count() - 1);  // "Sub", the only folder below
  Key(folders, Qt::Key_Return);
  EXPECT_EQ(form->DirectoryListBox1->Directory(), PcText(pc / "Sub"));
  EXPECT_TRUE(ui.shown.empty());
}

// The context-menu key and Shift+F10 open the pane's menu; on the up entry and an empty card the
// handheld's offers what applies there, as the mouse's does on the empty area.
TEST_F(Keys, MenuKeysAndTheHandheldMenuWithoutAnEntry) {
  Start();
  QApplication::setActiveWindow(form.get());
  form->SpeedButton12->click();  // an empty card
  TStringGrid* hh = form->StringGrid1;
  Click(hh, Qt::RightButton, BelowRows(hh));
  ASSERT_TRUE(form->PDAPopupMenu2->isVisible());
  EXPECT_EQ(Shown(form->PDAPopupMenu2), (std::vector<QAction*>{form->Vytvoradresr1, form->Refre2}));
  CloseMenus();
  ui.modalAnswers.push_back([] { return platform::mrYes; });
  form->Vytvoradresr1->trigger();  // the first folder
  ASSERT_TRUE(std::filesystem::is_directory(device / "Nový adresár"));

  GoTo(hh, 1);
  Key(hh, Qt::Key_F10, Qt::ShiftModifier);
  ASSERT_TRUE(form->PDAPopupMenu2->isVisible());
  EXPECT_EQ(Shown(form->PDAPopupMenu2), (std::vector<QAction*>{form->Vytvoradresr1, form->Refre2}));
  CloseMenus();
  GoTo(hh, 2);
  Key(hh, Qt::Key_Menu);
  ASSERT_TRUE(form->PDAPopupMenu2->isVisible());
  EXPECT_EQ(Shown(form->PDAPopupMenu2), (std::vector<QAction*>{form->MenuItem1, form->MenuItem2,
                                                               form->Vytvoradresr1, form->Refre2}));
  EXPECT_EQ(DeviceGridRow, 2);
  CloseMenus();
  Key(form->StringGrid2, Qt::Key_Menu);
  EXPECT_TRUE(form->PopupMenu1->isVisible());
  CloseMenus();
}

}  // namespace
