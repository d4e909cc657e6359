// Export of the shown page, the batch export and the upload time limit.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "device/form_progress.h"
#include "device/rapi.h"
#include "device/transfer.h"
#include "device/worker.h"
#include "export/exportname.h"
#include "export/pagewriters.h"
#include "export/uploadlimit.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/state.h"
#include "platform/ui.h"
#include "web/primitives.h"

void TForm1::SpeedButton9Click() {
  if (RefuseWhileTransferring()) return;  // the running push keeps its file and its time limit
  if (CurrentCache.empty()) {
    platform::Ui().ShowMessage(AnsiLiteral("Nie je otvorená žiadna stránka"));
    return;
  }
  // No save folder would put the file at the file system's root. Raised, so a batch ends here.
  if (Edit3->text().trimmed().isEmpty())
    throw PlatformError(AnsiLiteral(
        "Nie je nastavený adresár na ukladanie súborov. Zadajte ho na záložke \"Nastavenia\"."));
  const AnsiString name = ExportName(CurrentCache, RadioGroup1->ItemIndex(),
                                     RadioGroup2->ItemIndex(), RadioGroup3->ItemIndex());
  // The name begins with "\": the PC side joins it with the native separator.
  const AnsiString pcFile = platform::JoinPcPath(ToAnsi(Edit3->text()), name.substr(1));
  const WriterResult result = [this](const char* text) { StatusBar1->SetPanelText(1, text); };
  if (RadioGroup3->ItemIndex() == 1)
    SaveAsMht(WebBrowser1, pcFile, result,
              CheckBox2->isChecked() ? MhtForm::WholePage : MhtForm::Refetch);
  else
    SaveAsHtml(WebBrowser1, pcFile, result);
  Timer1->stop();
  PushExport(pcFile, ToAnsi(Edit5->text()) + name);
}

void TForm1::PushExport(const AnsiString& pcFile, const AnsiString& deviceFile) {
  if (!CheckBox1->isChecked()) return;
  if (RefuseWhileTransferring()) return;  // before the running push's timer is touched
  TransferEnd end = TransferEnd::Failed;
  try {
    platform::Ui().SetCursor(platform::CursorShape::Hourglass);
    WaitStart = platform::GetTickCount();
    Timer1->start();
    end = CopyToDevice(pcFile, deviceFile, [this](std::uint64_t done, std::uint64_t total) {
      ShowTransferProgress(ProgressBar1, done, total);
    });
    Timer1->stop();
    if (AppClosing) return;
  } catch (const std::exception&) {
    platform::Ui().ShowMessage(kPushFailedMessage);
  }
  platform::Ui().SetCursor(platform::CursorShape::Default);
  // A push the user stopped is not started again for the next cache of a batch.
  if (end == TransferEnd::Stopped) CheckBox1->setChecked(false);
  if (end == TransferEnd::Done) DeviceFileWritten(deviceFile);
}

namespace {

// Which cache of how many a running batch is at, on the progress bar over panel 0 (and in the
// panel itself, where assistive technology reads it); cleared when the batch ends.
class BatchProgress {
 public:
  explicit BatchProgress(TForm1* form) : form_(form) {}
  ~BatchProgress() {
    form_->ProgressBar1->setTextVisible(false);
    form_->StatusBar1->SetPanelText(0, "");
  }
  void At(int index, int count) {
    const AnsiString text = AnsiLiteral("Keška ") + std::to_string(index) + " z " +
                            std::to_string(std::max(index, count));
    form_->ProgressBar1->setFormat(FromAnsi(text));
    form_->ProgressBar1->setTextVisible(true);
    form_->StatusBar1->SetPanelText(0, text);
  }

 private:
  TForm1* form_;
};

const AnsiString kNothingTicked = AnsiLiteral("Nie je označená žiadna keška.");
const AnsiString kCacheNotExported = AnsiLiteral("Kešku %s sa nepodarilo exportovať: ");
constexpr size_t kCodesNamed = 5;  // more codes than these are counted, not named

// "Exportované N z M", and the codes that did not get out.
AnsiString BatchSummary(int exported, int taken, const std::vector<AnsiString>& missed) {
  AnsiString text =
      AnsiLiteral("Exportované ") + std::to_string(exported) + " z " + std::to_string(taken);
  if (missed.empty()) return text;
  text += AnsiLiteral("; neexportované: ");
  for (size_t i = 0; i < missed.size() && i < kCodesNamed; ++i) text += (i ? ", " : "") + missed[i];
  if (missed.size() > kCodesNamed)
    text += AnsiLiteral(" a ďalšie (spolu ") + std::to_string(missed.size()) + ")";
  return text;
}

}  // namespace

