// The file manager's commands: copies both ways, handheld delete and new directory, opening a
// PC file. Each list command asks through the dialog "Súhlasíte?" once per entry.
//
// Paths go through the dialog as the edits hold them, in full: a name that code page 1250 cannot
// hold ("søren.txt", "Мапа.gpx") still names its entry.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include "app/mainform.h"
#include "device/form_progress.h"
#include "device/link.h"
#include "device/rapi.h"
#include "device/transfer.h"
#include "device/worker.h"
#include "filemanager/SuhlasCopyU.h"
#include "filemanager/order.h"
#include "filemanager/panes.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/shellopen.h"
#include "platform/state.h"
#include "platform/ui.h"

namespace {

void Hourglass() {
  platform::Ui().SetCursor(platform::CursorShape::Hourglass);
}
void DefaultCursor() {
  platform::Ui().SetCursor(platform::CursorShape::Default);
}

// Once per command: the dialog beside the main window, its question, which fields it shows,
// and the box that stops the questions cleared.
void SetUpDialog(const TForm1* form, const QString& question, bool paths) {
  Potvrd->move(form->pos() + QPoint(10, 10));
  Potvrd->Label1->setText(question);
  Potvrd->Label1->adjustSize();
  Potvrd->Edit1->setAccessibleName(question);
  Potvrd->Label2->setVisible(paths);
  Potvrd->CheckBox1->setChecked(false);
}

// Once the box is ticked, every later entry of the command goes ahead without a question.
bool Confirm() {
  if (Potvrd->CheckBox1->isChecked()) return true;
  return Potvrd->ShowModal() == platform::mrYes;
}

// What the user typed or left in the dialog's Edit2 as one entry of the pane's folder: the folder
// as the command preset it is dropped, the rest is one name (as for export names). A text that
// names no entry of its own is refused with a message. folder ends in its separator.
std::optional<QString> InFolder(const QString& folder, QString typed) {
  if (typed.startsWith(folder)) typed.remove(0, folder.size());
  // The name rule works on bytes and changes only ASCII ones: UTF-8 keeps every other letter.
  const QString name = QString::fromStdString(platform::OneName(typed.toStdString()));
  if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
    platform::Ui().ShowMessage(AnsiLiteral("Neplatný názov súboru alebo adresára: \"") +
                               ToAnsi(typed) + "\"");
    return std::nullopt;
  }
  return folder + name;
}

// A path of the dialog as the handheld and the PC take it.
std::u16string DevicePathOf(const QString& path) {
  return path.toStdU16String();
}
std::filesystem::path PcPathOf(const QString& path) {
  return platform::NativePathFromTyped(path);
}
// A folder of a pane as the dialog shows it, ending in its separator.
QString PcFolderText(const AnsiString& pcDir) {
  return FromAnsi(platform::JoinPcPath(pcDir, ""));
}

// One remote call on a connection of its own, on the handheld's thread. False: stopped.
template <typename Call>
bool OnHandheld(const QString& path, Call call) {
  return device::Run([path = DevicePathOf(path), call](device::Job&) {
           CeRapiInit();
           DeviceLinkEnd endLink;
           WideBufferScope wide;
           call(ToWidePath(path));
         }) == device::WaitEnd::Finished;
}

// A selected entry of a pane, taken before the command acts: what a command works on cannot
// change under it, whatever the grid shows later. Its name is what the cell shows, in full.
struct Entry {
  QString name;
  bool directory = false;
};

std::vector<Entry> SelectedEntries(const TStringGrid* grid, int nameCol) {
  std::vector<Entry> entries;
  for (int row : SelectedRows(grid, nameCol))
    entries.push_back({grid->Text(nameCol, row), IsPcDirectory(grid->Cell(1, row))});
  return entries;
}

enum class Step { Next, End };

// The dialog's protocol for a list command: for each entry the edits are preset, the user asked
// (unless "Už sa nepýtaj" was ticked) and a confirmed entry acted on. The act ends the command
// early by answering Step::End (a stopped copy). Returns how many entries were asked about and
// how many were confirmed.
struct Asked {
  int asked = 0, confirmed = 0;
};
template <typename Preset, typename Act>
Asked ConfirmEach(const std::vector<Entry>& entries, Preset preset, Act act) {
  Asked counts;
  for (const Entry& entry : entries) {
    preset(entry);
    ++counts.asked;
    if (!Confirm()) continue;
    ++counts.confirmed;
    if (act(entry) == Step::End || AppClosing) break;
  }
  return counts;
}

Step AfterCopy(TransferEnd end) {
  return end == TransferEnd::Stopped ? Step::End : Step::Next;
}

}  // namespace

