// The frame of the main window: the window, the tab widget and the order of its tabs, the stop
// of a copy in the tabs' corner, the accessibility of the pop-up menus, and the menus.
#include "app/mainform.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <utility>

#include "platform/ui.h"
#include "platform/windowhold.h"

TForm1* Form1 = nullptr;

namespace {

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
  NameControl(this, "TForm1", QStringLiteral("Vireska V 1.2"));
  setWindowTitle(WindowCaption());
  resize(platform::Scaled(847), platform::Scaled(644));
  setFont(platform::DesignerFont());

  using platform::Icon;
  ImageList1 = {Icon(":/img/open.svg"), Icon(":/img/batch.svg"), Icon(":/img/send_wpt.svg"),
                Icon(":/img/send_gps.svg")};
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
  NameControl(PageControl1, "PageControl1", QStringLiteral("Karty programu"));
  setCentralWidget(PageControl1);

  // The tabs in their order; each builds its page in the file of its subsystem.
  BuildBrowserTab();   // web/form_web.cpp
  BuildHtmlTab();      // web/form_web.cpp
  BuildWaypointTab();  // cachelist/form_cachelist.cpp
  BuildSettingsTab();  // app/form_settings.cpp, its group "PDA" device/form_handheld.cpp
  BuildAboutTab();     // app/form_about.cpp
  BuildManagerTab();   // filemanager/form_filemanager.cpp
  BuildMenus();
  BuildTransferHold();
  PageControl1->setCurrentWidget(TabSheet1);
  PageControl2->setCurrentWidget(TabSheet4);

  // Once every control exists: a subsystem's handlers may sit on several tabs and the menus.
  WireSettings();
  WireStartAndClose();
  WireCacheList();
  WireWeb();
  WireExport();
  WireDevice();
  WireGps();
  WireHandheldGroup();
  WireDeviceFolders();
  WireFileManager();
}

TForm1::~TForm1() {
  platform::SetInputHold(nullptr);
  if (Form1 == this) Form1 = nullptr;
}

QWidget* TForm1::AddPage(const char* designerName, const QString& caption) {
  auto* page = new QWidget;
  NameControl(page, designerName, caption);
  PageControl1->addTab(page, caption);
  return page;
}

// The stop of a copy sits in the tabs' corner, seen from every tab; "Brejk" stops a copy too.
void TForm1::BuildTransferHold() {
  SpeedButton14 =
      MakeButton(QStringLiteral("Zastaviť prenos (Esc)"), PageControl1, "SpeedButton14");
  PageControl1->setCornerWidget(SpeedButton14, Qt::TopRightCorner);
  TransferHold = new platform::WindowInputHold(this, SpeedButton14, {SpeedButton11});
  platform::SetInputHold(TransferHold);
}

void TForm1::BuildMenus() {
  Subor1 = menuBar()->addMenu(QStringLiteral("&Súbor"));  // Alt+S
  Subor1->setObjectName(QStringLiteral("Subor1"));
  OtvorWPTsbor2 = Subor1->addAction(QStringLiteral("Otvor WPT súbor"));
  OtvorWPTsbor2->setShortcut(QKeySequence::Open);
  PoliWPTsbordoPDA1 = Subor1->addAction(QStringLiteral("Pošli WPT/GPX/LOC súbor do PDA"));
  PolikekydoGPS1 = Subor1->addAction(QStringLiteral("Pošli kešky do GPS"));
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
  NameControl(PopupMenu1, "PopupMenu1", QStringLiteral("Funkcie PC"));
  KopirovaniesborudoPDA1 =
      PopupMenu1->addAction(QStringLiteral("Kopirovanie označených súborov do PDA"));
  Vymazaniesboru1 = PopupMenu1->addAction(QStringLiteral("Otvor file v asociovanom programe"));
  Refre1 = PopupMenu1->addAction(QStringLiteral("Refreš"));

  PDAPopupMenu2 = new QMenu(this);
  NameControl(PDAPopupMenu2, "PDAPopupMenu2", QStringLiteral("Funkcie PDA"));
  MenuItem1 = PDAPopupMenu2->addAction(QStringLiteral("Kopirovanie označených súborov do PC"));
  MenuItem2 = PDAPopupMenu2->addAction(QStringLiteral("Vymazanie označených súborov,adresárov"));
  Vytvoradresr1 = PDAPopupMenu2->addAction(QStringLiteral("Vytvor adresár"));
  Refre2 = PDAPopupMenu2->addAction(QStringLiteral("Refreš"));

  const std::pair<QAction*, const char*> names[] = {
      {OtvorWPTsbor2, "OtvorWPTsbor2"},
      {PoliWPTsbordoPDA1, "PoliWPTsbordoPDA1"},
      {PolikekydoGPS1, "PolikekydoGPS1"},
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
