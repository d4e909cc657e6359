// Header clicks order the panes; the cells are drawn with their icons and header arrows.
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QPushButton>

#include "filemanager/order.h"
#include "filemanager/panes.h"
#include "fm_fixture.h"

namespace {

class Order : public FileManagerTest {
 protected:
  void ClickHeader(TStringGrid* grid, int col) { ClickCell(grid, col, 0); }
  void SetTimes(const std::filesystem::path& file, std::time_t t) {
    std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() +
                                               std::chrono::seconds(t - std::time(nullptr)));
  }
};

TEST_F(Order, HeaderClicksOnNameAndDateColumns) {
  TempDir::Write(pc / "b.txt", "");
  TempDir::Write(pc / "A.txt", "");
  TempDir::Write(pc / "c.txt", "");
  std::filesystem::create_directory(pc / "Zdir");
  SetTimes(pc / "b.txt", 1000000000);
  SetTimes(pc / "A.txt", 1100000000);
  SetTimes(pc / "c.txt", 1000000000);  // the same time as b.txt
  Start();
  form->Refre1->trigger();
  TStringGrid* g = form->StringGrid2;

  ClickHeader(g, 0);
  EXPECT_EQ(PcNameOrder, 1);
  EXPECT_EQ(Column(g, 0), (std::vector<AnsiString>{"..", "A.txt", "b.txt", "c.txt", "Zdir"}));
  ClickHeader(g, 0);
  EXPECT_EQ(PcNameOrder, 2);
  EXPECT_EQ(Column(g, 0), (std::vector<AnsiString>{"..", "Zdir", "c.txt", "b.txt", "A.txt"}));
  ClickHeader(g, 2);
  EXPECT_EQ(PcNameOrder, 0);
  EXPECT_EQ(PcDateOrder, 1);
  // Equal times order by name; the directory still follows the files.
  EXPECT_EQ(Column(g, 0), (std::vector<AnsiString>{"..", "b.txt", "c.txt", "A.txt", "Zdir"}));
  for (int col : {1, 3}) ClickHeader(g, col);  // size and attributes never order
  EXPECT_EQ(PcDateOrder, 1);
  ClickHeader(g, 0);
  EXPECT_EQ(PcNameOrder, 1);
  EXPECT_EQ(PcDateOrder, 0);
  EXPECT_EQ(DeviceNameOrder, 0);  // the other grid's bytes are its own
}

TEST_F(Order, NewListingsKeepTheOrderTheHeaderShows) {
  for (const char* name : {"b", "a", "c"}) {
    TempDir::Write(device / name, "");
    TempDir::Write(pc / name, "");
  }
  // Neither the order of creation nor its reverse is the order asked for.
  for (const char* name : {"y", "z", "x"}) TempDir::Write(pc / "Sub" / name, "");
  Start();
  form->SpeedButton12->click();
  ClickHeader(form->StringGrid1, 0);
  ClickHeader(form->StringGrid1, 0);  // descending
  TempDir::Write(device / "d", "");
  form->Refre2->trigger();
  EXPECT_EQ(Column(form->StringGrid1, 0), (std::vector<AnsiString>{"..", "d", "c", "b", "a"}));

  TStringGrid* g = form->StringGrid2;
  ClickHeader(g, 0);
  ClickHeader(g, 0);
  ASSERT_EQ(Column(g, 0), (std::vector<AnsiString>{"..", "Sub", "c", "b", "a"}));
  TempDir::Write(pc / "d", "");
  form->Refre1->trigger();
  EXPECT_EQ(Column(g, 0), (std::vector<AnsiString>{"..", "Sub", "d", "c", "b", "a"}));
  DoubleClickCell(g, 0, RowOf(g, "Sub"));  // another folder
  EXPECT_EQ(Column(g, 0), (std::vector<AnsiString>{"..", "z", "y", "x"}));
  EXPECT_EQ(PcNameOrder, 2);
}

