#pragma once
// What the file manager's handlers share: the listing writers and the PC listing, drawing
// state, selection rules, the grid refill that keeps the selection rules, and the grids' mouse
// and paint plumbing.
#include <QObject>
#include <QStyledItemDelegate>
#include <functional>
#include <vector>

#include "filemanager/listing.h"
#include "platform/ansi.h"
#include "platform/controls.h"
#include "platform/ui.h"

class QKeyEvent;
class QMouseEvent;
class QPainter;

using platform::TStatusBar;
using platform::TStringGrid;

struct TGridDrawState {
  bool Selected = false;
  bool Focused = false;  // the current cell of the grid that has the keyboard focus
  bool Fixed = false;    // the header row
};

// Listing rows into a grid from firstRow on, and the totals into a bar's three panels.
void WriteRows(TStringGrid* grid, int firstRow, const std::vector<ListingRow>& rows);
void WriteTotals(TStatusBar* bar, const ListingTotals& totals);
// Lists a PC directory into the PC grid and its count bar.
void ListPcDir(const AnsiString& directory);

// What a list command says when no entry was selected, or none confirmed.
extern const AnsiString kNothingSelected;

// Whether the grid's selection rectangle holds the cell.
bool IsCellSelected(const TStringGrid* grid, int col, int row);
// The rows that count as selected: 2 to row count - 1 (never the header or the up entry),
// those whose cell in column col the selection holds, top to bottom.
std::vector<int> SelectedRows(const TStringGrid* grid, int col);

// The cell under a point of the grid's viewport; -1, -1 outside the cells.
void CellAt(const TStringGrid* grid, const QPoint& point, int& col, int& row);

// Refills a grid in one batch (no layout or paint per row). Every change of the row count
// collapses the selection to the current cell, moved up to the last row when it lay below;
// an unchanged row count keeps the selection.
class GridRefill {
 public:
  explicit GridRefill(TStringGrid* grid);
  ~GridRefill();
  GridRefill(const GridRefill&) = delete;
  GridRefill& operator=(const GridRefill&) = delete;
  void SetRowCount(int rows);

 private:
  TStringGrid* grid_;
  int currentCol_, currentRow_;
  platform::TGridRect selection_;
  bool collapsed_ = false;
};

// The dotted frame of a focused cell, drawn by inverting, so drawing it twice removes it.
void XorFocusRect(QPainter& canvas, const QRect& rect);
// Background and text colours of a cell as the grid's standard painting uses them.
QColor CellBackground(const QWidget* grid, const TGridDrawState& state);
QColor CellText(const QWidget* grid, const TGridDrawState& state);

// The grids' standard painting (background, text 2 pixels in), then the owner-draw handler,
// then the raised edge of header cells and the grid's own focus frame.
class GridCellDelegate : public QStyledItemDelegate {
 public:
  using DrawCell = std::function<void(QPainter&, int, int, const QRect&, const TGridDrawState&)>;
  GridCellDelegate(TStringGrid* grid, DrawCell draw);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  TStringGrid* grid_;
  DrawCell draw_;
};

// Keys of a listing grid go to the handler first; what it takes (true), the grid never sees. The
// grid's own context menu event is turned off: the handler opens the pane's menu for the key.
class GridKeys : public QObject {
 public:
  GridKeys(TStringGrid* grid, std::function<bool(QKeyEvent*)> handler);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<bool(QKeyEvent*)> handler_;
};

// Mouse handling of a listing grid, in the manner of the platform grid: a left press on an
// entry cell goes to the grid (selection); right and middle presses, presses on the header
// row and outside the cells leave the selection alone; a press on a column border of the
// header row resizes that column and records nothing. The handlers get every press, release
// and double click.
class GridMouse : public QObject {
 public:
  struct Handlers {
    std::function<void(QMouseEvent*)> down, up;
    std::function<void()> doubleClick;
  };
  GridMouse(TStringGrid* grid, Handlers handlers);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int BorderAt(const QPoint& point) const;  // the column whose right border is here, or -1
  bool Press(QMouseEvent* event, bool doubleClick);
  // Hands the event to the grid itself; the filter lets it pass meanwhile.
  void Forward(QEvent* event);
  bool Filter(QEvent* event);
  TStringGrid* grid_;
  // Kept apart: events still reach the filter while the grid is being destroyed, when it can no
  // longer be asked for its viewport.
  QWidget* viewport_;
  Handlers handlers_;
  int resizing_ = -1;
  int resizeStartX_ = 0, resizeStartWidth_ = 0;
  bool ownPress_ = false;    // a press the grid did not see: its moves are not the grid's
  bool menuOpened_ = false;  // the press opened a pop-up menu, which takes its release
  bool forwarding_ = false;  // an event handed to the grid itself
};