void TForm1::ShowBatchSummary(int exported, int taken, const std::vector<AnsiString>& missed) {
  const QString text = FromAnsi(BatchSummary(exported, taken, missed));
  QStringList codes;
  for (const AnsiString& code : missed) codes << FromAnsi(code);
  Label22->setText(text);
  Label22->setAccessibleName(text);
  Label22->setToolTip(missed.empty()
                          ? QString()
                          : QStringLiteral("Neexportované: ") + codes.join(QStringLiteral(", ")));
  Label22->setVisible(true);
}

void TForm1::SpeedButton6Click() {
  const int count = CheckListBox1->Count();
  int ticked = 0;
  for (int i = 0; i < count; ++i) ticked += CheckListBox1->Checked(i) ? 1 : 0;
  // Nothing of an earlier run stays to be read as this one's.
  StatusBar1->SetPanelText(1, "");
  ProgressBar1->setValue(0);
  Label22->hide();
  if (ticked == 0) {
    platform::Ui().ShowMessage(kNothingTicked);
    return;
  }
  std::vector<AnsiString> missed;
  int exported = 0, taken = 0;  // taken: ticked when the batch reached it
  BatchProgress progress(this);
  for (int i = 0; i < count; ++i) {
    if (!CheckListBox1->Checked(i)) continue;
    progress.At(++taken, ticked);
    try {
      CheckListBox1->SetSelected(i, true);
      SpeedButton4Click();
      WaitForPageReady(PagePoll::SleepThenPump);
      if (RadioGroup2->ItemIndex() == 1) {
        SpeedButton7Click();
        WaitForPageReady(PagePoll::SleepThenPump);
      }
      StatusBar1->SetPanelText(1, "");
      SpeedButton9Click();
      WaitForPageReady(PagePoll::SleepThenPump);
    } catch (const PlatformError& error) {
      // The failure ends the batch: this cache and every ticked one after it stay out.
      for (int rest = i; rest < count; ++rest)
        if (CheckListBox1->Checked(rest)) missed.push_back(CheckListBox2->ItemText(rest));
      ShowBatchSummary(exported, exported + static_cast<int>(missed.size()), missed);
      throw PlatformError(FormatMessage1(kCacheNotExported, CheckListBox1->ItemText(i) + " (" +
                                                                CheckListBox2->ItemText(i) + ")") +
                          error.Message());
    }
    // A writer that did not finish said so in a message of its own.
    if (StatusBar1->PanelText(1) == "Hotovo")
      ++exported;
    else
      missed.push_back(CheckListBox2->ItemText(i));
  }
  ShowBatchSummary(exported, exported + static_cast<int>(missed.size()), missed);
}

void TForm1::ToolButton12Click() {
  SpeedButton6Click();
}

void TForm1::Timer1Timer() {
  if (!UploadOverrun(platform::GetTickCount(), WaitStart)) return;
  Timer1->stop();
  platform::ProcessMessages();
  platform::Ui().ShowMessage(kUploadOverrunMessage);
  CheckBox1->setEnabled(false);
  CheckBox1->setChecked(false);
  StopTransfer();  // the push below this handler ends at its next chunk, leaving no debris
  // The link ends on the handheld's thread once the push has let go of it: the window never
  // waits on a device that may have stopped answering.
  device::PostAndForget([] { CeRapiUninit(); });
  platform::ProcessMessages();
  device::PostAndForget([] { CeRapiUninit(); });
  platform::Ui().SetCursor(platform::CursorShape::Default);
}

void TForm1::WireExport() {
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(1000);
  connect(SpeedButton9, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton9Click));
  connect(SpeedButton6, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton6Click));
  connect(ToolButton12, &QToolButton::clicked, this, Reported(&TForm1::ToolButton12Click));
  connect(Timer1, &QTimer::timeout, this, ReportedAwake(&TForm1::Timer1Timer));
}
