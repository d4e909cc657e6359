// Listing order by header clicks, and the owner drawing of both listing grids.
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "app/mainform.h"
#include "filemanager/order.h"
#include "filemanager/panes.h"
#include "platform/codepage.h"
#include "platform/state.h"

namespace {

// A header click on the name (0) or date (2) column of row 0 toggles that column's order and
// clears the other's. True when the order changed.
bool HeaderClick(int col, int row, std::uint8_t& nameOrder, std::uint8_t& dateOrder) {
  if (row != 0) return false;
  if (col == 0) {
    nameOrder = NextOrder(nameOrder);
    dateOrder = kNotOrdered;
    return true;
  }
  if (col == 2) {
    dateOrder = NextOrder(dateOrder);
    nameOrder = kNotOrdered;
    return true;
  }
  return false;
}

// Re-orders rows 2 onwards; the header and the up entry never move.
void Reorder(TStringGrid* grid, std::uint8_t nameOrder, std::uint8_t dateOrder,
             bool (*isDirectory)(const TStringGrid*, int)) {
  const int count = grid->RowCount();
  if (count - 2 < 1 || (nameOrder == kNotOrdered && dateOrder == kNotOrdered)) return;
  const bool byDate = nameOrder == kNotOrdered;
  std::vector<AnsiString> keys;
  keys.reserve(static_cast<size_t>(count - 2));
  for (int row = 2; row < count; ++row)
    keys.push_back(SortKey(grid->Cell(0, row), grid->Cell(2, row), isDirectory(grid, row), byDate));
  const bool ascending = nameOrder == kAscending || dateOrder == kAscending;
  const std::vector<int> sorted = OrderByKeys(keys, ascending);
  std::vector<int> order{0, 1};
  order.reserve(static_cast<size_t>(count));
  for (int index : sorted) order.push_back(index + 2);
  grid->Cells()->ReorderRows(order);
}

bool DeviceRowIsDirectory(const TStringGrid* grid, int row) {
  return IsDeviceDirectory(grid->Cell(3, row));
}
bool PcRowIsDirectory(const TStringGrid* grid, int row) {
  return IsPcDirectory(grid->Cell(1, row));
}

void DrawText(QPainter& canvas, int x, int y, const QString& text) {
  const QFontMetrics metrics(canvas.font());
  canvas.drawText(x, y + metrics.ascent(), text);
}

void FillCell(QPainter& canvas, const QWidget* grid, const QRect& rect,
              const TGridDrawState& state) {
  canvas.fillRect(rect, CellBackground(grid, state));
  canvas.setPen(CellText(grid, state));
}

void DrawRightAligned(QPainter& canvas, const QWidget* grid, const QRect& rect,
                      const TGridDrawState& state, const AnsiString& text) {
  FillCell(canvas, grid, rect, state);
  const QString shown = FromAnsi(text);
  const QFontMetrics metrics(canvas.font());
  // A letter may reach past its advance ("ť" in some fonts): its ink, too, ends at the edge.
  const int extent =
      std::max(metrics.horizontalAdvance(shown), metrics.boundingRect(shown).right() + 1);
  canvas.drawText(rect.x() + rect.width() - extent, rect.top() + 2 + metrics.ascent(), shown);
}

void DrawImage(QPainter& canvas, const std::vector<QIcon>& images, int index, const QPoint& at) {
  if (index < 0 || index >= static_cast<int>(images.size())) return;
  images[static_cast<size_t>(index)].paint(&canvas, QRect(at, QSize(16, 16)));
}

// Header row: the sortable columns framed, with the arrow of their order; the others
// right-aligned.
void DrawHeaderCell(QPainter& canvas, const TStringGrid* grid, const std::vector<QIcon>& images,
                    int col, const QRect& rect, const TGridDrawState& state, std::uint8_t nameOrder,
                    std::uint8_t dateOrder) {
  QFont bold = grid->font();
  bold.setBold(true);
  canvas.setFont(bold);
  const AnsiString text = grid->Cell(col, 0);
  if (col == 0 || col == 2) {
    const std::uint8_t order = col == 0 ? nameOrder : dateOrder;
    canvas.setPen(order == kNotOrdered ? QColor(255, 255, 255) : QColor(0, 128, 0));
    canvas.setBrush(CellBackground(grid, state));
    canvas.drawRect(rect.adjusted(0, 0, -1, -1));
    if (order == kAscending) DrawImage(canvas, images, kArrowUpImage, rect.topLeft());
    if (order == kDescending) DrawImage(canvas, images, kArrowDownImage, rect.topLeft());
    canvas.setPen(CellText(grid, state));
    DrawText(canvas, rect.left() + 12, rect.top() + 2, FromAnsi(text));
  } else {
    DrawRightAligned(canvas, grid, rect, state, text);
  }
}

}  // namespace

void TForm1::StringGrid1MouseUp(QMouseEvent*) {
  if (!HeaderClick(DeviceGridCol, DeviceGridRow, DeviceNameOrder, DeviceDateOrder)) return;
  Zotried();
  StringGrid1->viewport()->update();
}

void TForm1::StringGrid2MouseUp(QMouseEvent*) {
  if (!HeaderClick(PcGridCol, PcGridRow, PcNameOrder, PcDateOrder)) return;
  Zotried2();
  StringGrid2->viewport()->update();
}

void TForm1::Zotried() {
  Reorder(StringGrid1, DeviceNameOrder, DeviceDateOrder, DeviceRowIsDirectory);
}

void TForm1::Zotried2() {
  Reorder(StringGrid2, PcNameOrder, PcDateOrder, PcRowIsDirectory);
}

void TForm1::StringGrid1DrawCell(QPainter& canvas, int col, int row, const QRect& rect,
                                 const TGridDrawState& state) {
  if (row == 0) {
    DrawHeaderCell(canvas, StringGrid1, ImageList2, col, rect, state, DeviceNameOrder,
                   DeviceDateOrder);
    return;
  }
  canvas.setFont(StringGrid1->font());
  const AnsiString text = StringGrid1->Cell(col, row);
  if (col == 1) {
    DrawRightAligned(canvas, StringGrid1, rect, state, text);
  } else {
    FillCell(canvas, StringGrid1, rect, state);
    DrawText(canvas, rect.left() + 16, rect.top(), StringGrid1->Text(col, row));
    if (col == 0)
      DrawImage(canvas, ImageList2, DeviceEntryIcon(text, StringGrid1->Cell(3, row)),
                rect.topLeft());
  }
  if (state.Selected) XorFocusRect(canvas, rect);
}

void TForm1::StringGrid2DrawCell(QPainter& canvas, int col, int row, const QRect& rect,
                                 const TGridDrawState& state) {
  if (row == 0) {
    DrawHeaderCell(canvas, StringGrid2, ImageList2, col, rect, state, PcNameOrder, PcDateOrder);
    return;
  }
  canvas.setFont(StringGrid2->font());
  const AnsiString text = StringGrid2->Cell(col, row);
  if (col == 0) {
    FillCell(canvas, StringGrid2, rect, state);
    DrawText(canvas, rect.left() + 16, rect.top(), StringGrid2->Text(col, row));
    DrawImage(canvas, ImageList2, PcEntryIcon(text, StringGrid2->Cell(1, row)), rect.topLeft());
  } else if (col == 1) {
    DrawRightAligned(canvas, StringGrid2, rect, state, text);
  }
  // The date column keeps the grid's standard painting.
}
