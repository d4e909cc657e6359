#include "app/mainform.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "device/volumes.h"
#include "device/worker.h"
#include "platform/ui.h"
#include "platform/windowhold.h"

TForm1* Form1 = nullptr;

namespace {

using platform::NameControl;

// A label's accessible name is left to the toolkit, which takes the text the label shows now.
QLabel* MakeLabel(const QString& text, QWidget* parent, const char* name) {
  auto* label = new QLabel(text, parent);
  NameControl(label, name, QString());
  return label;
}

QPushButton* MakeButton(const QString& text, QWidget* parent, const char* name) {
  auto* button = new QPushButton(text, parent);
  NameControl(button, name, text);
  button->setAutoDefault(false);
  return button;
}

// An edit named for assistive technology by the label above it.
QLineEdit* MakeEdit(QLabel* label, QWidget* parent, const char* name, const QString& text = {}) {
  auto* edit = new QLineEdit(text, parent);
  NameControl(edit, name, label ? label->text() : QString::fromLatin1(name));
  if (label) label->setBuddy(edit);
  return edit;
}

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name, const QString& accessibleName) {
  auto* memo = new QPlainTextEdit(parent);
  NameControl(memo, name, accessibleName);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setReadOnly(false);
  return memo;
}

QIcon Icon(const char* resource) {
  return QIcon(QString::fromLatin1(resource));
}

// The grids' context menus are windows of their own, which the toolkit's accessibility tree
// leaves out; the main window lists them after its child widgets, so they and their items can
// be found before they pop up.
class MainWindowAccessible : public QAccessibleWidget {
 public:
  explicit MainWindowAccessible(TForm1* form) : QAccessibleWidget(form, QAccessible::Window) {}
  int childCount() const override {
    return QAccessibleWidget::childCount() + static_cast<int>(Menus().size());
  }
  QAccessibleInterface* child(int index) const override {
    const int widgets = QAccessibleWidget::childCount();
    if (index < widgets) return QAccessibleWidget::child(index);
    const std::vector<QMenu*> menus = Menus();
    const auto at = static_cast<size_t>(index - widgets);
    return at < menus.size() ? QAccessible::queryAccessibleInterface(menus[at]) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const int found = QAccessibleWidget::indexOfChild(child);
    if (found >= 0 || !child) return found;
    const std::vector<QMenu*> menus = Menus();
    for (size_t i = 0; i < menus.size(); ++i)
      if (child->object() == menus[i]) return QAccessibleWidget::childCount() + static_cast<int>(i);
    return -1;
  }

 private:
  std::vector<QMenu*> Menus() const {
    const auto* form = static_cast<const TForm1*>(widget());
    std::vector<QMenu*> menus;
    for (QMenu* menu : {form->PopupMenu1, form->PDAPopupMenu2})
      if (menu) menus.push_back(menu);
    return menus;
  }
};

QAccessibleInterface* MainWindowAccessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("TForm1") && object && object->isWidgetType())
    return new MainWindowAccessible(static_cast<TForm1*>(object));
  return nullptr;
}

}  // namespace

bool TOpenDialog::Execute() {
  return platform::Ui().OpenFile(FileName, Filter, DefaultExt);
}

