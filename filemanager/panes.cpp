// What the file manager's handlers share: the listing writers, the PC listing, and the grids'
// selection, refill, drawing and mouse plumbing.
#include "filemanager/panes.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <exception>

#include "app/mainform.h"
#include "filemanager/listing.h"
#include "platform/codepage.h"
#include "platform/ui.h"

const AnsiString kNothingSelected = AnsiLiteral("Nebolo nič vybraté");

void WriteRows(TStringGrid* grid, int firstRow, const std::vector<ListingRow>& rows) {
  int row = firstRow;
  for (const ListingRow& listed : rows) {
    for (size_t col = 0; col < listed.cells.size(); ++col)
      grid->SetCell(static_cast<int>(col), row, listed[col]);
    grid->Cells()->SetRowName(row, QString::fromStdU16String(listed.name));
    ++row;
  }
}

void WriteTotals(TStatusBar* bar, const ListingTotals& totals) {
  const auto texts = TotalsTexts(totals);
  for (int panel = 0; panel < 3; ++panel)
    bar->SetPanelText(panel, texts[static_cast<size_t>(panel)]);
}

void ListPcDir(const AnsiString& directory) {
  TForm1* form = Form1;
  TStringGrid* grid = form->StringGrid2;
  std::vector<ListingRow> rows;
  ListingTotals totals;
  if (!ReadPcListing(directory, rows, totals)) {
    // An unreadable folder shows nothing of the previous one: only the way back up.
    rows.assign(1, ListingRow{{"..", kDirCell, "", ""}, u".."});
    totals = {};
  }
  {
    GridRefill refill(grid);
    refill.SetRowCount(static_cast<int>(rows.size()) + 1);
    WriteRows(grid, 1, rows);
  }
  WriteTotals(form->StatusBar4, totals);
  form->Zotried2();  // the header's mark says the order: a new listing keeps it
}

// ---------------------------------------------------------------------------------------------

bool IsCellSelected(const TStringGrid* grid, int col, int row) {
  const platform::TGridRect s = grid->Selection();
  return col >= s.Left && col <= s.Right && row >= s.Top && row <= s.Bottom;
}

std::vector<int> SelectedRows(const TStringGrid* grid, int col) {
  // The rectangle is read once: the grid builds it from every selected cell.
  const platform::TGridRect s = grid->Selection();
  std::vector<int> rows;
  if (col < s.Left || col > s.Right) return rows;
  const int last = std::min(s.Bottom, grid->RowCount() - 1);
  for (int row = std::max(s.Top, 2); row <= last; ++row) rows.push_back(row);
  return rows;
}

void CellAt(const TStringGrid* grid, const QPoint& point, int& col, int& row) {
  const QModelIndex index = grid->indexAt(point);
  col = index.isValid() ? index.column() : -1;
  row = index.isValid() ? index.row() : -1;
}

// ---------------------------------------------------------------------------------------------

GridRefill::GridRefill(TStringGrid* grid) : grid_(grid), selection_(grid->Selection()) {
  const QModelIndex current = grid->currentIndex();
  currentCol_ = current.isValid() ? current.column() : 0;
  currentRow_ = current.isValid() ? current.row() : 1;
  grid_->BeginUpdate();
}

void GridRefill::SetRowCount(int rows) {
  if (rows != grid_->RowCount()) {
    collapsed_ = true;
    currentRow_ = std::min(currentRow_, rows - 1);
  }
  grid_->SetRowCount(rows);
}

GridRefill::~GridRefill() {
  grid_->EndUpdate();  // a reset of the model: the view forgets its selection and current cell
  QItemSelectionModel* model = grid_->selectionModel();
  if (!model || grid_->RowCount() < 2) return;
  const int last = grid_->RowCount() - 1;
  auto cell = [&](int col, int row) {
    return grid_->Cells()->index(std::clamp(row, 1, last),
                                 std::clamp(col, 0, grid_->ColCount() - 1));
  };
  model->setCurrentIndex(cell(currentCol_, currentRow_), QItemSelectionModel::NoUpdate);
  if (collapsed_) {
    model->select(cell(currentCol_, currentRow_), QItemSelectionModel::ClearAndSelect);
  } else {
    model->select(QItemSelection(cell(selection_.Left, selection_.Top),
                                 cell(selection_.Right, selection_.Bottom)),
                  QItemSelectionModel::ClearAndSelect);
  }
}

