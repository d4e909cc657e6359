// Export of the shown page, the batch export and the upload time limit.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "app/mainform.h"
#include "app/state.h"
#include "device/rapi.h"
#include "device/transfer.h"
#include "export/exportname.h"
#include "export/pagewriters.h"
#include "export/uploadlimit.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/ui.h"
#include "web/primitives.h"

void TForm1::SpeedButton9Click() {
  if (CurrentCache.empty()) {
    platform::Ui().ShowMessage("Nie je otvoren\xE1 \x9Eiadna str\xE1nka");
    return;
  }
  // No save folder would put the file at the file system's root. Raised, so a batch ends here.
  if (Edit3->text().trimmed().isEmpty())
    throw PlatformError(
        "Nie je nastaven\xFD adres\xE1r na ukladanie s\xFA"
        "borov. Zadajte ho na z\xE1lo\x9Eke "
        "\"Nastavenia\".");
  const AnsiString name = ExportName(CurrentCache, RadioGroup1->ItemIndex(),
                                     RadioGroup2->ItemIndex(), RadioGroup3->ItemIndex());
  // The name begins with "\": the PC side joins it with the native separator.
  const AnsiString pcFile = platform::JoinPcPath(ToAnsi(Edit3->text()), name.substr(1));
  if (RadioGroup3->ItemIndex() == 1)
    SaveAsMht(WebBrowser1, pcFile);
  else
    SaveAsHtml(WebBrowser1, pcFile);
  Timer1->stop();

  if (!CheckBox1->isChecked()) return;
  try {
    platform::Ui().SetCursor(platform::CursorShape::Hourglass);
    WaitStart = platform::GetTickCount();
    Timer1->start();
    CopyToDevice(pcFile, ToAnsi(Edit5->text()) + name);
    Timer1->stop();
    if (AppClosing) return;
  } catch (const std::exception&) {
    platform::Ui().ShowMessage(kPushFailedMessage);
  }
  platform::Ui().SetCursor(platform::CursorShape::Default);
}

void TForm1::SpeedButton6Click() {
  const int count = CheckListBox1->Count();
  for (int i = 0; i < count; ++i) {
    if (!CheckListBox1->Checked(i)) continue;
    CheckListBox1->SetSelected(i, true);
    SpeedButton4Click();
    WaitForPageReady(PagePoll::SleepThenPump);
    if (RadioGroup2->ItemIndex() == 1) {
      SpeedButton7Click();
      WaitForPageReady(PagePoll::SleepThenPump);
    }
    SpeedButton9Click();
    WaitForPageReady(PagePoll::SleepThenPump);
  }
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
  CeRapiUninit();
  platform::ProcessMessages();
  CeRapiUninit();
  platform::Ui().SetCursor(platform::CursorShape::Default);
}

void TForm1::WireExport() {
  connect(SpeedButton9, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton9Click));
  connect(SpeedButton6, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton6Click));
  connect(ToolButton12, &QToolButton::clicked, this, Reported(&TForm1::ToolButton12Click));
  connect(Timer1, &QTimer::timeout, this, Reported(&TForm1::Timer1Timer));
}
