// The waypoint file, its open dialog, the two cache lists on "Browser", and the tab "WPT".
#include <QAction>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "app/mainform.h"
#include "cachelist/cachefile.h"
#include "cachelist/filter.h"
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

const AnsiString kFileNotRead = AnsiLiteral("Súbor %s sa nedá otvoriť: ");
const AnsiString kNoCaches = AnsiLiteral("Súbor neobsahuje žiadne kešky.");

// A name the list's width cuts shows whole in a tooltip; elsewhere the list's own tooltip shows.
class WholeNameTips : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override {
    if (event->type() != QEvent::ToolTip || !index.isValid()) return false;
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QStyle* style = view->style();
    // What of the text's room the panel shows.
    const QRect room = style->subElementRect(QStyle::SE_ItemViewItemText, &item, view)
                           .intersected(view->viewport()->rect());
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    if (item.fontMetrics.horizontalAdvance(item.text) + 2 * margin <= room.width()) return false;
    QToolTip::showText(event->globalPos(), item.text, view->viewport(), option.rect);
    return true;
  }
};

}  // namespace

QString TForm1::WindowCaption() {
  return QStringLiteral("Vireska V 1.2");
}

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
  } catch (const platform::FileNotRead& error) {
    throw PlatformError(FormatMessage1(kFileNotRead, OpenDialog2.FileName) +
                        platform::ErrorReason(error.Error()) + ".");
  }
  CacheFileRead read = ReadCacheFile(text);
  if (CacheFileMemory(text, read.entries) > kCacheFileMemoryLimit) {
    platform::Ui().ShowMessage(TooLargeText(OpenDialog2.FileName));
    return;
  }
  // A file of something else (a picture, an empty file) would only empty the lists: what the
  // user had stays.
  if (read.entries.empty()) {
    platform::Ui().ShowMessage(read.error.empty() ? kNoCaches : kNoCaches + "\n" + read.error);
    return;
  }
  SetWaypointText(std::move(text));
  SetCacheEntries(std::move(read.entries));
  WaypointFile = OpenDialog2.FileName;
  const QString name =
      QString::fromStdString(platform::ToNativePath(OpenDialog2.FileName).filename().string());
  setWindowTitle(WindowCaption() + QStringLiteral(" – ") + name);
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
  cacheEntries_ = rows;
  CheckListBox1->SetItems(platform::ListTexts(rows, &CacheEntry::name));
  CheckListBox2->SetItems(platform::ListTexts(rows, &CacheEntry::code));
  Edit21Change();  // the filter typed stays and narrows the new lists too
}

void TForm1::Edit21Change() {
  const AnsiString typed = platform::EditText(Edit21);
  std::optional<std::vector<int>> shown;
  if (!typed.empty() && cacheEntries_) shown = MatchingEntries(*cacheEntries_, typed);
  // Both lists show the same entries: a row's index still names the same cache in each.
  CheckListBox1->SetShown(shown);
  CheckListBox2->SetShown(std::move(shown));
  ShowCacheCounts();
}

void TForm1::ShowCacheCounts() {
  const platform::CheckListModel* entries = CheckListBox1->Entries();
  const QString ticked = QStringLiteral(", označených: %1").arg(entries->CheckedCount());
  QString text;
  if (entries->Filtered())
    text =
        QStringLiteral("Zobrazených: %1 z %2").arg(entries->rowCount()).arg(entries->EntryCount());
  else
    text = QStringLiteral("Kešiek: %1").arg(entries->EntryCount());
  Label21->setText(text + ticked);
  Label21->setAccessibleName(text + ticked);
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
  // All three formats first: the dialog starts on the first filter, and a downloaded pocket
  // query must not look missing.
  OpenDialog2.Filter = AnsiLiteral(
      "WPT, GPX a LOC|*.wpt;*.gpx;*.loc|Waypoints oziexplorer|*.wpt|GPX|*.gpx|LOC|*.loc|"
      "Všetky súbory|*");
  OpenDialog2.DefaultExt = "*.wpt";
  const QString batchTakes = QStringLiteral(
      "\"Exportuj označené webové stránky\" exportuje všetky označené kešky, aj tie, ktoré "
      "filter práve skrýva.");
  for (TCheckListBox* list : {CheckListBox1, CheckListBox2}) {
    list->setItemDelegate(new WholeNameTips(list));
    list->setToolTip(batchTakes);
  }
  connect(Edit21, &QLineEdit::textChanged, this, Reported(&TForm1::Edit21Change));
  connect(CheckListBox1->Entries(), &platform::CheckListModel::marksChanged, this,
          Reported(&TForm1::ShowCacheCounts));
  ShowCacheCounts();
  connect(ToolButton10, &QToolButton::clicked, this, Reported(&TForm1::ToolButton10Click));
  connect(OtvorWPTsbor2, &QAction::triggered, this, Reported(&TForm1::OtvorWPTsbor2Click));
  connect(SpeedButton1, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton1Click));
  connect(SpeedButton2, &QPushButton::clicked, this, Reported(&TForm1::SpeedButton2Click));
  connect(CheckListBox1, &TCheckListBox::clicked, this, Reported(&TForm1::CheckListBox1Click));
  connect(CheckListBox2, &TCheckListBox::clicked, this, Reported(&TForm1::CheckListBox2Click));
  connect(CheckListBox1, &QAbstractItemView::doubleClicked, this,
          Reported(&TForm1::CheckListBox1DblClick));
}