// ---------------------------------------------------------------------------------------------

void XorFocusRect(QPainter& canvas, const QRect& rect) {
  if (rect.isEmpty()) return;
  canvas.save();
  canvas.setRenderHint(QPainter::Antialiasing, false);
  canvas.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  canvas.setPen(QColor(255, 255, 255));
  const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
  // Every other pixel of the border, each pixel once, so a second call undoes the first.
  std::vector<QPoint> dots;
  bool dot = true;
  auto along = [&](int x, int y) {
    if (dot) dots.emplace_back(x, y);
    dot = !dot;
  };
  for (int x = l; x <= r; ++x) along(x, t);
  if (b > t) {
    for (int y = t + 1; y <= b; ++y) along(r, y);
    if (r > l) {
      for (int x = r - 1; x >= l; --x) along(x, b);
      for (int y = b - 1; y > t; --y) along(l, y);
    }
  }
  canvas.drawPoints(dots.data(), static_cast<int>(dots.size()));
  canvas.restore();
}

QColor CellBackground(const QWidget* grid, const TGridDrawState& state) {
  const QPalette& pal = grid->palette();
  if (state.Fixed) return pal.color(QPalette::Active, QPalette::Button);
  if (state.Selected) return pal.color(QPalette::Active, QPalette::Highlight);
  return pal.color(QPalette::Active, QPalette::Base);
}

QColor CellText(const QWidget* grid, const TGridDrawState& state) {
  const QPalette& pal = grid->palette();
  if (state.Fixed) return pal.color(QPalette::Active, QPalette::WindowText);
  if (state.Selected) return pal.color(QPalette::Active, QPalette::HighlightedText);
  return pal.color(QPalette::Active, QPalette::Text);
}

GridCellDelegate::GridCellDelegate(TStringGrid* grid, DrawCell draw)
    : QStyledItemDelegate(grid), grid_(grid), draw_(std::move(draw)) {}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  TGridDrawState state;
  state.Fixed = index.row() == 0;
  state.Selected = !state.Fixed && (option.state & QStyle::State_Selected);
  state.Focused = !state.Fixed && grid_->hasFocus() && grid_->currentIndex() == index;
  const QRect r = option.rect;

  painter->save();
  painter->setClipRect(r);
  painter->fillRect(r, CellBackground(grid_, state));
  painter->setPen(CellText(grid_, state));
  painter->setFont(grid_->font());
  painter->drawText(r.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                    index.data(Qt::DisplayRole).toString());
  painter->restore();

  painter->save();
  painter->setClipRect(r);
  draw_(*painter, index.column(), index.row(), r, state);
  painter->restore();

  if (state.Fixed) {
    const QPalette& pal = grid_->palette();
    painter->save();
    painter->setPen(pal.color(QPalette::Active, QPalette::Light));
    painter->drawLine(r.topLeft(), r.topRight());
    painter->drawLine(r.topLeft(), r.bottomLeft());
    painter->setPen(pal.color(QPalette::Active, QPalette::Dark));
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->restore();
  }
  if (state.Focused) XorFocusRect(*painter, r);
}

QSize GridCellDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
  return {grid_->columnWidth(index.column()), grid_->rowHeight(index.row())};
}

// ---------------------------------------------------------------------------------------------

GridKeys::GridKeys(TStringGrid* grid, std::function<bool(QKeyEvent*)> handler)
    : QObject(grid), handler_(std::move(handler)) {
  grid->setContextMenuPolicy(Qt::PreventContextMenu);
  grid->installEventFilter(this);
}