static void InitResources() {
  Q_INIT_RESOURCE(resources);
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  InitResources();
  static const bool accessibleMenus = [] {
    QAccessible::installFactory(MainWindowAccessibleFactory);
    return true;
  }();
  (void)accessibleMenus;
  Form1 = this;
  platform::NameControl(this, "TForm1", QStringLiteral("Vireska V 1.2"));
  setWindowTitle(QStringLiteral("Vireska V 1.2"));
  resize(platform::Scaled(847), platform::Scaled(644));
  setFont(platform::DesignerFont());

  ImageList1 = {Icon(":/img/open.svg"), Icon(":/img/batch.svg"), Icon(":/img/send_wpt.svg")};
  ImageList2.resize(19);
  // Indexes the grids and the connect button use; the others are unused here.
  const char* list2[] = {":/img/folder.svg",
                         ":/img/web.svg",
                         ":/img/archive.svg",
                         ":/img/program.svg",
                         ":/img/map.svg",
                         nullptr,
                         ":/img/pda_on.svg",
                         ":/img/pda_off.svg",
                         nullptr,
                         ":/img/image.svg",
                         nullptr,
                         nullptr,
                         nullptr,
                         nullptr,
                         ":/img/plt.svg",
                         ":/img/text.svg",
                         ":/img/file.svg",
                         ":/img/arrow_up.svg",
                         ":/img/arrow_down.svg"};
  for (size_t i = 0; i < ImageList2.size(); ++i)
    if (list2[i]) ImageList2[i] = Icon(list2[i]);

  PageControl1 = new QTabWidget(this);
  NameControl(PageControl1, "PageControl1", QStringLiteral("PageControl1"));
  setCentralWidget(PageControl1);

  OpenDialog2.Filter =
      "Waypoints oziexplorer[*.wpt]|*.wpt|GPX[*.gpx]|*.gpx|LOC[*.loc]|*.loc|"
      "WPT, GPX a LOC[*.wpt;*.gpx;*.loc]|*.wpt;*.gpx;*.loc";
  OpenDialog2.DefaultExt = "*.wpt";
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(1000);
  DeviceWatcher = new DeviceVolumeWatcher(this);  // looks from the first activation on

  BuildBrowserTab();
  BuildTextTabs();
  BuildSettingsTab();
  BuildAboutTab();
  BuildManagerTab();
  BuildMenus();
  BuildTransferHold();
  PageControl1->setCurrentWidget(TabSheet1);
  PageControl2->setCurrentWidget(TabSheet4);

  WireShell();
  WireCacheList();
  WireWeb();
  WireExport();
  WireDevice();
  WireFileManager();
}

TForm1::~TForm1() {
  platform::SetInputHold(nullptr);
  if (Form1 == this) Form1 = nullptr;
}

// The stop of a copy sits in the tabs' corner, seen from every tab; "Brejk" stops a copy too.
void TForm1::BuildTransferHold() {
  SpeedButton14 =
      MakeButton(QStringLiteral("Zastaviť prenos (Esc)"), PageControl1, "SpeedButton14");
  PageControl1->setCornerWidget(SpeedButton14, Qt::TopRightCorner);
  TransferHold = new platform::WindowInputHold(this, SpeedButton14, {SpeedButton11});
  platform::SetInputHold(TransferHold);
}