TEST_F(Order, FewRowsStillToggleTheOrder) {
  Start();
  ClickHeader(form->StringGrid1, 2);
  EXPECT_EQ(DeviceDateOrder, 1);
  EXPECT_EQ(form->StringGrid1->RowCount(), 2);
}

TEST_F(Order, RightPressOnTheHandheldHeaderOrdersToo) {
  for (const char* name : {"b", "a"}) TempDir::Write(device / name, "");
  Start();
  form->SpeedButton12->click();
  Click(form->StringGrid1, Qt::RightButton, CellPoint(form->StringGrid1, 0, 0));
  EXPECT_FALSE(form->PDAPopupMenu2->isVisible());
  EXPECT_EQ(DeviceNameOrder, 1);
  // On the PC grid the same press opens the menu, which takes the release.
  Click(form->StringGrid2, Qt::RightButton, CellPoint(form->StringGrid2, 0, 0));
  EXPECT_TRUE(form->PopupMenu1->isVisible());
  CloseMenus();
  EXPECT_EQ(PcNameOrder, 0);
}

// ---- drawing

class Drawing : public FileManagerTest {
 protected:
  static constexpr int kW = 160, kH = 18;
  using Draw = void (TForm1::*)(QPainter&, int, int, const QRect&, const TGridDrawState&);

  QImage Render(Draw draw, int col, int row, TGridDrawState state = {}) {
    QImage image(kW, kH, QImage::Format_RGB32);
    image.fill(QColor(1, 2, 3));
    QPainter p(&image);
    (form.get()->*draw)(p, col, row, QRect(0, 0, kW, kH), state);
    return image;
  }
  // The picture of an image of ImageList2 on a background.
  QImage Icon(int index, const QColor& background) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(background);
    QPainter p(&image);
    form->ImageList2[static_cast<size_t>(index)].paint(&p, QRect(0, 0, 16, 16));
    return image;
  }
  // Pixels x0..x1, y0..y1 of the cell equal those of the icon.
  static bool Same(const QImage& cell, const QImage& icon, int x0 = 1, int x1 = 11, int y0 = 1,
                   int y1 = 14) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        if (cell.pixel(x, y) != icon.pixel(x, y)) return false;
    return true;
  }
  // A cell as the grid itself paints it on screen.
  static QImage Grab(TStringGrid* grid, int col, int row) {
    const QRect cell = grid->visualRect(grid->Cells()->index(row, col));
    return grid->viewport()->grab(cell).toImage().convertToFormat(QImage::Format_RGB32);
  }
  QColor HeaderBackground(TStringGrid* g) {
    TGridDrawState fixed;
    fixed.Fixed = true;
    return CellBackground(g, fixed);
  }
};

TEST_F(Drawing, HeaderArrowFollowsTheSortByte) {
  Start();
  TGridDrawState fixed;
  fixed.Fixed = true;
  const QColor bg = HeaderBackground(form->StringGrid2);
  const QImage up = Icon(kArrowUpImage, bg), down = Icon(kArrowDownImage, bg);
  ASSERT_FALSE(Same(up, down));  // the pictures differ where they are compared
  QImage none(16, 16, QImage::Format_RGB32);
  none.fill(bg);

  TStringGrid* pcGrid = form->StringGrid2;
  TStringGrid* deviceGrid = form->StringGrid1;
  PcNameOrder = 0;
  EXPECT_TRUE(Same(Grab(pcGrid, 0, 0), none));
  PcNameOrder = 1;
  EXPECT_TRUE(Same(Grab(pcGrid, 0, 0), up));
  EXPECT_TRUE(Same(Grab(pcGrid, 2, 0), none));
  PcNameOrder = 2;
  EXPECT_TRUE(Same(Grab(pcGrid, 0, 0), down));
  PcNameOrder = 0;
  DeviceDateOrder = 1;
  EXPECT_TRUE(Same(Grab(deviceGrid, 2, 0), up));
  EXPECT_TRUE(Same(Grab(deviceGrid, 0, 0), none));
  EXPECT_TRUE(Same(Render(&TForm1::StringGrid1DrawCell, 2, 0, fixed), up));  // any painter
  // The ordering column's frame is green; a column without order has a white one.
  const QImage framed = Render(&TForm1::StringGrid1DrawCell, 2, 0, fixed);
  EXPECT_EQ(QColor(framed.pixel(kW - 1, kH / 2)), QColor(0, 128, 0));
  const QImage white = Render(&TForm1::StringGrid1DrawCell, 0, 0, fixed);
  EXPECT_EQ(QColor(white.pixel(kW - 1, kH / 2)), QColor(255, 255, 255));
}