bool GridKeys::eventFilter(QObject*, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  // A failure is reported here, as for the mouse: it must not cross the toolkit's dispatch.
  bool handled = true;
  platform::RunReported([&] { handled = handler_(static_cast<QKeyEvent*>(event)); });
  return handled;
}

// ---------------------------------------------------------------------------------------------

GridMouse::GridMouse(TStringGrid* grid, Handlers handlers)
    : QObject(grid), grid_(grid), viewport_(grid->viewport()), handlers_(std::move(handlers)) {
  grid_->setMouseTracking(true);
  viewport_->installEventFilter(this);
}

int GridMouse::BorderAt(const QPoint& point) const {
  if (grid_->rowAt(point.y()) != 0) return -1;
  int best = -1, bestDistance = 3;
  for (int col = 0; col < grid_->ColCount(); ++col) {
    if (grid_->isColumnHidden(col)) continue;
    const int edge = grid_->columnViewportPosition(col) + grid_->columnWidth(col);
    const int distance = std::abs(point.x() - edge);
    if (distance <= bestDistance) {
      best = col;
      bestDistance = distance;
    }
  }
  return best;
}

void GridMouse::Forward(QEvent* event) {
  forwarding_ = true;
  struct Ends {
    bool& forwarding;
    ~Ends() { forwarding = false; }
  } ends{forwarding_};
  QCoreApplication::sendEvent(grid_->viewport(), event);
}

bool GridMouse::Press(QMouseEvent* event, bool doubleClick) {
  const QPoint point = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    const int border = BorderAt(point);
    if (border >= 0) {
      resizing_ = border;
      resizeStartX_ = point.x();
      resizeStartWidth_ = grid_->columnWidth(border);
      ownPress_ = true;
      return true;
    }
  }
  int col, row;
  CellAt(grid_, point, col, row);
  const bool toGrid = event->button() == Qt::LeftButton && row >= 1;
  ownPress_ = !toGrid;
  menuOpened_ = false;
  if (toGrid) {
    // The grid handles the press (selection) before the program sees it.
    Forward(event);
  }
  if (doubleClick && event->button() == Qt::LeftButton && handlers_.doubleClick)
    handlers_.doubleClick();  // still sees the cell of the pair's first press
  if (handlers_.down) handlers_.down(event);
  menuOpened_ = QApplication::activePopupWidget() != nullptr;
  return true;
}

bool GridMouse::eventFilter(QObject* watched, QEvent* event) {
  if (forwarding_ || watched != viewport_) return false;
  // A failure of a handler is reported here: raised on, it would cross the toolkit's own event
  // dispatch, which is not built to be unwound (its copies of the event leak). The forward it
  // interrupted ends first (Press), so that the report's own events reach the handlers again.
  bool handled = true;
  platform::RunReported([&] { handled = Filter(event); });
  return handled;
}

bool GridMouse::Filter(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      return Press(static_cast<QMouseEvent*>(event), false);
    case QEvent::MouseButtonDblClick:
      return Press(static_cast<QMouseEvent*>(event), true);
    case QEvent::MouseMove: {
      auto* me = static_cast<QMouseEvent*>(event);
      if (resizing_ >= 0) {
        const int width = resizeStartWidth_ + me->position().toPoint().x() - resizeStartX_;
        grid_->setColumnWidth(resizing_, std::max(width, 2));
        return true;
      }
      if (ownPress_) return true;
      if (me->buttons() == Qt::NoButton) {
        if (BorderAt(me->position().toPoint()) >= 0)
          grid_->viewport()->setCursor(Qt::SplitHCursor);
        else
          grid_->viewport()->unsetCursor();
      }
      return false;
    }
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(event);
      if (resizing_ >= 0) {
        resizing_ = -1;  // the release that ends a resize is no click
        ownPress_ = false;
        return true;
      }
      if (!ownPress_) {
        Forward(event);
      }
      ownPress_ = false;
      if (menuOpened_) {
        menuOpened_ = false;  // the pop-up menu took this release
        return true;
      }
      if (handlers_.up) handlers_.up(me);
      return true;
    }
    default:
      return false;
  }
}
