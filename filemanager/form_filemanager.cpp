// The two-pane file manager: listings, order, selection, navigation and commands.
#include <QAction>
#include <QPushButton>

#include "app/mainform.h"

void TForm1::GetDirPDA(const AnsiString&) {}
void TForm1::SpeedButton12Click() {}
void TForm1::Refre2Click() {}
void TForm1::DirectoryListBox1Change() { StatusBar5->SetPanelText(0, DirectoryListBox1->Directory()); }
void TForm1::Refre1Click() {}
void TForm1::StringGrid1MouseUp(QMouseEvent*) {}
void TForm1::StringGrid2MouseUp(QMouseEvent*) {}
void TForm1::Zotried() {}
void TForm1::Zotried2() {}
void TForm1::StringGrid1MouseDown(QMouseEvent*) {}
void TForm1::StringGrid2MouseDown(QMouseEvent*) {}
void TForm1::StringGrid1DblClick() {}
void TForm1::StringGrid2DblClick() {}
void TForm1::KopirovaniesborudoPDA1Click() {}
void TForm1::MenuItem1Click() {}
void TForm1::MenuItem2Click() {}
void TForm1::Vytvoradresr1Click() {}
void TForm1::Vymazaniesboru1Click() {}

void TForm1::WireFileManager() {
  connect(SpeedButton12, &QPushButton::clicked, this, &TForm1::SpeedButton12Click);
  connect(DirectoryListBox1, &TDirectoryListBox::changed, this, &TForm1::DirectoryListBox1Change);
  connect(DriveComboBox2, &TDriveComboBox::driveChanged, this,
          [this] { DirectoryListBox1->SetDrive(DriveComboBox2->Drive()); });
  connect(Refre1, &QAction::triggered, this, &TForm1::Refre1Click);
  connect(Refre2, &QAction::triggered, this, &TForm1::Refre2Click);
  for (QAction* a : {KopirovaniesborudoPDA1, KopirovaniesborudoPDA2})
    connect(a, &QAction::triggered, this, &TForm1::KopirovaniesborudoPDA1Click);
  for (QAction* a : {Vymazaniesboru1, Vymazaniesboru2})
    connect(a, &QAction::triggered, this, &TForm1::Vymazaniesboru1Click);
  for (QAction* a : {MenuItem1, MenuItem3}) connect(a, &QAction::triggered, this, &TForm1::MenuItem1Click);
  for (QAction* a : {MenuItem2, MenuItem4}) connect(a, &QAction::triggered, this, &TForm1::MenuItem2Click);
  for (QAction* a : {Vytvoradresr1, Vytvoradresr2})
    connect(a, &QAction::triggered, this, &TForm1::Vytvoradresr1Click);
}
