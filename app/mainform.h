#pragma once
// TForm1, the main window. Its controls keep their designer names. Each tab is built, wired and
// handled in one file of the subsystem that owns it:
//   "Browser"      web/form_web.cpp builds the page; each subsystem wires and handles its own
//                  controls on it: cachelist/form_cachelist.cpp (the lists), web/form_web.cpp
//                  (site, login, pages), export/form_export.cpp, device/form_device.cpp
//                  (connect, send the waypoint file), device/form_gps.cpp (send caches to
//                  a GPS unit)
//   "HTML"         web/form_web.cpp
//   "WPT"          cachelist/form_cachelist.cpp
//   "Nastavenia"   app/form_settings.cpp; its group "PDA" device/form_handheld.cpp
//   "O programe"   app/form_about.cpp
//   "PDA Manažér"  filemanager/form_filemanager.cpp (the page and its wiring); the handlers in
//                  filemanager/form_listing.cpp, form_order.cpp, form_navigation.cpp,
//                  form_commands.cpp
// app/mainform.cpp holds the frame (the window, the tab widget and the order of the tabs, the
// stop of a copy in the tabs' corner, the accessibility of the pop-up menus) and the menus;
// app/startup.cpp the first activation, the settings file and close.
#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/ansi.h"
#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/textview.h"
#include "platform/ui.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QListWidget;
class QLabel;
class QLineEdit;
class QMenu;
class QPainter;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRect;
class QSplitter;
class QTabWidget;
class QTextBrowser;
class QTimer;
class QToolBar;
class QToolButton;
class WebBrowser;
struct CacheEntry;
class DeviceVolumeWatcher;
class FolderHintLook;
namespace platform {
class WindowInputHold;
}
struct TGridDrawState;

// The makers of the plain controls every tab is built from.
using platform::MakeButton;
using platform::MakeEdit;
using platform::MakeLabel;
using platform::MakeMemo;
using platform::NameControl;
using platform::TCheckListBox;
using platform::TDirectoryListBox;
using platform::TDirectoryOutline;
using platform::TDriveComboBox;
using platform::TRadioGroup;
using platform::TStatusBar;
using platform::TStringGrid;

