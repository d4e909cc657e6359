// The waypoint file and the two cache lists.
#include <QAction>
#include <QPushButton>
#include <QToolButton>

#include "app/mainform.h"
#include "app/state.h"
#include "cachelist/cachefile.h"
#include "cachelist/waypoint.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/ui.h"

namespace {

// The file's bytes and entries would hold more than kCacheFileMemoryLimit. A file whose bytes
// alone are more is not read at all.
AnsiString TooLargeText(const AnsiString& file) {
  return FormatMessage1(
      Utf8ToAnsi("Súbor %s je príliš veľký (otvorený by zabral viac ako " +
                 std::to_string(kCacheFileMemoryLimit >> 20) + " MiB pamäte), neotváram ho."),
      file);
}

}  // namespace

void TForm1::ToolButton10Click() {
  if (!OpenDialog2.Execute()) return;
  std::string text;
  try {
    text = platform::ReadWholeFile(platform::ToNativePath(OpenDialog2.FileName),
                                   kCacheFileMemoryLimit);
  } catch (const platform::FileTooLarge&) {
    platform::Ui().ShowMessage(TooLargeText(OpenDialog2.FileName));
    return;
  } catch (const PlatformError&) {
    throw PlatformError(FormatMessage1("Cannot open file %s", OpenDialog2.FileName));
  }
  CacheFileRead read = ReadCacheFile(text);
  if (CacheFileMemory(text, read.entries) > kCacheFileMemoryLimit) {
    platform::Ui().ShowMessage(TooLargeText(OpenDialog2.FileName));
    return;
  }
  SetWaypointText(std::move(text));
  SetCacheEntries(std::move(read.entries));
  WaypointFile = OpenDialog2.FileName;
  if (!read.error.empty()) platform::Ui().ShowMessage(read.error);
  WaypointFileOpened();
}

void TForm1::SetWaypointText(std::string bytes) {
  // The bytes are kept and each line decoded as it is shown: a waypoint file from code page
  // 1250, GPX and LOC from their own encoding (whole only where line breaks are not bytes).
  if (!IsXmlCacheFile(bytes)) {
    Memo2->SetText(std::move(bytes));
    return;
  }
  const CacheFileEncoding encoding = CacheFileTextEncoding(bytes);
  if (encoding.lineByLine)
    Memo2->SetText(std::move(bytes), encoding.name);
  else
    Memo2->SetText(CacheFileText(bytes));
}

void TForm1::SetCacheEntries(std::vector<CacheEntry> entries) {
  // Both lists read the same rows: entry i of each comes from the same line.
  auto rows = std::make_shared<const std::vector<CacheEntry>>(std::move(entries));
  CheckListBox1->SetItems(platform::ListTexts(rows, &CacheEntry::name));
  CheckListBox2->SetItems(platform::ListTexts(rows, &CacheEntry::code));
}

void TForm1::OtvorWPTsbor2Click() {
  ToolButton10Click();
}

// Entry by entry, the first list then the second; nothing can run in between, so the lists
// are set whole, each told to its view once.
void TForm1::SpeedButton1Click() {
  CheckListBox1->SetAllChecked(true);
  CheckListBox2->SetAllChecked(true);
}

void TForm1::SpeedButton2Click() {
  CheckListBox1->SetAllChecked(false);
  CheckListBox2->SetAllChecked(false);
}

void TForm1::CheckListBox1Click() {
  int i = CheckListBox1->ItemIndex();
  if (i >= 0) CheckListBox2->SetChecked(i, CheckListBox1->Checked(i));
}

void TForm1::CheckListBox2Click() {
  int i = CheckListBox2->ItemIndex();
  if (i >= 0) CheckListBox1->SetChecked(i, CheckListBox2->Checked(i));
}

void TForm1::CheckListBox1DblClick() {
  SpeedButton4Click();
}

void TForm1::WireCacheList() {
  connect(ToolButton10, &QToolButton::clicked, this, Reported(&TForm1::ToolButton10Click));
  connect(OtvorWPTsbor2, &QAction::triggered, this, Reported(&TForm1::OtvorWPTsbor2Click));
  connect(SpeedButton1, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton1Click));
  connect(SpeedButton2, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton2Click));
  connect(CheckListBox1, &TCheckListBox::clicked, this, Reported(&TForm1::CheckListBox1Click));
  connect(CheckListBox2, &TCheckListBox::clicked, this, Reported(&TForm1::CheckListBox2Click));
  connect(CheckListBox1, &QAbstractItemView::doubleClicked, this,
          Reported(&TForm1::CheckListBox1DblClick));
}
