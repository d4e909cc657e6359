// The waypoint file, its open dialog, the two cache lists on "Browser", and the tab "WPT".
#include <QAction>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/mainform.h"
#include "cachelist/cachefile.h"
#include "cachelist/waypoint.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/state.h"
#include "platform/ui.h"

namespace {

// The file's bytes and entries would hold more than kCacheFileMemoryLimit. A file whose bytes
// alone are more is not read at all.
AnsiString TooLargeText(const AnsiString& file) {
  static const AnsiString head =
      AnsiLiteral("Súbor %s je príliš veľký (otvorený by zabral viac ako ");
  static const AnsiString tail = AnsiLiteral(" MiB pamäte), neotváram ho.");
  return FormatMessage1(head + std::to_string(kCacheFileMemoryLimit >> 20) + tail, file);
}

}  // namespace

bool TOpenDialog::Execute() {
  return platform::Ui().OpenFile(FileName, Filter, DefaultExt);
}

void TForm1::BuildWaypointTab() {
  TabSheet3 = AddPage("TabSheet3", QStringLiteral("WPT"));
  // A waypoint file can hold a million lines: a view over its bytes, not a text document.
  Memo2 = new platform::TTextView("Memo2", TabSheet3);
  Memo2->setAccessibleName(QStringLiteral("WPT"));
  (new QVBoxLayout(TabSheet3))->addWidget(Memo2);
}

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
  OpenDialog2.Filter =
      "Waypoints oziexplorer[*.wpt]|*.wpt|GPX[*.gpx]|*.gpx|LOC[*.loc]|*.loc|"
      "WPT, GPX a LOC[*.wpt;*.gpx;*.loc]|*.wpt;*.gpx;*.loc";
  OpenDialog2.DefaultExt = "*.wpt";
  connect(ToolButton10, &QToolButton::clicked, this, Reported(&TForm1::ToolButton10Click));
  connect(OtvorWPTsbor2, &QAction::triggered, this, Reported(&TForm1::OtvorWPTsbor2Click));
  connect(SpeedButton1, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton1Click));
  connect(SpeedButton2, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton2Click));
  connect(CheckListBox1, &TCheckListBox::clicked, this, Reported(&TForm1::CheckListBox1Click));
  connect(CheckListBox2, &TCheckListBox::clicked, this, Reported(&TForm1::CheckListBox2Click));
  connect(CheckListBox1, &QAbstractItemView::doubleClicked, this,
          Reported(&TForm1::CheckListBox1DblClick));
}
