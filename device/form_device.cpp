// The handheld connect button on "Browser" and sending the waypoint file (the menu item and the
// tool button beside the open button).
#include <QAction>
#include <QCheckBox>
#include <QToolButton>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/mainform.h"
#include "device/link.h"
#include "device/transfer.h"
#include "device/worker.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/state.h"
#include "platform/ui.h"

namespace {

const AnsiString kNoWaypointFile = AnsiLiteral("Najprv otvorte WPT súbor.");
const AnsiString kWaypointsNotSent = AnsiLiteral("PDA nie je pripojené: WPT súbor nebol poslaný.");

}  // namespace

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
  if (CopyToDevice(WaypointFile, folder + name) == TransferEnd::Done) {
    DeviceFileWritten(folder + name);
    platform::Ui().ShowMessage(AnsiLiteral("Súbor je v PDA: ") + folder + name);
  }
}

void TForm1::ToolButton13Click() {
  PoliWPTsbordoPDA1Click();
}

void TForm1::WireDevice() {
  connect(ToolButton2, &QToolButton::clicked, this, Reported(&TForm1::ToolButton2Click));
  connect(ToolButton13, &QToolButton::clicked, this, Reported(&TForm1::ToolButton13Click));
  connect(PoliWPTsbordoPDA1, &QAction::triggered, this, Reported(&TForm1::PoliWPTsbordoPDA1Click));
}
