// The file manager's commands: copies both ways, handheld delete and new directory, opening a
// PC file. Each list command asks through the dialog "Súhlasíte?" once per entry.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <optional>
#include <string_view>

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
std::optional<AnsiString> InFolder(const AnsiString& folder, std::string_view typed) {
  if (typed.substr(0, folder.size()) == folder) typed.remove_prefix(folder.size());
  const AnsiString name = platform::OneName(typed);
  if (name.empty() || name == "." || name == "..") {
    platform::Ui().ShowMessage(AnsiLiteral("Neplatný názov súboru alebo adresára: \"") +
                               AnsiString(typed) + "\"");
    return std::nullopt;
  }
  return folder + name;
}

// One remote call on a connection of its own, on the handheld's thread. False: stopped.
template <typename Call>
bool OnHandheld(const AnsiString& path, Call call) {
  return device::Run([path, call](device::Job&) {
           CeRapiInit();
           DeviceLinkEnd endLink;
           WideBufferScope wide;
           call(ToWidePath(path));
         }) == device::WaitEnd::Finished;
}

// A selected entry of a pane, taken before the command acts: what a command works on cannot
// change under it, whatever the grid shows later.
struct Entry {
  AnsiString name;
  bool directory = false;
};

std::vector<Entry> SelectedEntries(const TStringGrid* grid, int nameCol) {
  std::vector<Entry> entries;
  for (int row : SelectedRows(grid, nameCol))
    entries.push_back({grid->Cell(nameCol, row), IsPcDirectory(grid->Cell(1, row))});
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
        platform::SetEditText(Potvrd->Edit1, platform::JoinPcPath(pcDir, file.name));
        platform::SetEditText(Potvrd->Edit2, deviceDir + file.name);
      },
      [&](const Entry&) {
        const auto target = InFolder(deviceDir, platform::EditText(Potvrd->Edit2));
        if (!target) return Step::Next;
        Hourglass();
        return AfterCopy(
            CopyToDevice(platform::EditText(Potvrd->Edit1), *target, PanelProgress(StatusBar3, 1)));
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
          platform::SetEditText(Potvrd->Edit1, deviceDir + file.name);
          platform::SetEditText(Potvrd->Edit2, platform::JoinPcPath(pcDir, file.name));
        },
        [&](const Entry&) {
          const auto target =
              InFolder(platform::JoinPcPath(pcDir, ""), platform::EditText(Potvrd->Edit2));
          if (!target) return Step::Next;
          Hourglass();
          const TransferEnd end = CopyFromDevice(platform::EditText(Potvrd->Edit1), *target,
                                                 PanelProgress(StatusBar5, 1));
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
      [&](const Entry& entry) { platform::SetEditText(Potvrd->Edit1, deviceDir + entry.name); },
      [&](const Entry& entry) {
        Hourglass();
        // Results are not examined: the listing that follows shows what is left.
        const bool done = OnHandheld(platform::EditText(Potvrd->Edit1),
                                     entry.directory ? CeRemoveDirectory : CeDeleteFile);
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
    if (const auto path = InFolder(StatusBar3->PanelText(0), platform::EditText(Potvrd->Edit2))) {
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
  const AnsiString name = StringGrid2->Cell(PcGridCol, PcGridRow);
  // The pane's folder made explicit: the name alone would depend on the current directory.
  const AnsiString path = platform::JoinPcPath(DirectoryListBox1->Directory(), name);
  const auto couldNotOpen = [] {
    platform::Ui().MessageBox("Couldn't execute the application", "Error",
                              platform::MessageIcon::Exclamation);
  };
  if (!platform::OpenWithAssociatedProgram(path, couldNotOpen)) couldNotOpen();
}
