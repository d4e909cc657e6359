// Start and close: the first activation's steps (the settings read back into every tab), the
// settings file, the waypoint file remembered, and closing the window.
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QSplitter>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "app/mainform.h"
#include "device/handheld.h"
#include "device/rapi.h"
#include "device/volumes.h"
#include "device/worker.h"
#include "filemanager/devicepath.h"
#include "filemanager/order.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/state.h"
#include "platform/ui.h"
#include "web/sites.h"

namespace {

const AnsiString kFirstRunFile = AnsiLiteral("Zlaté Moravce50km.wpt");
// The waypoint file opened last (its folder is where the open dialog starts after a restart).
constexpr const char* kLastWaypointFile = "WPTposledny";
// The width of the cache lists' panel on "Browser", in pixels.
constexpr const char* kListWidth = "SirkaZoznamu";

void SetGridHeader(TStringGrid* grid) {
  const AnsiString header[] = {AnsiLiteral("Názov súboru"), AnsiLiteral("Veľkosť"),
                               AnsiLiteral("Dátum a čas"), "Attr", ""};
  const char* up[] = {"..", kDirCell, "", "", ""};
  for (int col = 0; col < 5 && col < grid->ColCount(); ++col) {
    grid->SetCell(col, 0, header[col]);
    grid->SetCell(col, 1, up[col]);
  }
}

}  // namespace

std::filesystem::path TForm1::SettingsFile() {
  return platform::SettingsFolder() / platform::kSettingsFileName;
}

void TForm1::FormActivate() {
  if (activated_) return;
  activated_ = true;
  const std::filesystem::path ini = SettingsFile();

  platform::SetEditText(
      Edit1, ReadProfileString(ini, "Prihlasovanie", "username", platform::EditText(Edit1)));
  platform::SetEditText(
      Edit2, ReadProfileString(ini, "Prihlasovanie", "password", platform::EditText(Edit2)));

  AnsiString disk = ReadProfileString(ini, "Kdeukladatdata", "Disk", "C");
  try {
    DriveComboBox1->SetDrive(disk.empty() ? 'C' : disk[0]);
  } catch (const PlatformError& error) {
    platform::ReportError(error);  // the remaining steps still run
  }

  StatusBar3->SetPanelText(0, ReadProfileString(ini, "LastCesty", "PDA", StatusBar3->PanelText(0)));
  // A first run (nothing stored) or an old file may hold no root: the pane starts from "\".
  DeviceDir = RootedDeviceDir(StatusBar3->PanelText(0));
  StatusBar5->SetPanelText(0, ReadProfileString(ini, "LastCesty", "PC", StatusBar5->PanelText(0)));
  lastPathsRead_ = true;

  const AnsiString pcDir = StatusBar5->PanelText(0);
  if (!pcDir.empty()) {
    try {
      DirectoryListBox1->SetDirectory(pcDir);
    } catch (const PlatformError&) {
      StatusBar5->SetPanelText(0, "c:\\");
      try {
        DirectoryListBox1->SetDirectory("c:\\");
      } catch (const PlatformError&) {
      }
    }
  }

  platform::SetEditText(
      Edit3, ReadProfileString(ini, "Kdeukladatdata", "Cesta", platform::EditText(Edit3)));
  platform::SetEditText(
      Edit4, ReadProfileString(ini, "Kdeukladatdata", "PDA_WPT", platform::EditText(Edit4)));
  platform::SetEditText(
      Edit5, ReadProfileString(ini, "Kdeukladatdata", "PDA_MHT", platform::EditText(Edit5)));
  Edit6->setText(DeviceFolderFromSetting(
      ReadProfileString(ini, "Kdeukladatdata", "PDA_Koren", DeviceFolderToSetting(Edit6->text()))));
  // The device list and the handheld folder (also when Edit6 stayed empty and sent no change).
  DeviceWatcher->Start();
  DeviceWatcherChange();
  OpenDialog2.FileName = ReadProfileString(ini, "Kdeukladatdata", "WPTsubor", "");

  if (OpenDialog2.FileName.empty()) {
    OpenDialog2.FileName =
        platform::JoinPcPath(platform::FromNativePath(platform::ExecutableDir()), kFirstRunFile);
    try {
      ToolButton10Click();
      WriteProfileString(ini, "Kdeukladatdata", "WPTsubor", OpenDialog2.FileName);
    } catch (const PlatformError& error) {
      platform::ReportError(error);  // "WPTsubor" stays unwritten: the next start asks again
    }
  } else {
    const AnsiString last = ReadProfileString(ini, "Kdeukladatdata", kLastWaypointFile, "");
    if (!last.empty()) OpenDialog2.FileName = last;
  }
  SetRadioGroup2Caption(RootHost(SiteRoot(ini, Site::National)));

  CheckBox2->setChecked(ReadProfileString(ini, "Kdeukladatdata", "MHT_Cela",
                                          CheckBox2->isChecked() ? "1" : "0") == "1");
  const int listWidth =
      std::atoi(ReadProfileString(ini, "Kdeukladatdata", kListWidth, "0").c_str());
  if (listWidth > 0) {
    const int total = std::max(Splitter1->width(), listWidth + 1);
    Splitter1->setSizes({listWidth, total - listWidth});
  }

  AppClosing = false;
  StatusBar3->SetPanelText(0, DeviceDir);

  StringGrid1->SetRowCount(2);
  SetGridHeader(StringGrid1);
  SetGridHeader(StringGrid2);

  LoadAboutText();
}

void TForm1::FormClose() {
  // After whatever the handheld's thread still does (a stopped copy removing its temporary file).
  device::PostAndForget([] { CeRapiUninit(); });
  PageReady = true;
  AppClosing = true;
  // Closed before the settings were read: the panels hold nothing of the user's.
  if (!lastPathsRead_) return;
  const std::filesystem::path ini = SettingsFile();
  try {
    WriteProfileString(ini, "LastCesty", "PDA", StatusBar3->PanelText(0));
    WriteProfileString(ini, "LastCesty", "PC", StatusBar5->PanelText(0));
    WriteProfileString(ini, "Kdeukladatdata", kListWidth,
                       std::to_string(Splitter1->sizes().value(0)));
  } catch (const PlatformError& error) {
    platform::ReportError(error);  // a user must always be able to quit
  }
}

void TForm1::WaypointFileOpened() {
  WriteProfileString(SettingsFile(), "Kdeukladatdata", kLastWaypointFile, OpenDialog2.FileName);
}

void TForm1::SetRadioGroup2Caption(const AnsiString& nationalSite) {
  const QString caption = QStringLiteral("Čo  sa bude exportovať z ") + FromAnsi(nationalSite);
  RadioGroup2->setTitle(caption);
  RadioGroup2->setAccessibleName(caption);
}

void TForm1::Koniecprogramu1Click() {
  close();
}

void TForm1::WireStartAndClose() {
  connect(Koniecprogramu1, &QAction::triggered, this, Reported(&TForm1::Koniecprogramu1Click));
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
