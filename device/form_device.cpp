// The handheld connect button, sending the waypoint file, and the group "PDA" on "Nastavenia".
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "device/form_progress.h"
#include "device/handheld.h"
#include "device/link.h"
#include "device/transfer.h"
#include "device/volumes.h"
#include "device/worker.h"
#include "platform/codepage.h"
#include "platform/offthread.h"
#include "platform/paths.h"
#include "platform/state.h"
#include "platform/ui.h"

namespace {

constexpr int kFolderRole = Qt::UserRole;

constexpr const char* kNoWaypointFile =
    "Najprv otvorte WPT s\xFA"
    "bor.";
constexpr const char* kWaypointsNotSent =
    "PDA nie je pripojen\xE9: WPT s\xFA"
    "bor nebol poslan\xFD.";

int Permille(std::uint64_t done, std::uint64_t total) {
  return total == 0 ? 1000 : static_cast<int>(std::min<std::uint64_t>(done, total) * 1000 / total);
}

}  // namespace

void ShowTransferProgress(QProgressBar* bar, std::uint64_t done, std::uint64_t total) {
  bar->setRange(0, 1000);
  bar->setValue(Permille(done, total));
}

TransferProgress PanelProgress(TStatusBar* bar, int panel) {
  return [bar, panel](std::uint64_t done, std::uint64_t total) {
    bar->SetPanelText(panel, std::to_string(Permille(done, total) / 10) + "%");
  };
}

void TForm1::ToolButton2Click() {
  if (RefuseWhileTransferring()) return;  // a new attempt would end the running copy's link
  platform::Ui().SetCursor(platform::CursorShape::Hourglass);
  platform::DefaultCursorAtEnd cursor;
  // The folders the program writes into are mended of what a cut-off copy left there.
  const std::vector<AnsiString> folders = {platform::EditText(Edit4), platform::EditText(Edit5)};
  auto answered = std::make_shared<bool>(false);
  device::WaitOptions options;
  options.startLimitMs = kDeviceStartLimitMs;
  const device::WaitEnd end = device::Run(
      [folders, answered](device::Job&) {
        *answered = ConnectDevice();
        if (!*answered) return;
        for (const AnsiString& folder : folders)
          if (!folder.empty() && folder.size() <= kMaxDevicePath) RepairLeftovers(folder);
      },
      options);
  const bool connected = end == device::WaitEnd::Finished && *answered;
  ToolButton2->setIcon(ImageList2[connected ? 6 : 7]);
  CheckBox1->setEnabled(connected);  // its tick stays as the user left it
  StatusBar1->SetPanelText(2, connected ? "PDA ON" : "PDA OFF");
}

void TForm1::PoliWPTsbordoPDA1Click() {
  if (RefuseWhileTransferring()) return;
  if (WaypointFile.empty()) {
    platform::Ui().ShowMessage(kNoWaypointFile);
    return;
  }
  ToolButton2Click();
  if (!CheckBox1->isEnabled()) {
    platform::Ui().ShowMessage(kWaypointsNotSent);
    return;
  }
  AnsiString folder = platform::EditText(Edit4);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  const AnsiString name = platform::FromNativePath(platform::ToNativePath(WaypointFile).filename());
  platform::Ui().SetCursor(platform::CursorShape::Hourglass);
  platform::DefaultCursorAtEnd cursor;
  if (CopyToDevice(WaypointFile, folder + name) == TransferEnd::Done)
    DeviceFileWritten(folder + name);
}

void TForm1::ToolButton13Click() {
  PoliWPTsbordoPDA1Click();
}

void TForm1::Edit6Change() {
  UseDeviceFolder(platform::EditText(Edit6));
  ShowDeviceFolderHint();
}

// The folder is looked at off the window: a dead card or network mount must not hold it. One
// look at a time; a change meanwhile is looked at when it answers.
class FolderHintLook : public QObject {
 public:
  FolderHintLook(QObject* parent, std::function<void(const AnsiString&)> show)
      : QObject(parent), show_(std::move(show)) {}

  void Look(std::filesystem::path folder, std::vector<AnsiString> paths) {
    next_ = {std::move(folder), std::move(paths)};
    if (!looking_) LookAtNext();
  }

