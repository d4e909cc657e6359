// Mouse presses and double clicks in the two panes: the last pressed cell, the context menus,
// and moving a pane to another directory.
#include <QMenu>
#include <QMouseEvent>

#include "app/mainform.h"
#include "filemanager/devicepath.h"
#include "filemanager/order.h"
#include "filemanager/panes.h"
#include "platform/paths.h"
#include "platform/state.h"

void TForm1::StringGrid1MouseDown(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  CellAt(StringGrid1, point, DeviceGridCol, DeviceGridRow);
  // The header, the up entry and the empty area have no handheld commands.
  if (event->button() == Qt::RightButton && DeviceGridRow > 1)
    PDAPopupMenu2->popup(StringGrid1->viewport()->mapToGlobal(point));
}

void TForm1::StringGrid2MouseDown(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  CellAt(StringGrid2, point, PcGridCol, PcGridRow);
  if (event->button() == Qt::RightButton)
    PopupMenu1->popup(StringGrid2->viewport()->mapToGlobal(point));
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
