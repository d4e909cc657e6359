// The file manager's commands: copies both ways, handheld delete and new directory, opening a
// PC file. Each list command asks through the dialog "Súhlasíte?" once per entry.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <optional>
#include <string_view>

#include "app/mainform.h"
#include "app/state.h"
#include "device/form_progress.h"
#include "device/link.h"
#include "device/rapi.h"
#include "device/transfer.h"
#include "filemanager/SuhlasCopyU.h"
#include "filemanager/order.h"
#include "filemanager/panes.h"
#include "platform/paths.h"
#include "platform/shellopen.h"
#include "platform/ui.h"

namespace {

constexpr const char* kNothingSelected = "Nebolo ni\xE8 vybrat\xE9";

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
    platform::Ui().ShowMessage(
        "Neplatn\xFD n\xE1zov s\xFA"
        "boru alebo adres\xE1ra: \"" +
        AnsiString(typed) + "\"");
    return std::nullopt;
  }
  return folder + name;
}

// One remote call on a connection of its own.
template <typename Call>
void OnHandheld(const AnsiString& path, Call call) {
  CeRapiInit();
  DeviceLinkEnd endLink;
  WideBufferScope wide;
  call(ToWidePath(path));
}

}  // namespace

void TForm1::KopirovaniesborudoPDA1Click() {
  if (RefuseWhileTransferring()) return;  // started from a running copy's pump
  SetUpDialog(this, QStringLiteral("Kopírovať súbor"), true);
  Potvrd->Edit1->setVisible(true);
  Potvrd->Edit2->setVisible(true);
  const AnsiString pcDir = StatusBar5->PanelText(0);
  const AnsiString deviceDir = StatusBar3->PanelText(0);
  platform::DefaultCursorAtEnd cursor;
  int counter = 0;
  for (int row : SelectedRows(StringGrid2, 0)) {
    if (IsPcDirectory(StringGrid2->Cell(1, row))) continue;  // folders are never copied
    const AnsiString name = StringGrid2->Cell(0, row);
    platform::SetEditText(Potvrd->Edit1, platform::JoinPcPath(pcDir, name));
    platform::SetEditText(Potvrd->Edit2, deviceDir + name);
    ++counter;  // a declined file counts too: it was a selected file
    if (!Confirm()) continue;
    const auto target = InFolder(deviceDir, platform::EditText(Potvrd->Edit2));
    if (!target) continue;
    Hourglass();
    CopyToDevice(platform::EditText(Potvrd->Edit1), *target, PanelProgress(StatusBar3, 1));
  }
  GetDirPDA(DeviceDir + "*");
  DefaultCursor();
  if (counter == 0) platform::Ui().ShowMessage(kNothingSelected);
}

void TForm1::MenuItem1Click() {
  if (RefuseWhileTransferring()) return;  // started from a running copy's pump
  SetUpDialog(this, QStringLiteral("Kopírovať súbor"), true);
  Potvrd->Edit1->setVisible(true);
  Potvrd->Edit2->setVisible(true);
  const AnsiString pcDir = StatusBar5->PanelText(0);
  const AnsiString deviceDir = StatusBar3->PanelText(0);
  const int col = DeviceGridCol;
  int counter = 0;
  {
    platform::DefaultCursorAtEnd cursor;
    for (int row : SelectedRows(StringGrid1, col)) {
      if (IsPcDirectory(StringGrid1->Cell(1, row))) continue;
      const AnsiString name = StringGrid1->Cell(col, row);
      platform::SetEditText(Potvrd->Edit1, deviceDir + name);
      platform::SetEditText(Potvrd->Edit2, platform::JoinPcPath(pcDir, name));
      if (!Confirm()) continue;
      const auto target =
          InFolder(platform::JoinPcPath(pcDir, ""), platform::EditText(Potvrd->Edit2));
      if (!target) continue;
      Hourglass();
      CopyFromDevice(platform::EditText(Potvrd->Edit1), *target, PanelProgress(StatusBar5, 1));
      DefaultCursor();
      ++counter;
    }
  }
  ListPcDir(DirectoryListBox1->Directory());
  if (counter == 0) platform::Ui().ShowMessage(kNothingSelected);
}

void TForm1::MenuItem2Click() {
  if (RefuseWhileTransferring()) return;  // started from a running copy's pump
  SetUpDialog(this, QStringLiteral("Vymazať súbor?"), false);
  Potvrd->Edit1->setVisible(true);
  Potvrd->Edit2->setVisible(false);
  const AnsiString deviceDir = StatusBar3->PanelText(0);
  const int col = DeviceGridCol;
  platform::DefaultCursorAtEnd cursor;
  int counter = 0;
  for (int row : SelectedRows(StringGrid1, col)) {
    platform::SetEditText(Potvrd->Edit1, deviceDir + StringGrid1->Cell(col, row));
    if (!Confirm()) continue;
    Hourglass();
    const AnsiString path = platform::EditText(Potvrd->Edit1);
    // Results are not examined: the listing that follows shows what is left.
    OnHandheld(path, IsPcDirectory(StringGrid1->Cell(1, row)) ? CeRemoveDirectory : CeDeleteFile);
    ++counter;
  }
  GetDirPDA(DeviceDir + "*");
  DefaultCursor();
  if (counter == 0) platform::Ui().ShowMessage(kNothingSelected);
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
  platform::SetEditText(Potvrd->Edit2, "Nov\xFD adres\xE1r");
  if (Potvrd->ShowModal() == platform::mrYes) {
    if (const auto path = InFolder(StatusBar3->PanelText(0), platform::EditText(Potvrd->Edit2))) {
      Hourglass();
      OnHandheld(*path, [](LPCWSTR wide) { CeCreateDirectory(wide, nullptr); });
    }
  }
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