 private:
  struct Request {
    std::filesystem::path folder;
    std::vector<AnsiString> paths;
  };
  void LookAtNext() {
    if (!next_) return;
    const Request request = std::move(*next_);
    next_.reset();
    looking_ = true;
    const unsigned serial = ++serial_;
    thread_.Run([this, request]() -> std::function<void()> {
      const AnsiString hint = DeviceFolderHint(request.folder, request.paths);
      return [this, hint] {
        looking_ = false;
        if (next_) return LookAtNext();  // this answer is already out of date
        platform::RunReported([&] { show_(hint); });
      };
    });
    QTimer::singleShot(kPatienceMs, this, platform::Reported([this, serial] {
                         if (looking_ && serial == serial_) show_(kNotAnswering);
                       }));
  }

  static constexpr int kPatienceMs = 2000;
  const AnsiString kNotAnswering = Utf8ToAnsi("Priečinok neodpovedá: PDA bude OFF, kým neodpovie.");
  std::function<void(const AnsiString&)> show_;
  std::optional<Request> next_;
  bool looking_ = false;
  unsigned serial_ = 0;
  platform::OffThread thread_{this};
};

void TForm1::ShowDeviceFolderHint() {
  if (!HintLook)
    HintLook = new FolderHintLook(this, [this](const AnsiString& text) {
      const QString hint = FromAnsi(text);
      Label14->setText(hint);
      Label14->setAccessibleName(hint);
    });
  HintLook->Look(DeviceFolderFor(platform::EditText(Edit6)),
                 {platform::EditText(Edit5), platform::EditText(Edit4)});
}

void TForm1::SpeedButton13Click() {
  AnsiString folder = platform::FromNativePath(DeviceFolderFor(platform::EditText(Edit6)));
  if (platform::Ui().ChooseFolder(folder, "Prie\xE8inok PDA")) platform::SetEditText(Edit6, folder);
}

void TForm1::ListBox1Click() {
  const QListWidgetItem* item = ListBox1->currentItem();
  if (item) Edit6->setText(item->data(kFolderRole).toString());
}

void TForm1::DeviceWatcherChange() {
  ListBox1->clear();
  for (const DeviceVolume& volume : DeviceWatcher->Volumes()) {
    auto* item = new QListWidgetItem(FromAnsi(DeviceVolumeText(volume)), ListBox1);
    item->setData(kFolderRole, FromAnsi(volume.folder));
    // A volume that does not answer would make a handheld that does not answer either.
    if (!volume.answering)
      item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
  }
  Edit6Change();  // a device that came or went may be the chosen folder
}

void TForm1::TabSheet7Show() {
  Edit6Change();  // the folder may have changed outside the program
}

void TForm1::WireDevice() {
  connect(ToolButton2, &QToolButton::clicked, this, Reported(&TForm1::ToolButton2Click));
  connect(ToolButton13, &QToolButton::clicked, this, Reported(&TForm1::ToolButton13Click));
  connect(PoliWPTsbordoPDA1, &QAction::triggered, this, Reported(&TForm1::PoliWPTsbordoPDA1Click));
  connect(Edit6, &QLineEdit::textChanged, this, Reported(&TForm1::Edit6Change));
  // The handheld paths change only the hint, not the chosen folder.
  connect(Edit4, &QLineEdit::textChanged, this, Reported(&TForm1::ShowDeviceFolderHint));
  connect(Edit5, &QLineEdit::textChanged, this, Reported(&TForm1::ShowDeviceFolderHint));
  connect(SpeedButton13, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton13Click));
  connect(ListBox1, &QListWidget::itemClicked, this, Reported(&TForm1::ListBox1Click));
  connect(ListBox1, &QListWidget::itemActivated, this, Reported(&TForm1::ListBox1Click));
  connect(DeviceWatcher, &DeviceVolumeWatcher::changed, this,
          Reported(&TForm1::DeviceWatcherChange));
  connect(PageControl1, &QTabWidget::currentChanged, this, platform::Reported([this](int index) {
            if (PageControl1->widget(index) == TabSheet7) TabSheet7Show();
          }));
}
