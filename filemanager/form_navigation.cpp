// Mouse presses, double clicks and keys in the two panes: the last pressed cell, the context
// menus, and moving a pane to another directory.
#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "app/mainform.h"
#include "filemanager/devicepath.h"
#include "filemanager/order.h"
#include "filemanager/panes.h"
#include "platform/paths.h"
#include "platform/state.h"

namespace {

// The handheld pane's menu at a point of its grid. The up entry and the empty area have no entry
// to copy or delete: there it offers what needs none, a new folder (the first one on an empty
// card) and a new listing.
void PopupDeviceMenu(TForm1* form, const QPoint& at, bool byKeyboard) {
  const bool onEntry = DeviceGridRow > 1;
  form->MenuItem1->setVisible(onEntry);
  form->MenuItem2->setVisible(onEntry);
  form->PDAPopupMenu2->popup(form->StringGrid1->viewport()->mapToGlobal(at));
  if (byKeyboard)
    form->PDAPopupMenu2->setActiveAction(onEntry ? form->MenuItem1 : form->Vytvoradresr1);
}

// Keys stand in for the mouse at the current cell, which becomes the last pressed one.
QPoint CurrentCell(const TStringGrid* grid, int& col, int& row) {
  const QModelIndex current = grid->currentIndex();
  col = current.isValid() ? current.column() : -1;
  row = current.isValid() ? current.row() : -1;
  return current.isValid() ? grid->visualRect(current).center() : QPoint(0, 0);
}

bool IsMenuKey(const QKeyEvent* event) {
  return event->key() == Qt::Key_Menu ||
         (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
}

bool IsEnterKey(const QKeyEvent* event) {
  return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
         !(event->modifiers() & ~Qt::KeypadModifier);
}

}  // namespace

void TForm1::StringGrid1MouseDown(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  CellAt(StringGrid1, point, DeviceGridCol, DeviceGridRow);
  // A right press on the header orders the pane instead (at its release).
  if (event->button() == Qt::RightButton && DeviceGridRow != 0) PopupDeviceMenu(this, point, false);
}

void TForm1::StringGrid2MouseDown(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  CellAt(StringGrid2, point, PcGridCol, PcGridRow);
  if (event->button() == Qt::RightButton)
    PopupMenu1->popup(StringGrid2->viewport()->mapToGlobal(point));
}

bool TForm1::StringGrid1KeyDown(QKeyEvent* event) {
  const bool enter = IsEnterKey(event), menu = IsMenuKey(event);
  const bool remove = event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier;
  if (!enter && !menu && !remove) return false;
  const QPoint at = CurrentCell(StringGrid1, DeviceGridCol, DeviceGridRow);
  if (enter) StringGrid1DblClick();  // a folder or the way up; a file has nothing to open
  if (remove) MenuItem2Click();
  if (menu) PopupDeviceMenu(this, at, true);
  return true;
}

bool TForm1::StringGrid2KeyDown(QKeyEvent* event) {
  const bool enter = IsEnterKey(event), menu = IsMenuKey(event);
  if (!enter && !menu) return false;
  const QPoint at = CurrentCell(StringGrid2, PcGridCol, PcGridRow);
  if (menu) {
    PopupMenu1->popup(StringGrid2->viewport()->mapToGlobal(at));
    PopupMenu1->setActiveAction(KopirovaniesborudoPDA1);
  } else if (PcGridRow >= 1 && IsPcDirectory(StringGrid2->Cell(1, PcGridRow))) {
    StringGrid2DblClick();
  } else {
    PcGridCol = 0;  // the file of the row, whichever of its cells is current
    Vymazaniesboru1Click();
  }
  return true;
}

void TForm1::StringGrid1DblClick() {
  const int row = DeviceGridRow;
  if (row < 0) return;  // below the rows: no entry there
  if (row == 1) {
    DeviceDir = ParentDeviceDir(DeviceDir);
  } else {
    if (!IsDeviceDirectory(StringGrid1->Cell(3, row))) return;
    DeviceDir += StringGrid1->Cell(0, row) + "\\";
  }
  GetDirPDA(DeviceDir + "*");
  StatusBar3->SetPanelText(0, DeviceDir);
}

void TForm1::StringGrid2DblClick() {
  const int row = PcGridRow;
  if (row < 0) return;
  if (!IsPcDirectory(StringGrid2->Cell(1, row))) return;
  // The list box enters the folder, reads back its normal form and reports the change, which
  // lists it; a folder that cannot be entered raises its I/O error and changes nothing.
  DirectoryListBox1->SetDirectory(
      platform::JoinPcPath(StatusBar5->PanelText(0), StringGrid2->Cell(0, row)));
}
