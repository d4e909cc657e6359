// The tab "PDA Manažér", the two-pane file manager: its page, its menu entry and how its controls
// reach the handlers. The handlers live beside it by subject: listings (form_listing.cpp), order
// and drawing (form_order.cpp), navigation (form_navigation.cpp), commands (form_commands.cpp).
#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <utility>

#include "app/mainform.h"
#include "filemanager/panes.h"

void TForm1::BuildManagerTab() {
  TabSheet8 = AddPage("TabSheet8", QStringLiteral("PDA Manažér"));
  auto* page = new QVBoxLayout(TabSheet8);
  Label11 = MakeLabel(QStringLiteral("Funkcie sú dostupné cez pravé tlačítko myšky"), TabSheet8,
                      "Label11");
  QFont bold = Label11->font();
  bold.setBold(true);
  Label11->setFont(bold);
  Label11->setStyleSheet(QStringLiteral("color: rgb(0, 128, 0);"));
  page->addWidget(Label11);
  auto* panes = new QHBoxLayout;
  page->addLayout(panes, 1);

  Panel6 = new QWidget(TabSheet8);
  NameControl(Panel6, "Panel6", QStringLiteral("PC"));
  auto* pc = new QVBoxLayout(Panel6);
  pc->setContentsMargins(0, 0, 0, 0);
  Label9 = MakeLabel(QStringLiteral("PC disky"), Panel6, "Label9");
  DriveComboBox2 = new TDriveComboBox("DriveComboBox2", Panel6);
  DriveComboBox2->setAccessibleName(Label9->text());
  DirectoryListBox1 = new TDirectoryListBox("DirectoryListBox1", Panel6);
  DirectoryListBox1->setMaximumHeight(platform::Scaled(110));
  DirectoryListBox1->setAccessibleName(QStringLiteral("Priečinky v PC"));
  StringGrid2 = new TStringGrid("StringGrid2", {160, 55, 132}, 4, Panel6);
  StringGrid2->setAccessibleName(QStringLiteral("Súbory v PC"));
  StatusBar5 = new TStatusBar("StatusBar5", {200, 50}, Panel6);
  StatusBar5->setAccessibleName(QStringLiteral("Priečinok v PC"));
  ToolBar4 = new QToolBar(Panel6);
  NameControl(ToolBar4, "ToolBar4", QStringLiteral("Počty v PC"));
  StatusBar4 = new TStatusBar("StatusBar4", {100, 100, 50}, ToolBar4);
  StatusBar4->setAccessibleName(QStringLiteral("Počty v PC"));
  ToolBar4->addWidget(StatusBar4);
  pc->addWidget(Label9);
  pc->addWidget(DriveComboBox2);
  pc->addWidget(DirectoryListBox1);
  pc->addWidget(StringGrid2, 1);
  pc->addWidget(StatusBar5);
  pc->addWidget(ToolBar4);
  panes->addWidget(Panel6, 1);

  Panel5 = new QWidget(TabSheet8);
  NameControl(Panel5, "Panel5", QStringLiteral("PDA"));
  auto* pda = new QVBoxLayout(Panel5);
  pda->setContentsMargins(0, 0, 0, 0);
  Label10 = MakeLabel(QStringLiteral("PDA "), Panel5, "Label10");
  SpeedButton12 = MakeButton(QStringLiteral("Načítaj adresár PDA"), Panel5, "SpeedButton12");
  StringGrid1 = new TStringGrid("StringGrid1", {160, 64, 127, 10}, 4, Panel5);
  StringGrid1->setAccessibleName(QStringLiteral("Súbory v PDA"));
  StatusBar3 = new TStatusBar("StatusBar3", {200, 50}, Panel5);
  StatusBar3->setAccessibleName(QStringLiteral("Priečinok v PDA"));
  ToolBar2 = new QToolBar(Panel5);
  NameControl(ToolBar2, "ToolBar2", QStringLiteral("Počty v PDA"));
  StatusBar2 = new TStatusBar("StatusBar2", {100, 100, 50}, ToolBar2);
  StatusBar2->setAccessibleName(QStringLiteral("Počty v PDA"));
  ToolBar2->addWidget(StatusBar2);
  pda->addWidget(Label10);
  pda->addWidget(SpeedButton12, 0, Qt::AlignLeft);
  pda->addWidget(StringGrid1, 1);
  pda->addWidget(StatusBar3);
  pda->addWidget(ToolBar2);
  panes->addWidget(Panel5, 1);
}

void TForm1::Funkciemanara1Click() {
  PageControl1->setCurrentWidget(TabSheet8);
}

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
  new GridKeys(StringGrid1, [this](QKeyEvent* e) { return StringGrid1KeyDown(e); });
  new GridKeys(StringGrid2, [this](QKeyEvent* e) { return StringGrid2KeyDown(e); });
  // F5 lists the pane that has the focus again; the menus show the key beside "Refreš".
  for (auto [refresh, pane] : {std::pair{Refre1, Panel6}, std::pair{Refre2, Panel5}}) {
    refresh->setShortcut(Qt::Key_F5);
    refresh->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    pane->addAction(refresh);
  }

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
  connect(Funkciemanara1, &QMenu::aboutToShow, this, Reported(&TForm1::Funkciemanara1Click));
}