void TForm1::KopirovaniesborudoPDA1Click() {
  if (RefuseWhileTransferring()) return;  // started from a running copy's pump
  SetUpDialog(this, QStringLiteral("Kopírovať súbor"), true);
  Potvrd->Edit1->setVisible(true);
  Potvrd->Edit2->setVisible(true);
  const AnsiString pcDir = StatusBar5->PanelText(0);
  const AnsiString deviceDir = StatusBar3->PanelText(0);
  std::vector<Entry> files = SelectedEntries(StringGrid2, 0);
  // Folders are never copied.
  files.erase(
      std::remove_if(files.begin(), files.end(), [](const Entry& e) { return e.directory; }),
      files.end());
  platform::DefaultCursorAtEnd cursor;
  // A declined file counts too: it was a selected file.
  const Asked counts = ConfirmEach(
      files,
      [&](const Entry& file) {
        Potvrd->Edit1->setText(PcFolderText(pcDir) + file.name);
        Potvrd->Edit2->setText(FromAnsi(deviceDir) + file.name);
      },
      [&](const Entry&) {
        const auto target = InFolder(FromAnsi(deviceDir), Potvrd->Edit2->text());
        if (!target) return Step::Next;
        Hourglass();
        return AfterCopy(CopyToDevice(PcPathOf(Potvrd->Edit1->text()), DevicePathOf(*target),
                                      PanelProgress(StatusBar3, 1)));
      });
  if (AppClosing) return;
  GetDirPDA(DeviceDir + "*");
  DefaultCursor();
  if (counts.asked == 0) platform::Ui().ShowMessage(kNothingSelected);
}

void TForm1::MenuItem1Click() {
  if (RefuseWhileTransferring()) return;  // started from a running copy's pump
  SetUpDialog(this, QStringLiteral("Kopírovať súbor"), true);
  Potvrd->Edit1->setVisible(true);
  Potvrd->Edit2->setVisible(true);
  const AnsiString pcDir = StatusBar5->PanelText(0);
  const AnsiString deviceDir = StatusBar3->PanelText(0);
  std::vector<Entry> files = SelectedEntries(StringGrid1, DeviceGridCol);
  files.erase(
      std::remove_if(files.begin(), files.end(), [](const Entry& e) { return e.directory; }),
      files.end());
  Asked counts;
  {
    platform::DefaultCursorAtEnd cursor;
    counts = ConfirmEach(
        files,
        [&](const Entry& file) {
          Potvrd->Edit1->setText(FromAnsi(deviceDir) + file.name);
          Potvrd->Edit2->setText(PcFolderText(pcDir) + file.name);
        },
        [&](const Entry&) {
          const auto target = InFolder(PcFolderText(pcDir), Potvrd->Edit2->text());
          if (!target) return Step::Next;
          Hourglass();
          const TransferEnd end = CopyFromDevice(DevicePathOf(Potvrd->Edit1->text()),
                                                 PcPathOf(*target), PanelProgress(StatusBar5, 1));
          DefaultCursor();
          return AfterCopy(end);
        });
  }
  if (AppClosing) return;
  ListPcDir(DirectoryListBox1->Directory());
  if (counts.confirmed == 0) platform::Ui().ShowMessage(kNothingSelected);
}

void TForm1::MenuItem2Click() {
  if (RefuseWhileTransferring()) return;  // started from a running copy's pump
  SetUpDialog(this, QStringLiteral("Vymazať súbor?"), false);
  Potvrd->Edit1->setVisible(true);
  Potvrd->Edit2->setVisible(false);
  const AnsiString deviceDir = StatusBar3->PanelText(0);
  platform::DefaultCursorAtEnd cursor;
  // Directories are not skipped: an empty one goes.
  const Asked counts = ConfirmEach(
      SelectedEntries(StringGrid1, DeviceGridCol),
      [&](const Entry& entry) { Potvrd->Edit1->setText(FromAnsi(deviceDir) + entry.name); },
      [&](const Entry& entry) {
        Hourglass();
        // Results are not examined: the listing that follows shows what is left.
        const bool done =
            OnHandheld(Potvrd->Edit1->text(), entry.directory ? CeRemoveDirectory : CeDeleteFile);
        return done ? Step::Next : Step::End;
      });
  if (AppClosing) return;
  GetDirPDA(DeviceDir + "*");
  DefaultCursor();
  if (counts.confirmed == 0) platform::Ui().ShowMessage(kNothingSelected);
}

void TForm1::Vytvoradresr1Click() {
  if (RefuseWhileTransferring()) return;  // started from a running copy's pump
  SetUpDialog(this, QStringLiteral("Do editačného okna zadajte názov adresára"), false);
  Potvrd->Edit1->setVisible(false);
  Potvrd->Edit2->setVisible(true);
  struct Edit1BackAtEnd {
    ~Edit1BackAtEnd() { Potvrd->Edit1->setVisible(true); }
  } edit1Back;
  platform::DefaultCursorAtEnd cursor;
  platform::SetEditText(Potvrd->Edit2, AnsiLiteral("Nový adresár"));
  if (Potvrd->ShowModal() == platform::mrYes) {
    if (const auto path = InFolder(FromAnsi(StatusBar3->PanelText(0)), Potvrd->Edit2->text())) {
      Hourglass();
      OnHandheld(*path, [](LPCWSTR wide) { CeCreateDirectory(wide, nullptr); });
    }
  }
  if (AppClosing) return;
  GetDirPDA(DeviceDir + "*");
  DefaultCursor();
}

void TForm1::Vymazaniesboru1Click() {
  if (PcGridRow < 0 || PcGridCol < 0) return;  // the last press was below the rows
  const QString name = StringGrid2->Text(PcGridCol, PcGridRow);
  // The pane's folder made explicit: the name alone would depend on the current directory.
  const std::filesystem::path path =
      platform::ToNativePath(DirectoryListBox1->Directory()) / name.toStdString();
  const auto couldNotOpen = [] {
    platform::Ui().MessageBox("Couldn't execute the application", "Error",
                              platform::MessageIcon::Exclamation);
  };
  if (!platform::OpenWithAssociatedProgram(path, couldNotOpen)) couldNotOpen();
}