void TForm1::BuildBrowserTab() {
  TabSheet1 = new QWidget;
  NameControl(TabSheet1, "TabSheet1", QStringLiteral("Browser"));
  PageControl1->addTab(TabSheet1, QStringLiteral("Browser"));
  auto* page = new QVBoxLayout(TabSheet1);
  page->setContentsMargins(0, 0, 0, 0);
  page->setSpacing(0);

  ToolBar3 = new QToolBar(TabSheet1);
  NameControl(ToolBar3, "ToolBar3", QStringLiteral("ToolBar3"));
  ToolButton10 = new QToolButton(ToolBar3);
  ToolButton10->setIcon(ImageList1[0]);
  ToolButton10->setToolTip(QStringLiteral("Otvor súbor s WPT súradnicami kešiek"));
  NameControl(ToolButton10, "ToolButton10", QStringLiteral("Otvor súbor s WPT súradnicami kešiek"));
  ToolBar3->addWidget(ToolButton10);
  ToolButton13 = new QToolButton(ToolBar3);
  ToolButton13->setIcon(ImageList1[2]);
  ToolButton13->setToolTip(QStringLiteral("Pošli WPT súbor do PDA"));
  NameControl(ToolButton13, "ToolButton13", QStringLiteral("Pošli WPT súbor do PDA"));
  ToolBar3->addWidget(ToolButton13);
  ToolBar3->addSeparator();
  ToolButton12 = new QToolButton(ToolBar3);
  ToolButton12->setIcon(ImageList1[1]);
  ToolButton12->setToolTip(QStringLiteral("Exportuj označené webové stránky"));
  NameControl(ToolButton12, "ToolButton12", QStringLiteral("Exportuj označené webové stránky"));
  ToolBar3->addWidget(ToolButton12);
  ToolBar3->addSeparator();
  Label5 = MakeLabel(QStringLiteral("Na zobrazenie súradníc musíte byť prihlásený !"), ToolBar3,
                     "Label5");
  QFont bold = Label5->font();
  bold.setBold(true);
  bold.setPixelSize(16);
  Label5->setFont(bold);
  Label5->setAlignment(Qt::AlignCenter);
  Label5->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  ToolBar3->addWidget(Label5);
  page->addWidget(ToolBar3);

  auto* middle = new QHBoxLayout;
  middle->setSpacing(2);
  page->addLayout(middle, 1);

  auto* left = new QWidget(TabSheet1);
  left->setFixedWidth(platform::Scaled(241));
  auto* col = new QVBoxLayout(left);
  col->setContentsMargins(2, 2, 2, 2);
  col->setSpacing(3);
  Label3 = MakeLabel(QStringLiteral("Zoznam kešiek na stiahnutie z webu"), left, "Label3");
  col->addWidget(Label3);
  PageControl2 = new QTabWidget(left);
  NameControl(PageControl2, "PageControl2", QStringLiteral("PageControl2"));
  TabSheet4 = new QWidget;
  TabSheet5 = new QWidget;
  NameControl(TabSheet4, "TabSheet4", QStringLiteral("Podľa názvov"));
  NameControl(TabSheet5, "TabSheet5", QStringLiteral("Podľa GCxxxx"));
  CheckListBox1 = new TCheckListBox("CheckListBox1", TabSheet4);
  CheckListBox1->setAccessibleName(QStringLiteral("Podľa názvov"));
  CheckListBox2 = new TCheckListBox("CheckListBox2", TabSheet5);
  CheckListBox2->setAccessibleName(QStringLiteral("Podľa GCxxxx"));
  (new QVBoxLayout(TabSheet4))->addWidget(CheckListBox1);
  (new QVBoxLayout(TabSheet5))->addWidget(CheckListBox2);
  TabSheet4->layout()->setContentsMargins(0, 0, 0, 0);
  TabSheet5->layout()->setContentsMargins(0, 0, 0, 0);
  PageControl2->addTab(TabSheet4, QStringLiteral("Podľa názvov"));
  PageControl2->addTab(TabSheet5, QStringLiteral("Podľa GCxxxx"));
  col->addWidget(PageControl2, 1);

  ToolBar1 = new QToolBar(left);
  NameControl(ToolBar1, "ToolBar1", QStringLiteral("ToolBar1"));
  CheckBox1 = new QCheckBox(QStringLiteral("->PDA"), ToolBar1);
  NameControl(CheckBox1, "CheckBox1", QStringLiteral("->PDA"));
  ToolBar1->addWidget(CheckBox1);
  ToolButton2 = new QToolButton(ToolBar1);
  ToolButton2->setIcon(ImageList2[7]);
  ToolButton2->setToolTip(QStringLiteral("Pripoj PDA"));
  NameControl(ToolButton2, "ToolButton2", QStringLiteral("Pripoj PDA"));
  ToolBar1->addWidget(ToolButton2);
  col->addWidget(ToolBar1);

  RadioGroup1 = new TRadioGroup("RadioGroup1", QStringLiteral("Web"),
                                {QStringLiteral("sk"), QStringLiteral("com")}, 0, left);
  col->addWidget(RadioGroup1);

  auto* buttons = new QGridLayout;
  SpeedButton4 = MakeButton(QStringLiteral("GC"), left, "SpeedButton4");
  SpeedButton7 = MakeButton(QStringLiteral("TlačFRM"), left, "SpeedButton7");
  SpeedButton7->setEnabled(false);
  SpeedButton9 = MakeButton(QStringLiteral("Exportuj jeden"), left, "SpeedButton9");
  SpeedButton1 = MakeButton(QStringLiteral("Označ všetky"), left, "SpeedButton1");
  SpeedButton2 = MakeButton(QStringLiteral("Odznač všetky"), left, "SpeedButton2");
  SpeedButton6 =
      MakeButton(QStringLiteral("Exportuj označené webové stránky"), left, "SpeedButton6");
  buttons->addWidget(SpeedButton4, 0, 0);
  buttons->addWidget(SpeedButton7, 0, 1);
  buttons->addWidget(SpeedButton9, 1, 0, 1, 2);
  buttons->addWidget(SpeedButton1, 2, 0);
  buttons->addWidget(SpeedButton2, 2, 1);
  buttons->addWidget(SpeedButton6, 3, 0, 1, 2);
  col->addLayout(buttons);

  Label4 = MakeLabel(QStringLiteral("Prihlásenie na web"), left, "Label4");
  QFont labelBold = Label4->font();
  labelBold.setBold(true);
  Label4->setFont(labelBold);
  SpeedButton11 = MakeButton(QStringLiteral("Brejk"), left, "SpeedButton11");
  auto* loginHead = new QHBoxLayout;
  loginHead->addWidget(Label4, 1);
  loginHead->addWidget(SpeedButton11);
  col->addLayout(loginHead);
  Label1 = MakeLabel(QStringLiteral("Prihlasovacie meno"), left, "Label1");
  Label2 = MakeLabel(QStringLiteral("Heslo"), left, "Label2");
  Edit1 = MakeEdit(Label1, left, "Edit1");
  Edit2 = MakeEdit(Label2, left, "Edit2");
  SpeedButton5 = MakeButton(QStringLiteral("Prihlás!"), left, "SpeedButton5");
  auto* login = new QGridLayout;
  login->addWidget(Label1, 0, 0);
  login->addWidget(Label2, 0, 1);
  login->addWidget(Edit1, 1, 0);
  login->addWidget(Edit2, 1, 1);
  login->addWidget(SpeedButton5, 2, 0, 1, 2);
  col->addLayout(login);
  middle->addWidget(left);

  WebBrowserHost = new QWidget(TabSheet1);
  NameControl(WebBrowserHost, "WebBrowser1", QStringLiteral("WebBrowser1"));
  auto* host = new QVBoxLayout(WebBrowserHost);
  host->setContentsMargins(0, 0, 0, 0);
  middle->addWidget(WebBrowserHost, 1);

  StatusBar1 = new TStatusBar("StatusBar1", {104, 50, 50, 50}, TabSheet1);
  ProgressBar1 = new QProgressBar(StatusBar1->Panel(0));
  NameControl(ProgressBar1, "ProgressBar1", QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setGeometry(platform::Scaled(2), platform::Scaled(2), platform::Scaled(100),
                            platform::Scaled(15));
  page->addWidget(StatusBar1);
}

void TForm1::BuildTextTabs() {
  TabSheet2 = new QWidget;
  NameControl(TabSheet2, "TabSheet2", QStringLiteral("HTML"));
  Memo1 = MakeMemo(TabSheet2, "Memo1", QStringLiteral("HTML"));
  (new QVBoxLayout(TabSheet2))->addWidget(Memo1);
  PageControl1->addTab(TabSheet2, QStringLiteral("HTML"));

  TabSheet3 = new QWidget;
  NameControl(TabSheet3, "TabSheet3", QStringLiteral("WPT"));
  // A waypoint file can hold a million lines: a view over its bytes, not a text document.
  Memo2 = new platform::TTextView("Memo2", TabSheet3);
  Memo2->setAccessibleName(QStringLiteral("WPT"));
  (new QVBoxLayout(TabSheet3))->addWidget(Memo2);
  PageControl1->addTab(TabSheet3, QStringLiteral("WPT"));
}

void TForm1::BuildSettingsTab() {
  TabSheet7 = new QWidget;
  NameControl(TabSheet7, "TabSheet7", QStringLiteral("Nastavenia"));
  PageControl1->addTab(TabSheet7, QStringLiteral("Nastavenia"));
  auto* grid = new QGridLayout(TabSheet7);

  Label6 =
      MakeLabel(QStringLiteral("Nastavenie cesty kde budú ukladané súbory bez lomítka na konci"),
                TabSheet7, "Label6");
  Edit3 = MakeEdit(Label6, TabSheet7, "Edit3");
  DriveComboBox1 = new TDriveComboBox("DriveComboBox1", TabSheet7);
  DirectoryOutline1 = new TDirectoryOutline("DirectoryOutline1", TabSheet7);
  Label7 =
      MakeLabel(QStringLiteral("Cesta v PDA pre WPT s lomítkom na konci"), TabSheet7, "Label7");
  Edit4 = MakeEdit(Label7, TabSheet7, "Edit4", QStringLiteral("\\Storage Card\\OZI_Maps\\WP\\"));
  Label8 = MakeLabel(QStringLiteral("Cesta v PDA pre MHT súbory s lomítkom na konci"), TabSheet7,
                     "Label8");
  Edit5 = MakeEdit(Label8, TabSheet7, "Edit5", QStringLiteral("\\Storage Card\\MHT\\"));
  RadioGroup2 =
      new TRadioGroup("RadioGroup2", QStringLiteral("Čo  sa bude exportovať z www.geocaching.sk"),
                      {QStringLiteral("Ukladaj hlavnú stránku kešky"),
                       QStringLiteral("Ukladaj tlačovú stránku kešky")},
                      1, TabSheet7);
  RadioGroup3 = new TRadioGroup(
      "RadioGroup3", QStringLiteral("Ako sa bude exportovať"),
      {QStringLiteral("formát html - úsporný,ale úplne bez obrázkov"),
       QStringLiteral("formát MHT - komprimovaný formát ukladania stránok 1:1 od Microsoftu")},
      1, TabSheet7);
  const QString wholePage = QStringLiteral("MHT: celá stránka s obrázkami a dekódovanou pomôckou");
  CheckBox2 = new QCheckBox(wholePage, TabSheet7);
  NameControl(CheckBox2, "CheckBox2", wholePage);
  SpeedButton8 = MakeButton(QStringLiteral("Zapíš do INI"), TabSheet7, "SpeedButton8");

  grid->addWidget(Label6, 0, 0);
  grid->addWidget(Edit3, 1, 0);
  grid->addWidget(DriveComboBox1, 2, 0);
  grid->addWidget(DirectoryOutline1, 3, 0, 6, 1);
  grid->addWidget(Label7, 0, 1);
  grid->addWidget(Edit4, 1, 1);
  grid->addWidget(Label8, 2, 1);
  grid->addWidget(Edit5, 3, 1);
  grid->addWidget(RadioGroup2, 4, 1);
  auto* exportForm = new QVBoxLayout;  // the check box refines the form chosen above it
  exportForm->addWidget(RadioGroup3);
  exportForm->addWidget(CheckBox2);
  grid->addLayout(exportForm, 5, 1);
  grid->addWidget(SpeedButton8, 6, 1, Qt::AlignLeft);
  grid->addWidget(BuildHandheldGroup(TabSheet7), 7, 1);
  grid->setRowStretch(8, 1);
}

// The group "PDA" under the handheld paths: every size of its controls is set here.
QGroupBox* TForm1::BuildHandheldGroup(QWidget* parent) {
  GroupBox1 = new QGroupBox(QStringLiteral("PDA"), parent);
  NameControl(GroupBox1, "GroupBox1", QStringLiteral("PDA"));
  Label12 = MakeLabel(QStringLiteral("Priečinok v PC, ktorý je PDA (prázdne: PDA vedľa programu)"),
                      GroupBox1, "Label12");
  Edit6 = MakeEdit(Label12, GroupBox1, "Edit6");
  SpeedButton13 = MakeButton(QStringLiteral("Vyber priečinok..."), GroupBox1, "SpeedButton13");
  Label14 = MakeLabel(QString(), GroupBox1, "Label14");
  Label14->setWordWrap(true);
  Label14->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
  Label13 =
      MakeLabel(QStringLiteral("Nájdené zariadenia (kliknutím sa zvolí)"), GroupBox1, "Label13");
  ListBox1 = new QListWidget(GroupBox1);
  NameControl(ListBox1, "ListBox1", Label13->text());
  Label13->setBuddy(ListBox1);
  ListBox1->setMaximumHeight(90);

  auto* grid = new QGridLayout(GroupBox1);
  grid->addWidget(Label12, 0, 0, 1, 2);
  grid->addWidget(Edit6, 1, 0);
  grid->addWidget(SpeedButton13, 1, 1);
  grid->addWidget(Label14, 2, 0, 1, 2);
  grid->addWidget(Label13, 3, 0, 1, 2);
  grid->addWidget(ListBox1, 4, 0, 1, 2);
  return GroupBox1;
}

void TForm1::BuildAboutTab() {
  TabSheet6 = new QWidget;
  NameControl(TabSheet6, "TabSheet6", QStringLiteral("O programe"));
  PageControl1->addTab(TabSheet6, QStringLiteral("O programe"));
  RichEdit1 = new QTextBrowser(TabSheet6);
  NameControl(RichEdit1, "RichEdit1", QStringLiteral("O programe"));
  RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  (new QVBoxLayout(TabSheet6))->addWidget(RichEdit1);
}

void TForm1::BuildManagerTab() {
  TabSheet8 = new QWidget;
  NameControl(TabSheet8, "TabSheet8", QStringLiteral("PDA Manažér"));
  PageControl1->addTab(TabSheet8, QStringLiteral("PDA Manažér"));
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
  StringGrid2 = new TStringGrid("StringGrid2", {160, 55, 132}, 4, Panel6);
  StatusBar5 = new TStatusBar("StatusBar5", {200, 50}, Panel6);
  ToolBar4 = new QToolBar(Panel6);
  NameControl(ToolBar4, "ToolBar4", QStringLiteral("ToolBar4"));
  StatusBar4 = new TStatusBar("StatusBar4", {100, 100, 50}, ToolBar4);
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
  StatusBar3 = new TStatusBar("StatusBar3", {200, 50}, Panel5);
  ToolBar2 = new QToolBar(Panel5);
  NameControl(ToolBar2, "ToolBar2", QStringLiteral("ToolBar2"));
  StatusBar2 = new TStatusBar("StatusBar2", {100, 100, 50}, ToolBar2);
  ToolBar2->addWidget(StatusBar2);
  pda->addWidget(Label10);
  pda->addWidget(SpeedButton12, 0, Qt::AlignLeft);
  pda->addWidget(StringGrid1, 1);
  pda->addWidget(StatusBar3);
  pda->addWidget(ToolBar2);
  panes->addWidget(Panel5, 1);
}

void TForm1::BuildMenus() {
  Subor1 = menuBar()->addMenu(QStringLiteral("Súbor"));
  Subor1->setObjectName(QStringLiteral("Subor1"));
  OtvorWPTsbor2 = Subor1->addAction(QStringLiteral("Otvor WPT súbor"));
  PoliWPTsbordoPDA1 = Subor1->addAction(QStringLiteral("Pošli WPT súbor do PDA"));
  Funkciemanara1 = Subor1->addMenu(QStringLiteral("Funkcie manažéra"));
  Funkciemanara1->setObjectName(QStringLiteral("Funkciemanara1"));
  KopirovaniesborudoPDA2 =
      Funkciemanara1->addAction(QStringLiteral("Kopirovanie označených súborov do PDA"));
  Vymazaniesboru2 = Funkciemanara1->addAction(QStringLiteral("Otvor file v asociovanom programe"));
  MenuItem3 = Funkciemanara1->addAction(QStringLiteral("Kopirovanie označených súborov do PC"));
  MenuItem4 =
      Funkciemanara1->addAction(QStringLiteral("Vymazanie označených súborov,adresárov v PDA"));
  Vytvoradresr2 = Funkciemanara1->addAction(QStringLiteral("Vytvor adresár v PDA"));
  Koniecprogramu1 = Subor1->addAction(QStringLiteral("Koniec programu"));

  PopupMenu1 = new QMenu(this);
  NameControl(PopupMenu1, "PopupMenu1", QStringLiteral("PopupMenu1"));
  KopirovaniesborudoPDA1 =
      PopupMenu1->addAction(QStringLiteral("Kopirovanie označených súborov do PDA"));
  Vymazaniesboru1 = PopupMenu1->addAction(QStringLiteral("Otvor file v asociovanom programe"));
  Refre1 = PopupMenu1->addAction(QStringLiteral("Refreš"));

  PDAPopupMenu2 = new QMenu(this);
  NameControl(PDAPopupMenu2, "PDAPopupMenu2", QStringLiteral("PDAPopupMenu2"));
  MenuItem1 = PDAPopupMenu2->addAction(QStringLiteral("Kopirovanie označených súborov do PC"));
  MenuItem2 = PDAPopupMenu2->addAction(QStringLiteral("Vymazanie označených súborov,adresárov"));
  Vytvoradresr1 = PDAPopupMenu2->addAction(QStringLiteral("Vytvor adresár"));
  Refre2 = PDAPopupMenu2->addAction(QStringLiteral("Refreš"));

  const std::pair<QAction*, const char*> names[] = {
      {OtvorWPTsbor2, "OtvorWPTsbor2"},
      {PoliWPTsbordoPDA1, "PoliWPTsbordoPDA1"},
      {KopirovaniesborudoPDA2, "KopirovaniesborudoPDA2"},
      {Vymazaniesboru2, "Vymazaniesboru2"},
      {MenuItem3, "MenuItem3"},
      {MenuItem4, "MenuItem4"},
      {Vytvoradresr2, "Vytvoradresr2"},
      {Koniecprogramu1, "Koniecprogramu1"},
      {KopirovaniesborudoPDA1, "KopirovaniesborudoPDA1"},
      {Vymazaniesboru1, "Vymazaniesboru1"},
      {Refre1, "Refre1"},
      {MenuItem1, "MenuItem1"},
      {MenuItem2, "MenuItem2"},
      {Vytvoradresr1, "Vytvoradresr1"},
      {Refre2, "Refre2"}};
  for (const auto& [action, name] : names) action->setObjectName(QString::fromLatin1(name));
}

bool TForm1::event(QEvent* e) {
  bool handled = QMainWindow::event(e);
  // The first activation's steps run once, as soon as the shown window's event loop runs:
  // without a window manager that activates it, the window may never become active.
  // Later activations do nothing.
  if ((e->type() == QEvent::Show || e->type() == QEvent::WindowActivate) && !activationQueued_) {
    activationQueued_ = true;
    QTimer::singleShot(0, this, [this] {
      if (closed_) return;
      platform::RunReported([this] { FormActivate(); });
      // For checks of an installed program: start, show the window, close it again.
      if (std::getenv("VIRESKA_QUIT_AFTER_START")) close();
    });
  }
  return handled;
}

void TForm1::closeEvent(QCloseEvent* e) {
  // Asked to close inside a sleep, the window closes after it, as its close message waited.
  if (platform::Sleeping()) {
    e->ignore();
    platform::RunAwake([form = QPointer<TForm1>(this)] {
      if (form) form->close();
    });
    return;
  }
  closed_ = true;
  // A copy in progress is stopped first: it takes its temporary file away on its own thread,
  // and the link ends after it.
  device::StopAwaited();
  platform::RunReported([this] { FormClose(); });
  e->accept();
}