TEST_F(Drawing, HandheldIconsByAttributeBits) {
  Start();
  TStringGrid* g = form->StringGrid1;
  g->SetRowCount(6);
  const std::pair<const char*, const char*> rows[] = {
      {"Data", "16"}, {"t.plt", "32"}, {"m.map", "64"}, {"n.txt", "128"}};
  for (int i = 0; i < 4; ++i) {
    g->SetCell(0, 2 + i, rows[i].first);
    g->SetCell(3, 2 + i, rows[i].second);
  }
  g->SetSelection({2, 5, 2, 5});  // away from the name cells compared
  const QColor bg = CellBackground(g, {});
  QImage none(16, 16, QImage::Format_RGB32);
  none.fill(bg);
  EXPECT_TRUE(Same(Grab(g, 0, 2), Icon(0, bg), 0, 15, 0, 15));
  EXPECT_TRUE(Same(Grab(g, 0, 3), Icon(14, bg), 0, 15, 0, 15));
  EXPECT_TRUE(Same(Grab(g, 0, 4), Icon(4, bg), 0, 15, 0, 15));
  EXPECT_TRUE(Same(Grab(g, 0, 5), none, 0, 15, 0, 15));
  EXPECT_TRUE(Same(Grab(g, 0, 1), none, 0, 15, 0, 15));  // ".."
}

TEST_F(Drawing, PcIconsAndRightAlignedSizes) {
  TempDir::Write(pc / "README", "123456");
  Start();
  form->Refre1->trigger();
  TStringGrid* g = form->StringGrid2;
  g->SetSelection({2, 2, 2, 2});
  const QColor bg = CellBackground(g, {});
  EXPECT_TRUE(Same(Grab(g, 0, 1), Icon(0, bg), 0, 15, 0, 15));
  const int file = RowOf(g, "README");
  EXPECT_TRUE(Same(Grab(g, 0, file), Icon(16, bg), 0, 15, 0, 15));
  // The size ends at the right edge: ink in the last pixels, none at the left.
  const QImage size = Render(&TForm1::StringGrid2DrawCell, 1, file);
  auto inkIn = [&](int x0, int x1) {
    for (int x = x0; x <= x1; ++x)
      for (int y = 0; y < kH; ++y)
        if (QColor(size.pixel(x, y)) != bg) return true;
    return false;
  };
  EXPECT_TRUE(inkIn(kW - 12, kW - 1));
  EXPECT_FALSE(inkIn(0, kW - 60));
}

TEST_F(Drawing, HandheldSelectedCellsGetAFocusFrameThatTheCurrentCellCancels) {
  TempDir::Write(device / "a.txt", "1");
  Start();
  form->SpeedButton12->click();
  TGridDrawState selected;
  selected.Selected = true;
  const QImage framed = Render(&TForm1::StringGrid1DrawCell, 2, 2, selected);
  const QColor highlight = CellBackground(form->StringGrid1, selected);
  EXPECT_NE(QColor(framed.pixel(0, 0)), highlight);  // the dotted frame inverts the corner
  QImage twice = framed;
  {
    QPainter p(&twice);
    XorFocusRect(p, QRect(0, 0, kW, kH));
  }
  EXPECT_EQ(QColor(twice.pixel(0, 0)), highlight);
  EXPECT_EQ(QColor(Render(&TForm1::StringGrid2DrawCell, 0, 1, selected).pixel(kW - 1, 0)),
            CellBackground(form->StringGrid2, selected));  // the PC grid draws none
}

}  // namespace
