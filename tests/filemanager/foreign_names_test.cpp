// Names that code page 1250 cannot hold, through the real window: shown whole, kept with their
// rows, copied both ways, renamed in the dialog, deleted and made on the handheld.
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "filemanager/SuhlasCopyU.h"
#include "fm_fixture.h"

namespace {

// Danish, Polish, Cyrillic, Japanese. Each file holds its own name, and no two names have the
// same length: a name that went to another row's cells or file shows.
const std::vector<std::string> kNames = {"søren.txt", "Łódź.gpx", "Мапа.wpt", "東京都.mht"};

class ForeignNames : public FileManagerTest {
 protected:
  static void SelectEntries(TStringGrid* grid) {
    ClickCell(grid, 0, 2);
    ClickCell(grid, 0, grid->RowCount() - 1, Qt::ShiftModifier);
  }
  static int RowShowing(TStringGrid* grid, const std::string& utf8) {
    for (int row = 1; row < grid->RowCount(); ++row)
      if (grid->Text(0, row) == QString::fromStdString(utf8)) return row;
    return -1;
  }
  void Yes(int times) {
    for (int i = 0; i < times; ++i) ui.modalAnswers.push_back([] { return platform::mrYes; });
  }
};

TEST_F(ForeignNames, CopiedBothWaysUnderTheirOwnNamesAndRenamedInTheDialog) {
  for (const std::string& name : kNames) TempDir::Write(pc / name, name);
  Start();
  form->Refre1->trigger();
  TStringGrid* g = form->StringGrid2;
  ClickCell(g, 0, 0);  // ordered by the 8-bit cells: the rows move, each with its name
  ASSERT_EQ(g->RowCount(), 6);
  EXPECT_EQ(g->Cell(0, RowShowing(g, "søren.txt")), "s?ren.txt");
  for (const std::string& name : kNames)
    EXPECT_EQ(g->Cell(1, RowShowing(g, name)), std::to_string(name.size())) << name;

  SelectEntries(g);
  std::vector<QString> asked;
  for (int i = 0; i < 4; ++i) {
    ui.modalAnswers.push_back([&] {
      asked.push_back(potvrd->Edit1->text());
      if (asked.back().endsWith(QStringLiteral("/Мапа.wpt")))
        potvrd->Edit2->setText(QStringLiteral("\\Карта.wpt"));
      return platform::mrYes;
    });
  }
  form->KopirovaniesborudoPDA1->trigger();
  ASSERT_EQ(asked.size(), 4u);
  EXPECT_NE(
      std::find(asked.begin(), asked.end(), QString::fromStdString((pc / "東京都.mht").string())),
      asked.end());
  EXPECT_TRUE(ui.shown.empty()) << ui.shown.front().text;
  EXPECT_EQ(TempDir::Names(device.root()),
            (std::vector<std::string>{"søren.txt", "Łódź.gpx", "Карта.wpt", "東京都.mht"}));
  EXPECT_EQ(TempDir::Read(device / "Карта.wpt"), "Мапа.wpt");
  for (const char* name : {"søren.txt", "Łódź.gpx", "東京都.mht"})
    EXPECT_EQ(TempDir::Read(device / name), name);

  for (const std::string& name : kNames) std::filesystem::remove(pc / name);
  SelectEntries(form->StringGrid1);
  Yes(4);
  form->MenuItem1->trigger();
  EXPECT_TRUE(ui.shown.empty()) << ui.shown.front().text;
  EXPECT_EQ(TempDir::Read(pc / "Карта.wpt"), "Мапа.wpt");
  for (const char* name : {"søren.txt", "Łódź.gpx", "東京都.mht"})
    EXPECT_EQ(TempDir::Read(pc / name), name);
  EXPECT_NE(RowShowing(g, "東京都.mht"), -1);
}

TEST_F(ForeignNames, DeletedAndMadeOnTheHandheld) {
  for (const std::string& name : kNames) TempDir::Write(device / name, name);
  Start();
  form->SpeedButton12->click();
  EXPECT_GT(RowShowing(form->StringGrid1, "Мапа.wpt"), 1);
  SelectEntries(form->StringGrid1);
  Yes(4);
  form->MenuItem2->trigger();
  EXPECT_TRUE(TempDir::Names(device.root()).empty());

  ui.modalAnswers.push_back([&] {
    potvrd->Edit2->setText(QStringLiteral("Данные 東京"));
    return platform::mrYes;
  });
  form->Vytvoradresr1->trigger();
  EXPECT_EQ(TempDir::Names(device.root()), (std::vector<std::string>{"Данные 東京"}));
  EXPECT_GT(RowShowing(form->StringGrid1, "Данные 東京"), 1);
  EXPECT_TRUE(ui.shown.empty());
}

}  // namespace
