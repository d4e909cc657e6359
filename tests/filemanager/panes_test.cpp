// The two listings, selection and navigation on the real window.
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <ctime>
#include <regex>

#include "filemanager/panes.h"
#include "fm_fixture.h"

namespace {

class Panes : public FileManagerTest {
 protected:
  void FillPc() {
    TempDir::Write(pc / "a.txt", "12345");
    TempDir::Write(pc / ".hidden", "xy");
    std::filesystem::create_directory(pc / "Sub");
    TempDir::Write(pc / "Sub" / "inner.txt", "i");
  }
  void FillDevice() {
    TempDir::Write(device / "a.mht", "123");
    TempDir::Write(device / "Ke\xC5\xA1ky.txt", "1234567");  // UTF-8 on disk
    std::filesystem::create_directories(device / "Data" / "Deep");
    TempDir::Write(device / "Data" / "x.plt", "x");
  }
  AnsiString Bar(TStatusBar* bar, int panel) { return bar->PanelText(panel); }
};

bool IsDateText(const AnsiString& text) {
  static const std::regex date(R"(\d{4}\.\d{2}\.\d{2} \d{2}:\d{2}:\d{2})");
  return std::regex_match(text, date);
}

// ---- PC listing

TEST_F(Panes, PcListingStartsWithTheUpEntryAndCountsIt) {
  FillPc();
  Start();
  TStringGrid* g = form->StringGrid2;
  ASSERT_EQ(g->RowCount(), 5);  // header, "..", three entries
  EXPECT_EQ(g->Cell(0, 1), "..");
  EXPECT_EQ(g->Cell(1, 1), "<DIR>");
  EXPECT_EQ(g->Cell(2, 1), "");  // activation writes the up entry over the first listing
  EXPECT_EQ(g->Cell(1, RowOf(g, "a.txt")), "5");
  EXPECT_EQ(g->Cell(1, RowOf(g, ".hidden")), "2");
  EXPECT_EQ(g->Cell(1, RowOf(g, "Sub")), "<DIR>");
  EXPECT_EQ(Bar(form->StatusBar4, 0), "Adres\xE1rov:2");
  EXPECT_EQ(Bar(form->StatusBar4, 1),
            "S\xFA"
            "borov:2");
  EXPECT_EQ(Bar(form->StatusBar4, 2), "Po\xE8.bytov:7");
  EXPECT_EQ(Bar(form->StatusBar5, 0), PcText());
  EXPECT_EQ(g->Cell(3, 0), "Attr");  // kept in the header, not shown
  EXPECT_TRUE(g->isColumnHidden(3));
  form->Refre1->trigger();
  EXPECT_EQ(g->Cell(0, 1), "..");
  EXPECT_TRUE(IsDateText(g->Cell(2, 1)));  // a real entry of the search, with its date
}

TEST_F(Panes, EmptyPcFolderShowsOnlyTheUpEntry) {
  Start();
  EXPECT_EQ(form->StringGrid2->RowCount(), 2);
  EXPECT_EQ(form->StringGrid2->Cell(0, 1), "..");
  EXPECT_EQ(Bar(form->StatusBar4, 0), "Adres\xE1rov:1");
  EXPECT_EQ(Bar(form->StatusBar4, 1),
            "S\xFA"
            "borov:0");
}

TEST_F(Panes, VanishedPcFolderShowsNothingOfItsOldRows) {
  FillPc();
  Start();
  std::filesystem::remove_all(pc.path());
  form->StatusBar5->SetPanelText(0, "kept");
  form->Refre1->trigger();
  ASSERT_EQ(form->StringGrid2->RowCount(), 2);
  EXPECT_EQ(form->StringGrid2->Cell(0, 1), "..");
  EXPECT_EQ(form->StringGrid2->Cell(1, 1), "<DIR>");
  EXPECT_EQ(Bar(form->StatusBar4, 0), "Adres\xE1rov:0");
  EXPECT_EQ(Bar(form->StatusBar4, 1),
            "S\xFA"
            "borov:0");
  EXPECT_EQ(Bar(form->StatusBar4, 2), "Po\xE8.bytov:0");
  EXPECT_EQ(Bar(form->StatusBar5, 0), "kept");  // a refresh leaves the panel alone
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Panes, LongPcPathsAndNonAsciiNames) {
  std::filesystem::path deep = pc.path();
  for (int i = 0; i < 3; ++i)
    deep /= "adres\xC3\xA1r s dlh\xC3\xBDm n\xC3\xA1zvom " + std::to_string(i);
  std::filesystem::create_directories(deep);
  TempDir::Write(deep /
                     "\xC4\x8D"
                     "ierna.txt",
                 "abc");
  Start();
  form->DirectoryListBox1->SetDirectory(PcText(deep));
  ASSERT_GT(PcText(deep).size(), 80u);
  EXPECT_EQ(Bar(form->StatusBar5, 0), PcText(deep));
  ASSERT_EQ(form->StringGrid2->RowCount(), 3);
  EXPECT_EQ(form->StringGrid2->Cell(0, 2), "\xE8ierna.txt");
}

// ---- handheld listing

TEST_F(Panes, HandheldListingFillsRowsFromTwoAndEnablesThePush) {
  FillDevice();
  Start();
  form->CheckBox1->setEnabled(false);
  form->SpeedButton12->click();
  TStringGrid* g = form->StringGrid1;
  ASSERT_EQ(g->RowCount(), 5);
  // In the handheld's own order.
  EXPECT_EQ(Column(g, 0), (std::vector<AnsiString>{"..", "Data", "Ke\x9Aky.txt", "a.mht"}));
  EXPECT_EQ(g->Cell(1, 1), "<DIR>");  // the up entry is the window's own
  EXPECT_EQ(g->Cell(3, 1), "");
  const int data = RowOf(g, "Data");
  EXPECT_EQ(g->Cell(1, data), "<DIR>");
  EXPECT_EQ(g->Cell(3, data), "16");
  EXPECT_TRUE(IsDateText(g->Cell(2, data)));
  EXPECT_EQ(g->Cell(1, RowOf(g, "Ke\x9Aky.txt")), "7");
  EXPECT_EQ(g->Cell(3, RowOf(g, "a.mht")), "32");
  EXPECT_EQ(Bar(form->StatusBar2, 0), "Adres\xE1rov:1");  // ".." is not counted here
  EXPECT_EQ(Bar(form->StatusBar2, 1),
            "S\xFA"
            "borov:2");
  EXPECT_EQ(Bar(form->StatusBar2, 2), "Po\xE8.bytov:10");
  EXPECT_TRUE(std::regex_match(Bar(form->StatusBar3, 1), std::regex(R"(\d+msec)")));
  EXPECT_TRUE(form->CheckBox1->isEnabled());
  EXPECT_EQ(ui.cursors.back(), platform::CursorShape::Default);
}

TEST_F(Panes, HandheldDatesAreTheStoredTimesWithoutTimeZoneShift) {
  TempDir::Write(device / "f.txt", "");
  ::setenv("TZ", "XYZ-5", 1);
  ::tzset();
  Start();
  form->SpeedButton12->click();
  ::unsetenv("TZ");
  ::tzset();
  std::tm shown{};
  ASSERT_TRUE(strptime(form->StringGrid1->Cell(2, 2).c_str(), "%Y.%m.%d %H:%M:%S", &shown));
  const std::time_t asUtc = timegm(&shown);
  EXPECT_LT(std::abs(std::difftime(std::time(nullptr), asUtc)), 120.0);
}

TEST_F(Panes, EmptyHandheldFolderHasTwoRowsAndZeroCounts) {
  std::filesystem::create_directory(device / "Empty");
  Start("\\Empty\\");
  form->Refre2->trigger();
  EXPECT_EQ(form->StringGrid1->RowCount(), 2);
  EXPECT_EQ(Bar(form->StatusBar2, 0), "Adres\xE1rov:0");
  EXPECT_EQ(Bar(form->StatusBar2, 1),
            "S\xFA"
            "borov:0");
  EXPECT_EQ(Bar(form->StatusBar2, 2), "Po\xE8.bytov:0");
  EXPECT_FALSE(Bar(form->StatusBar3, 1).empty());
}

TEST_F(Panes, NoHandheldLeavesRowsZeroAndOneAndDisablesThePush) {
  FillDevice();
  Start();
  form->SpeedButton12->click();
  const AnsiString counts = Bar(form->StatusBar2, 1);
  device.Unplug();
  form->SpeedButton12->click();
  EXPECT_EQ(form->StringGrid1->RowCount(), 2);
  EXPECT_EQ(form->StringGrid1->Cell(0, 1), "..");
  EXPECT_FALSE(form->CheckBox1->isEnabled());
  EXPECT_EQ(Bar(form->StatusBar2, 1), counts);
  EXPECT_TRUE(ui.shown.empty());
  // On what is left the handheld menu offers nothing that needs an entry.
  Click(form->StringGrid1, Qt::RightButton, CellPoint(form->StringGrid1, 0, 1));
  EXPECT_TRUE(form->PDAPopupMenu2->isVisible());
  EXPECT_FALSE(form->MenuItem1->isVisible());
  EXPECT_FALSE(form->MenuItem2->isVisible());
  CloseMenus();
}

// ---- navigation

TEST_F(Panes, HandheldNavigationDownAndUpToTheRoot) {
  FillDevice();
  Start();
  form->SpeedButton12->click();
  DoubleClickCell(form->StringGrid1, 0, RowOf(form->StringGrid1, "Data"));
  EXPECT_EQ(DeviceDir, "\\Data\\");
  EXPECT_EQ(Bar(form->StatusBar3, 0), "\\Data\\");
  EXPECT_EQ(Column(form->StringGrid1, 0, 2), (std::vector<AnsiString>{"Deep", "x.plt"}));
  DoubleClickCell(form->StringGrid1, 0, RowOf(form->StringGrid1, "Deep"));
  EXPECT_EQ(DeviceDir, "\\Data\\Deep\\");
  EXPECT_EQ(form->StringGrid1->RowCount(), 2);
  DoubleClickCell(form->StringGrid1, 2, 1);  // any column of the up entry
  EXPECT_EQ(DeviceDir, "\\Data\\");
  DoubleClickCell(form->StringGrid1, 0, 1);
  EXPECT_EQ(DeviceDir, "\\");
  EXPECT_EQ(Bar(form->StatusBar3, 0), "\\");
  // At the root the up entry stays at the root and lists it again.
  form->StatusBar3->SetPanelText(1, "");
  DoubleClickCell(form->StringGrid1, 0, 1);
  EXPECT_EQ(DeviceDir, "\\");
  EXPECT_FALSE(Bar(form->StatusBar3, 1).empty());
  EXPECT_EQ(form->StringGrid1->RowCount(), 5);
}

TEST_F(Panes, AStoredFolderWithoutTheRootLiesBelowItAndLeadsBackToIt) {
  FillDevice();
  Start("Data");  // as an old settings file may hold it
  EXPECT_EQ(DeviceDir, "\\Data\\");
  EXPECT_EQ(Bar(form->StatusBar3, 0), "\\Data\\");
  form->SpeedButton12->click();
  EXPECT_EQ(Column(form->StringGrid1, 0, 2), (std::vector<AnsiString>{"Deep", "x.plt"}));
  DoubleClickCell(form->StringGrid1, 0, 1);
  EXPECT_EQ(DeviceDir, "\\");
  EXPECT_EQ(Bar(form->StatusBar3, 0), "\\");
  EXPECT_EQ(form->StringGrid1->RowCount(), 5);
}

TEST_F(Panes, HandheldDoubleClicksOnFilesHeaderAndEmptyAreaDoNothing) {
  FillDevice();
  Start();
  form->SpeedButton12->click();
  form->StatusBar3->SetPanelText(1, "untouched");
  DoubleClickCell(form->StringGrid1, 0, RowOf(form->StringGrid1, "a.mht"));
  DoubleClickCell(form->StringGrid1, 3, 0);  // "Attr" reads as 0
  DoubleClick(form->StringGrid1, BelowRows(form->StringGrid1));
  EXPECT_EQ(DeviceGridRow, -1);
  EXPECT_EQ(DeviceDir, "\\");
  EXPECT_EQ(Bar(form->StatusBar3, 1), "untouched");
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Panes, HandheldDirectoryKeepsItsNewPathWhenNoHandheldAnswers) {
  FillDevice();
  Start();
  form->SpeedButton12->click();
  device.Unplug();
  DoubleClickCell(form->StringGrid1, 0, RowOf(form->StringGrid1, "Data"));
  EXPECT_EQ(DeviceDir, "\\Data\\");
  EXPECT_EQ(Bar(form->StatusBar3, 0), "\\Data\\");
  EXPECT_EQ(form->StringGrid1->RowCount(), 2);
}

TEST_F(Panes, PcNavigationDownAndUpMovesTheCurrentFolderToo) {
  FillPc();
  Start();
  const auto sub = pc.path() / "Sub";
  DoubleClickCell(form->StringGrid2, 0, RowOf(form->StringGrid2, "Sub"));
  EXPECT_EQ(form->DirectoryListBox1->Directory(), PcText(sub));
  EXPECT_EQ(Bar(form->StatusBar5, 0), PcText(sub));
  EXPECT_EQ(std::filesystem::current_path(), sub);
  EXPECT_EQ(Column(form->StringGrid2, 0), (std::vector<AnsiString>{"..", "inner.txt"}));
  DoubleClickCell(form->StringGrid2, 0, 1);
  EXPECT_EQ(Bar(form->StatusBar5, 0), PcText());
  EXPECT_EQ(std::filesystem::current_path(), pc.path());
  EXPECT_EQ(form->StringGrid2->RowCount(), 5);
}

TEST_F(Panes, PcDoubleClicksOnFilesAndEmptyAreaDoNothing) {
  FillPc();
  Start();
  DoubleClickCell(form->StringGrid2, 0, RowOf(form->StringGrid2, "a.txt"));
  DoubleClick(form->StringGrid2, BelowRows(form->StringGrid2));
  EXPECT_EQ(PcGridRow, -1);
  EXPECT_EQ(Bar(form->StatusBar5, 0), PcText());
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Panes, PcFolderThatCannotBeEnteredReportsAndChangesNothing) {
  FillPc();
  Start();
  std::filesystem::remove_all(pc.path() / "Sub");
  DoubleClickCell(form->StringGrid2, 0, RowOf(form->StringGrid2, "Sub"));
  ASSERT_EQ(ui.Messages().size(), 1u);
  EXPECT_EQ(ui.Messages()[0], "I/O error 2");
  EXPECT_EQ(Bar(form->StatusBar5, 0), PcText());
  EXPECT_EQ(form->DirectoryListBox1->Directory(), PcText());
  EXPECT_EQ(std::filesystem::current_path(), pc.path());
  EXPECT_EQ(form->StringGrid2->RowCount(), 5);
}

TEST_F(Panes, PcRootListsItsUpEntryAndStaysOnIt) {
  Start();
  form->DirectoryListBox1->SetDirectory("/");
  EXPECT_EQ(form->StringGrid2->Cell(0, 1), "..");
  DoubleClickCell(form->StringGrid2, 0, 1);  // "/" + "/" + ".." is the root again
  EXPECT_EQ(form->DirectoryListBox1->Directory(), "/");
  EXPECT_TRUE(ui.shown.empty());
}

// ---- presses, menus and the selected rows

TEST_F(Panes, PressesRecordTheCellOrMinusOne) {
  FillPc();
  Start();
  EXPECT_EQ(PcGridCol, 0);
  EXPECT_EQ(PcGridRow, 0);
  Click(form->StringGrid2, Qt::MiddleButton, CellPoint(form->StringGrid2, 2, 3));
  EXPECT_EQ(PcGridCol, 2);
  EXPECT_EQ(PcGridRow, 3);
  Click(form->StringGrid2, Qt::LeftButton, BelowRows(form->StringGrid2));
  EXPECT_EQ(PcGridCol, -1);
  EXPECT_EQ(PcGridRow, -1);
}

TEST_F(Panes, HandheldMenuOffersTheEntryCommandsOnlyOnEntryRows) {
  FillDevice();
  Start();
  form->SpeedButton12->click();
  TStringGrid* g = form->StringGrid1;
  Click(g, Qt::RightButton, CellPoint(g, 0, 0));  // the header orders instead
  EXPECT_FALSE(form->PDAPopupMenu2->isVisible());
  for (QPoint at : {CellPoint(g, 1, 1), BelowRows(g)}) {
    Click(g, Qt::RightButton, at);
    EXPECT_TRUE(form->PDAPopupMenu2->isVisible());
    EXPECT_FALSE(form->MenuItem1->isVisible());
    EXPECT_FALSE(form->MenuItem2->isVisible());
    CloseMenus();
  }
  Click(g, Qt::RightButton, CellPoint(g, 1, 3));
  EXPECT_TRUE(form->PDAPopupMenu2->isVisible());
  EXPECT_TRUE(form->MenuItem1->isVisible());
  EXPECT_EQ(DeviceGridCol, 1);
  EXPECT_EQ(DeviceGridRow, 3);
  CloseMenus();
}

TEST_F(Panes, PcMenuOnEveryRowHeaderAndEmptyAreaIncluded) {
  Start();
  TStringGrid* g = form->StringGrid2;
  Click(g, Qt::RightButton, CellPoint(g, 1, 0));
  EXPECT_TRUE(form->PopupMenu1->isVisible());
  EXPECT_EQ(PcGridRow, 0);
  CloseMenus();
  Click(g, Qt::RightButton, BelowRows(g));
  EXPECT_TRUE(form->PopupMenu1->isVisible());
  EXPECT_EQ(PcGridRow, -1);
  CloseMenus();
  EXPECT_EQ(form->PopupMenu1->actions(),
            (QList<QAction*>{form->KopirovaniesborudoPDA1, form->Vymazaniesboru1, form->Refre1}));
  EXPECT_EQ(form->PDAPopupMenu2->actions(),
            (QList<QAction*>{form->MenuItem1, form->MenuItem2, form->Vytvoradresr1, form->Refre2}));
}

TEST_F(Panes, InitialSelectionIsTheNameOfTheUpEntry) {
  FillPc();
  Start();
  for (TStringGrid* g : {form->StringGrid1, form->StringGrid2}) {
    EXPECT_TRUE(IsCellSelected(g, 0, 1));
    EXPECT_FALSE(IsCellSelected(g, 1, 1));
    EXPECT_TRUE(SelectedRows(g, 0).empty());
  }
}

TEST_F(Panes, ARangeFromTheUpEntryCountsItsEntryRowsInBothGrids) {
  for (int i = 0; i < 6; ++i) {
    TempDir::Write(pc / ("p" + std::to_string(i)), "");
    TempDir::Write(device / ("d" + std::to_string(i)), "");
  }
  Start();
  form->SpeedButton12->click();
  for (TStringGrid* g : {form->StringGrid2, form->StringGrid1}) {
    ClickCell(g, 0, 1);
    ClickCell(g, 0, 5, Qt::ShiftModifier);
    EXPECT_EQ(SelectedRows(g, 0), (std::vector<int>{2, 3, 4, 5}));
  }
  EXPECT_EQ(DeviceGridCol, 0);
  EXPECT_EQ(SelectedRows(form->StringGrid1, DeviceGridCol), (std::vector<int>{2, 3, 4, 5}));
}

TEST_F(Panes, RightPressOnAnotherColumnChangesTheHandheldRuleOnly) {
  for (int i = 0; i < 4; ++i) {
    TempDir::Write(pc / ("p" + std::to_string(i)), "");
    TempDir::Write(device / ("d" + std::to_string(i)), "");
  }
  Start();
  form->SpeedButton12->click();
  for (TStringGrid* g : {form->StringGrid2, form->StringGrid1}) {
    ClickCell(g, 0, 2);
    ClickCell(g, 0, 4, Qt::ShiftModifier);
    RightClickCell(g, 1, 3);            // the size column of a selected row
    EXPECT_EQ(g->Selection().Left, 0);  // a right press leaves the selection alone
    EXPECT_EQ(g->Selection().Bottom, 4);
  }
  EXPECT_EQ(DeviceGridCol, 1);
  EXPECT_TRUE(SelectedRows(form->StringGrid1, DeviceGridCol).empty());
  EXPECT_EQ(SelectedRows(form->StringGrid2, 0), (std::vector<int>{2, 3, 4}));
}

TEST_F(Panes, ASelectionAcrossColumnsCountsWhereverTheRightPressWas) {
  for (int i = 0; i < 4; ++i) TempDir::Write(device / ("d" + std::to_string(i)), "");
  Start();
  form->SpeedButton12->click();
  TStringGrid* g = form->StringGrid1;
  ClickCell(g, 0, 2);
  ClickCell(g, 2, 4, Qt::ShiftModifier);
  for (int col : {0, 1, 2}) {
    RightClickCell(g, col, 3);
    EXPECT_EQ(SelectedRows(g, DeviceGridCol), (std::vector<int>{2, 3, 4})) << col;
  }
}

TEST_F(Panes, HeaderRowIsNeverSelected) {
  for (int i = 0; i < 3; ++i) TempDir::Write(pc / ("p" + std::to_string(i)), "");
  Start();
  TStringGrid* g = form->StringGrid2;
  ClickCell(g, 0, 3);
  ClickCell(g, 1, 0);  // a press on the header leaves the selection
  EXPECT_TRUE(IsCellSelected(g, 0, 3));
  ClickCell(g, 0, 1);
  QTest::keyClick(g, Qt::Key_Up, Qt::ShiftModifier);
  QTest::keyClick(g, Qt::Key_Up);
  EXPECT_EQ(g->currentIndex().row(), 1);
  EXPECT_FALSE(IsCellSelected(g, 0, 0));
}

TEST_F(Panes, ANewHandheldListingLeavesNoEntryRowSelected) {
  for (int i = 0; i < 4; ++i) TempDir::Write(device / ("d" + std::to_string(i)), "");
  Start();
  form->SpeedButton12->click();
  ClickCell(form->StringGrid1, 0, 3);
  ClickCell(form->StringGrid1, 0, 5, Qt::ShiftModifier);
  form->Refre2->trigger();
  EXPECT_TRUE(SelectedRows(form->StringGrid1, 0).empty());
  EXPECT_TRUE(IsCellSelected(form->StringGrid1, 0, 1));
}

TEST_F(Panes, PcRelistingCollapsesTheSelectionOnlyWhenTheRowCountChanges) {
  for (int i = 0; i < 5; ++i) TempDir::Write(pc / ("p" + std::to_string(i)), "");
  Start();
  TStringGrid* g = form->StringGrid2;
  ClickCell(g, 0, 2);
  ClickCell(g, 0, 4, Qt::ShiftModifier);
  form->Refre1->trigger();  // same rows: the rectangle stays
  EXPECT_EQ(SelectedRows(g, 0), (std::vector<int>{2, 3, 4}));
  std::filesystem::remove(pc / "p0");
  std::filesystem::remove(pc / "p1");
  std::filesystem::remove(pc / "p2");
  form->Refre1->trigger();  // 4 rows: collapsed to the current cell (row 4), moved up to row 3
  EXPECT_EQ(SelectedRows(g, 0), (std::vector<int>{3}));
  EXPECT_EQ(g->Selection().Top, g->Selection().Bottom);
}

TEST_F(Panes, ColumnResizeOnTheHeaderRecordsNothingAndDoesNotOrder) {
  for (int i = 0; i < 3; ++i) TempDir::Write(pc / ("p" + std::to_string(i)), "");
  Start();
  TStringGrid* g = form->StringGrid2;
  Click(g, Qt::LeftButton, CellPoint(g, 0, 0));  // orders by name, records (0, 0)
  ASSERT_EQ(PcNameOrder, 1);
  ClickCell(g, 1, 2);
  const int border = g->columnWidth(0);
  const int y = CellPoint(g, 0, 0).y();
  QTest::mousePress(g->viewport(), Qt::LeftButton, {}, QPoint(border, y));
  QMouseEvent move(QEvent::MouseMove, QPointF(border + 40, y),
                   g->viewport()->mapToGlobal(QPointF(border + 40, y)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(g->viewport(), &move);
  QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, QPoint(border + 40, y));
  EXPECT_EQ(g->columnWidth(0), border + 40);
  EXPECT_EQ(PcGridCol, 1);
  EXPECT_EQ(PcGridRow, 2);
  EXPECT_EQ(PcNameOrder, 1);
  EXPECT_TRUE(IsCellSelected(g, 1, 2));
}

}  // namespace
