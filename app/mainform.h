#pragma once
// TForm1, the main window. Its controls keep their designer names; its handlers are defined in
// the subsystem that owns them (cachelist/, web/, export/, device/, filemanager/); app/ holds
// construction, layout and wiring only.
#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <filesystem>
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

  // ---- tab "Browser"
  QTabWidget* PageControl1;
  QWidget* TabSheet1;
  QToolBar* ToolBar3;
  QToolButton* ToolButton10;
  QToolButton* ToolButton13;  // "Pošli WPT súbor do PDA"
  QToolButton* ToolButton12;
  QLabel* Label5;
  QLabel* Label3;  // "Zoznam kešiek na stiahnutie z webu"
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
  QLineEdit* Edit2;
  QPushButton* SpeedButton5;
  QWidget* WebBrowserHost;            // holds the browser's view
  WebBrowser* WebBrowser1 = nullptr;  // the browser control (web/)
  TStatusBar* StatusBar1;
  QProgressBar* ProgressBar1;

  // ---- tabs "HTML", "WPT"
  QWidget* TabSheet2;
  QPlainTextEdit* Memo1;
  QWidget* TabSheet3;
  platform::TTextView* Memo2;

  // ---- tab "Nastavenia"
  QWidget* TabSheet7;
  QLabel* Label6;
  QLineEdit* Edit3;
  TDriveComboBox* DriveComboBox1;
  TDirectoryOutline* DirectoryOutline1;
  QLabel* Label7;
  QLineEdit* Edit4;
  QLabel* Label8;
  QLineEdit* Edit5;
  TRadioGroup* RadioGroup2;
  TRadioGroup* RadioGroup3;
  QCheckBox* CheckBox2;  // the MHT form saves the shown page whole ("MHT_Cela")
  QPushButton* SpeedButton8;
  // group "PDA": the PC folder that is the handheld
  QGroupBox* GroupBox1;
  QLabel* Label12;  // "Priečinok v PC, ktorý je PDA"
  QLineEdit* Edit6;
  QPushButton* SpeedButton13;  // folder picker
  QLabel* Label14;             // what is wrong with the folder, if anything
  QLabel* Label13;             // "Nájdené zariadenia"
  QListWidget* ListBox1;

  // ---- tab "O programe"
  QWidget* TabSheet6;
  QTextBrowser* RichEdit1;

  // ---- tab "PDA Manažér"
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

  // ---- in every tab's corner while a copy runs
  QPushButton* SpeedButton14;  // "Zastaviť prenos (Esc)"

  // ---- menus
  QMenu* Subor1;
  QAction* OtvorWPTsbor2;
  QAction* PoliWPTsbordoPDA1;
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
  std::vector<QIcon> ImageList1;
  std::vector<QIcon> ImageList2;
  TOpenDialog OpenDialog2;
  QTimer* Timer1;
  DeviceVolumeWatcher* DeviceWatcher;  // the devices mounted now, for ListBox1
  // Holds user input back while the window waits on the handheld (device/worker.h).
  platform::WindowInputHold* TransferHold;
  FolderHintLook* HintLook =
      nullptr;  // what Label14 says of Edit6's folder, looked at off the window

  // ---- application shell and settings (app/)
  void FormActivate();
  void FormClose();
  void SpeedButton8Click();
  void DirectoryOutline1MouseUp();
  void DriveComboBox1Change();
  void Koniecprogramu1Click();
  void Funkciemanara1Click();
  void RadioGroup1Click();
  // The settings file: beside the program, or in the user's configuration folder when the
  // program's folder is read-only (platform::SettingsFolder). Every reader and writer asks here.
  static std::filesystem::path SettingsFile();
  // A waypoint file was loaded: remembered for the open dialog of a later start.
  void WaypointFileOpened();
  // "Čo  sa bude exportovať z " and the national site's address.
  void SetRadioGroup2Caption(const AnsiString& nationalSite);

  // ---- cache list (cachelist/)
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

  // ---- web session (web/)
  void SpeedButton11Click();
  void WebBrowser1ProgressChange(int progress, int progressMax);
  void WebBrowser1NavigateComplete2();
  void WebBrowser1DownloadComplete();
  void SpeedButton5Click();
  void WebBrowser1DocumentComplete();
  void SpeedButton4Click();
  void SpeedButton7Click();

  // ---- page export (export/)
  void SpeedButton9Click();
  // The push of an exported file to the handheld, under the upload time limit.
  void PushExport(const AnsiString& pcFile, const AnsiString& deviceFile);
  void SpeedButton6Click();
  void ToolButton12Click();
  void Timer1Timer();

  // ---- device link (device/)
  void ToolButton2Click();
  void PoliWPTsbordoPDA1Click();
  void ToolButton13Click();
  // group "PDA" on "Nastavenia"
  void Edit6Change();
  void ShowDeviceFolderHint();
  void SpeedButton13Click();
  void ListBox1Click();
  void DeviceWatcherChange();
  void TabSheet7Show();

  // ---- file manager (filemanager/)
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
  void BuildBrowserTab();
  void BuildTextTabs();
  void BuildSettingsTab();
  QGroupBox* BuildHandheldGroup(QWidget* parent);
  void BuildAboutTab();
  void BuildManagerTab();
  void BuildMenus();
  void BuildTransferHold();
  void WireShell();
  void WireCacheList();
  void WireWeb();
  void WireExport();
  void WireDevice();
  void WireFileManager();
  bool activationQueued_ = false;
  bool activated_ = false;
  bool lastPathsRead_ = false;  // "LastCesty" was read: close may write it back
  bool closed_ = false;
  bool deviceListed_ =
      false;  // the handheld pane was listed: a copy into its folder lists it again
};

// The main window, reachable by the free routines that work on its controls.
extern TForm1* Form1;
