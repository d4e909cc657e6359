// The two-pane file manager: how its controls reach the handlers. The handlers live beside it
// by subject: listings, order and drawing, navigation, commands.
#include <QAction>
#include <QPushButton>

#include "app/mainform.h"
#include "filemanager/panes.h"

void TForm1::WireFileManager() {
  for (TStringGrid* grid : {StringGrid1, StringGrid2}) {
    grid->setShowGrid(false);  // the grid lines are 0 pixels wide
    grid->SetSelection({0, 1, 0, 1});
  }
  StringGrid1->setItemDelegate(new GridCellDelegate(
      StringGrid1,
      [this](QPainter& canvas, int col, int row, const QRect& rect, const TGridDrawState& state) {
        StringGrid1DrawCell(canvas, col, row, rect, state);
      }));
  StringGrid2->setItemDelegate(new GridCellDelegate(
      StringGrid2,
      [this](QPainter& canvas, int col, int row, const QRect& rect, const TGridDrawState& state) {
        StringGrid2DrawCell(canvas, col, row, rect, state);
      }));
  new GridMouse(StringGrid1, {[this](QMouseEvent* e) { StringGrid1MouseDown(e); },
                              [this](QMouseEvent* e) { StringGrid1MouseUp(e); },
                              [this] { StringGrid1DblClick(); }});
  new GridMouse(StringGrid2, {[this](QMouseEvent* e) { StringGrid2MouseDown(e); },
                              [this](QMouseEvent* e) { StringGrid2MouseUp(e); },
                              [this] { StringGrid2DblClick(); }});

  connect(SpeedButton12, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton12Click));
  connect(DirectoryListBox1, &TDirectoryListBox::changed, this,
          Reported(&TForm1::DirectoryListBox1Change));
  connect(DriveComboBox2, &TDriveComboBox::driveChanged, this,
          platform::Reported([this] { DirectoryListBox1->SetDrive(DriveComboBox2->Drive()); }));
  connect(Refre1, &QAction::triggered, this, Reported(&TForm1::Refre1Click));
  connect(Refre2, &QAction::triggered, this, Reported(&TForm1::Refre2Click));
  for (QAction* a : {KopirovaniesborudoPDA1, KopirovaniesborudoPDA2})
    connect(a, &QAction::triggered, this, Reported(&TForm1::KopirovaniesborudoPDA1Click));
  for (QAction* a : {Vymazaniesboru1, Vymazaniesboru2})
    connect(a, &QAction::triggered, this, Reported(&TForm1::Vymazaniesboru1Click));
  for (QAction* a : {MenuItem1, MenuItem3})
    connect(a, &QAction::triggered, this, Reported(&TForm1::MenuItem1Click));
  for (QAction* a : {MenuItem2, MenuItem4})
    connect(a, &QAction::triggered, this, Reported(&TForm1::MenuItem2Click));
  for (QAction* a : {Vytvoradresr1, Vytvoradresr2})
    connect(a, &QAction::triggered, this, Reported(&TForm1::Vytvoradresr1Click));
}
