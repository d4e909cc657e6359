// The group "PDA" on "Nastavenia": the PC folder that is the handheld, typed, picked or chosen
// from the devices mounted now, and what is wrong with it, looked at off the window.
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "app/mainform.h"
#include "device/handheld.h"
#include "device/volumes.h"
#include "platform/codepage.h"
#include "platform/offthread.h"
#include "platform/paths.h"
#include "platform/ui.h"

namespace {

constexpr int kFolderRole = Qt::UserRole;

}  // namespace

// The group "PDA" under the handheld paths: every size of its controls is set here.
QGroupBox* TForm1::BuildHandheldGroup(QWidget* parent) {
  DeviceWatcher = new DeviceVolumeWatcher(this);  // looks from the first activation on
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

void TForm1::Edit6Change() {
  UseDeviceFolder(Edit6->text());
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
  const AnsiString kNotAnswering =
      AnsiLiteral("Priečinok neodpovedá: PDA bude OFF, kým neodpovie.");
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
  HintLook->Look(DeviceFolderFor(Edit6->text()),
                 {platform::EditText(Edit5), platform::EditText(Edit4)});
}

void TForm1::SpeedButton13Click() {
  std::filesystem::path folder = DeviceFolderFor(Edit6->text());
  if (platform::Ui().ChooseFolder(folder, AnsiLiteral("Priečinok PDA")))
    Edit6->setText(platform::NativePathText(folder));
}

void TForm1::ListBox1Click() {
  const QListWidgetItem* item = ListBox1->currentItem();
  if (item) Edit6->setText(item->data(kFolderRole).toString());
}

void TForm1::DeviceWatcherChange() {
  ListBox1->clear();
  for (const DeviceVolume& volume : DeviceWatcher->Volumes()) {
    auto* item = new QListWidgetItem(DeviceVolumeText(volume), ListBox1);
    item->setData(kFolderRole, platform::NativePathText(volume.folder));
    // A volume that does not answer would make a handheld that does not answer either.
    if (!volume.answering)
      item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
  }
  Edit6Change();  // a device that came or went may be the chosen folder
}

void TForm1::TabSheet7Show() {
  Edit6Change();  // the folder may have changed outside the program
}

void TForm1::WireHandheldGroup() {
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