// The waypoint open dialog: its file name stays between openings.
struct TOpenDialog {
  AnsiString FileName;
  AnsiString Filter;
  AnsiString DefaultExt;
  bool Execute();
};

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // ---- the frame (app/mainform.cpp)
  QTabWidget* PageControl1;

  // ---- tab "Browser" (web/form_web.cpp)
  QWidget* TabSheet1;
  QToolBar* ToolBar3;
  QToolButton* ToolButton10;
  QToolButton* ToolButton13;  // "Pošli WPT/GPX/LOC súbor do PDA"
  QToolButton* ToolButton14;  // "Pošli kešky do GPS"
  QToolButton* ToolButton12;
  QLabel* Label5;
  QLabel* Label3;        // "Zoznam kešiek na stiahnutie z webu"
  QSplitter* Splitter1;  // the left panel, which can be widened, and the browser
  QLineEdit* Edit21;     // the filter over both cache lists
  QLabel* Label21;       // how many caches, shown and ticked
  QTabWidget* PageControl2;
  QWidget* TabSheet4;
  QWidget* TabSheet5;
  TCheckListBox* CheckListBox1;
  TCheckListBox* CheckListBox2;
  QToolBar* ToolBar1;
  QCheckBox* CheckBox1;
  QToolButton* ToolButton2;
  TRadioGroup* RadioGroup1;
  QPushButton* SpeedButton4;
  QPushButton* SpeedButton7;
  QPushButton* SpeedButton9;
  QPushButton* SpeedButton1;
  QPushButton* SpeedButton2;
  QPushButton* SpeedButton6;
  QLabel* Label4;  // "Prihlásenie na web"
  QPushButton* SpeedButton11;
  QLabel* Label1;  // "Prihlasovacie meno"
  QLabel* Label2;  // "Heslo"
  QLineEdit* Edit1;
  QLineEdit* Edit2;      // the password, hidden while typed
  QCheckBox* CheckBox3;  // "Zobraziť heslo"
  QPushButton* SpeedButton5;
  QWidget* WebBrowserHost;            // holds the browser's view
  WebBrowser* WebBrowser1 = nullptr;  // the browser control (web/)
  TStatusBar* StatusBar1;
  QProgressBar* ProgressBar1;
  QLabel* Label22;  // in StatusBar1: what the last batch exported

  // ---- tab "HTML" (web/form_web.cpp)
  QWidget* TabSheet2;
  QPlainTextEdit* Memo1;
  // ---- tab "WPT" (cachelist/form_cachelist.cpp)
  QWidget* TabSheet3;
  platform::TTextView* Memo2;

  // ---- tab "Nastavenia" (app/form_settings.cpp)
  QWidget* TabSheet7;
  QLabel* Label6;
  QLineEdit* Edit3;
  TDriveComboBox* DriveComboBox1;
  TDirectoryOutline* DirectoryOutline1;
  QLabel* Label7;
  QLineEdit* Edit4;
  QLabel* Label8;
  QLineEdit* Edit5;
  QLabel* Label23;             // the handheld folders of Edit4 and Edit5 that do not exist
  QPushButton* SpeedButton21;  // creates them
  TRadioGroup* RadioGroup2;
  TRadioGroup* RadioGroup3;
  QCheckBox* CheckBox2;  // the MHT form saves the shown page whole ("MHT_Cela")
  QPushButton* SpeedButton8;
  // group "PDA": the PC folder that is the handheld (device/form_handheld.cpp)
  QGroupBox* GroupBox1;
  QLabel* Label12;  // "Priečinok v PC, ktorý je PDA"
  QLineEdit* Edit6;
  QPushButton* SpeedButton13;  // folder picker
  QLabel* Label14;             // what is wrong with the folder, if anything
  QLabel* Label13;             // "Nájdené zariadenia"
  QListWidget* ListBox1;

  // ---- tab "O programe" (app/form_about.cpp)
  QWidget* TabSheet6;
  QTextBrowser* RichEdit1;

  // ---- tab "PDA Manažér" (filemanager/form_filemanager.cpp)
  QWidget* TabSheet8;
  QLabel* Label11;  // "Funkcie sú dostupné cez pravé tlačítko myšky"
  QWidget* Panel6;  // PC pane
  QLabel* Label9;
  TDriveComboBox* DriveComboBox2;
  TDirectoryListBox* DirectoryListBox1;
  TStringGrid* StringGrid2;
  TStatusBar* StatusBar5;
  QToolBar* ToolBar4;
  TStatusBar* StatusBar4;
  QWidget* Panel5;  // handheld pane
  QLabel* Label10;
  TStringGrid* StringGrid1;
  TStatusBar* StatusBar3;
  QToolBar* ToolBar2;
  TStatusBar* StatusBar2;
  QPushButton* SpeedButton12;

  // ---- in every tab's corner while a copy runs (app/mainform.cpp)
  QPushButton* SpeedButton14;  // "Zastaviť prenos (Esc)"

  // ---- menus (app/mainform.cpp)
  QMenu* Subor1;
  QAction* OtvorWPTsbor2;
  QAction* PoliWPTsbordoPDA1;
  QAction* PolikekydoGPS1;
  QMenu* Funkciemanara1;
  QAction* KopirovaniesborudoPDA2;  // main-menu twins of the pop-up items
  QAction* Vymazaniesboru2;
  QAction* MenuItem3;
  QAction* MenuItem4;
  QAction* Vytvoradresr2;
  QAction* Koniecprogramu1;
  QMenu* PopupMenu1;
  QAction* KopirovaniesborudoPDA1;
  QAction* Vymazaniesboru1;
  QAction* Refre1;
  QMenu* PDAPopupMenu2;
  QAction* MenuItem1;
  QAction* MenuItem2;
  QAction* Vytvoradresr1;
  QAction* Refre2;

  // ---- non-visual
  // Icons of several tabs (app/mainform.cpp).
  std::vector<QIcon> ImageList1;
  std::vector<QIcon> ImageList2;
  TOpenDialog OpenDialog2;  // the waypoint file (cachelist/form_cachelist.cpp)
  QTimer* Timer1;           // the upload limit (export/form_export.cpp)
  // The devices mounted now, for ListBox1 (device/form_handheld.cpp).
  DeviceVolumeWatcher* DeviceWatcher;
  // Holds user input back while the window waits on the handheld (device/worker.h).
  platform::WindowInputHold* TransferHold;
  FolderHintLook* HintLook =
      nullptr;  // what Label14 says of Edit6's folder, looked at off the window

  // ---- start and close (app/startup.cpp)
  void FormActivate();
  void FormClose();
  void Koniecprogramu1Click();
  // The settings file: beside the program, or in the user's configuration folder when the
  // program's folder is read-only (platform::SettingsFolder). Every reader and writer asks here.
  static std::filesystem::path SettingsFile();
  // A waypoint file was loaded: remembered for the open dialog of a later start.
  void WaypointFileOpened();
  // The window's caption before the name of the opened file.
  static QString WindowCaption();
  // "Čo  sa bude exportovať z " and the national site's address.
  void SetRadioGroup2Caption(const AnsiString& nationalSite);

  // ---- tab "Nastavenia" (app/form_settings.cpp)
  void SpeedButton8Click();
  void DirectoryOutline1MouseUp();
  void DriveComboBox1Change();

  // ---- cache list (cachelist/form_cachelist.cpp)
  void ToolButton10Click();
  void OtvorWPTsbor2Click();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void CheckListBox1Click();
  void CheckListBox2Click();
  void CheckListBox1DblClick();
  // Both cache lists from the entries read from a waypoint file: index-aligned, unchecked.
  void SetCacheEntries(std::vector<CacheEntry> entries);
  // The "WPT" tab shows the file's text.
  void SetWaypointText(std::string bytes);
  // The filter typed above the lists narrows both.
  void Edit21Change();
  void ShowCacheCounts();

  // ---- web session (web/form_web.cpp)
  void RadioGroup1Click();
  void SpeedButton11Click();
  void WebBrowser1ProgressChange(int progress, int progressMax);
  void WebBrowser1NavigateComplete2();
  void WebBrowser1DownloadComplete();
  void SpeedButton5Click();
  void WebBrowser1DocumentComplete();
  void SpeedButton4Click();
  void SpeedButton7Click();

  // ---- page export (export/form_export.cpp)
  void SpeedButton9Click();
  // The push of an exported file to the handheld, under the upload time limit.
  void PushExport(const AnsiString& pcFile, const AnsiString& deviceFile);
  void SpeedButton6Click();
  // In StatusBar1 (Label22): how many of the batch's caches were exported, and which were not.
  void ShowBatchSummary(int exported, int taken, const std::vector<AnsiString>& missed);
  void ToolButton12Click();
  void Timer1Timer();

  // ---- device link (device/form_device.cpp)
  void ToolButton2Click();
  void PoliWPTsbordoPDA1Click();
  void ToolButton13Click();
  // ---- the handheld folders of Edit4 and Edit5 on "Nastavenia" (device/form_devicefolders.cpp)
  QWidget* BuildDeviceFoldersNote(QWidget* parent);
  void WireDeviceFolders();
  // Looks on the handheld's thread whether they exist; Label23 and SpeedButton21 say the answer.
  void CheckDeviceFolders();
  void SpeedButton21Click();
  // ---- sending caches to a GPS unit (device/form_gps.cpp)
  void PolikekydoGPS1Click();
  void ToolButton14Click();
  // ---- group "PDA" on "Nastavenia" (device/form_handheld.cpp)
  void Edit6Change();
  void ShowDeviceFolderHint();
  void SpeedButton13Click();
  void ListBox1Click();
  void DeviceWatcherChange();
  void TabSheet7Show();

  // ---- file manager (filemanager/: the tab and its menu in form_filemanager.cpp, the handlers
  // by subject in form_listing.cpp, form_order.cpp, form_navigation.cpp, form_commands.cpp)
  void Funkciemanara1Click();
  void GetDirPDA(const AnsiString& pattern);
  // A copy wrote that handheld file: the handheld pane is listed again when it shows its folder.
  void DeviceFileWritten(const AnsiString& devicePath);
  void SpeedButton12Click();
  void Refre2Click();
  void DirectoryListBox1Change();
  void Refre1Click();
  void StringGrid1MouseUp(QMouseEvent* event);
  void StringGrid2MouseUp(QMouseEvent* event);
  void Zotried();
  void Zotried2();
  // Owner drawing: called for every painted cell after the grid's standard painting.
  void StringGrid1DrawCell(QPainter& canvas, int col, int row, const QRect& rect,
                           const TGridDrawState& state);
  void StringGrid2DrawCell(QPainter& canvas, int col, int row, const QRect& rect,
                           const TGridDrawState& state);
  void StringGrid1MouseDown(QMouseEvent* event);
  void StringGrid2MouseDown(QMouseEvent* event);
  void StringGrid1DblClick();
  void StringGrid2DblClick();
  // Enter, Delete (handheld), the context-menu key and Shift+F10 at the current cell; true when
  // the key was the pane's.
  bool StringGrid1KeyDown(QKeyEvent* event);
  bool StringGrid2KeyDown(QKeyEvent* event);
  void KopirovaniesborudoPDA1Click();
  void MenuItem1Click();
  void MenuItem2Click();
  void Vytvoradresr1Click();
  void Vymazaniesboru1Click();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // A handler as the toolkit calls it: the failure that ends it is reported there.
  template <class... Args>
  auto Reported(void (TForm1::*handler)(Args...)) {
    return platform::Reported([this, handler](Args... args) { (this->*handler)(args...); });
  }
  // A handler of the program's own events (browser, timer): inside a Sleep it waits until the
  // sleep is over, as the original's messages waited for its sleeping thread.
  template <class... Args>
  auto ReportedAwake(void (TForm1::*handler)(Args...)) {
    return [form = QPointer<TForm1>(this), handler](Args... args) {
      platform::RunAwake([=] {
        if (form) form->Reported(handler)(args...);
      });
    };
  }
  // Each tab's page, in the file of its tab (above); each subsystem's connections beside its
  // handlers.
  void BuildMenus();
  void BuildTransferHold();
  // A new page at the end of the tabs.
  QWidget* AddPage(const char* designerName, const QString& caption);
  void BuildBrowserTab();
  void BuildHtmlTab();
  void BuildWaypointTab();
  void BuildSettingsTab();
  QGroupBox* BuildHandheldGroup(QWidget* parent);
  void BuildAboutTab();
  void BuildManagerTab();
  void WireStartAndClose();
  void WireSettings();
  void WireCacheList();
  void WireWeb();
  void WireExport();
  void WireDevice();
  void WireGps();
  void WireHandheldGroup();
  void WireFileManager();
  // The text of "O programe", read at the first activation.
  void LoadAboutText();
  bool activationQueued_ = false;
  bool activated_ = false;
  bool lastPathsRead_ = false;  // "LastCesty" was read: close may write it back
  bool closed_ = false;
  bool deviceListed_ =
      false;  // the handheld pane was listed: a copy into its folder lists it again
  std::shared_ptr<const std::vector<CacheEntry>> cacheEntries_;  // what both lists show
  unsigned folderCheck_ = 0;  // the newest look at the handheld folders; older answers are late
};

// The main window, reachable by the free routines that work on its controls.
extern TForm1* Form1;
