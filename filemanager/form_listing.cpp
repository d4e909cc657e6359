// The two listings: the handheld directory through the remote API, the PC directory through
// the platform directory search (ListPcDir, filemanager/panes.cpp).
#include <QCheckBox>
#include <memory>

#include "app/mainform.h"
#include "device/link.h"
#include "device/rapi.h"
#include "device/transfer.h"
#include "device/worker.h"
#include "filemanager/listing.h"
#include "filemanager/panes.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/state.h"
#include "platform/ui.h"

void TForm1::GetDirPDA(const AnsiString& pattern) {
  if (RefuseWhileTransferring()) return;  // its end of the link would end the running copy
  platform::Ui().SetCursor(platform::CursorShape::Hourglass);
  platform::DefaultCursorAtEnd cursor;
  const std::uint32_t start = platform::GetTickCount();
  struct Listing {
    bool connected = false;
    std::vector<ListingRow> rows;
    ListingTotals totals;
  };
  auto listing = std::make_shared<Listing>();
  const AnsiString folder = pattern.substr(0, pattern.rfind('\\') + 1);
  device::WaitOptions options;
  options.startLimitMs = kDeviceStartLimitMs;
  const device::WaitEnd end = device::Run(
      [pattern, folder, listing](device::Job&) {
        if (!ConnectDevice()) return;
        listing->connected = true;
        WideBufferScope wide;
        DeviceLinkEnd endLink;
        RepairLeftovers(folder);  // the listing never shows what a cut-off copy left
        ReadDeviceListing(pattern, listing->rows, listing->totals);
      },
      options);
  const bool listed = end == device::WaitEnd::Finished && listing->connected;
  {
    GridRefill refill(StringGrid1);
    refill.SetRowCount(2);  // header and up entry stay
    if (end != device::WaitEnd::Stopped) CheckBox1->setEnabled(listed);
    if (!listed) {
      if (end == device::WaitEnd::TimedOut) StatusBar3->SetPanelText(1, kDeviceNotAnswering);
      return;
    }
    refill.SetRowCount(static_cast<int>(listing->rows.size()) + 2);
    WriteRows(StringGrid1, 2, listing->rows);
    WriteTotals(StatusBar2, listing->totals);
    StatusBar3->SetPanelText(1, std::to_string(platform::GetTickCount() - start) + "msec");
  }
  deviceListed_ = true;
  Zotried();
}

void TForm1::DeviceFileWritten(const AnsiString& devicePath) {
  const AnsiString folder = devicePath.substr(0, devicePath.rfind('\\') + 1);
  if (deviceListed_ && FromAnsi(folder).compare(FromAnsi(DeviceDir), Qt::CaseInsensitive) == 0)
    GetDirPDA(DeviceDir + "*");
}

void TForm1::SpeedButton12Click() {
  GetDirPDA(DeviceDir + "*");
}

void TForm1::Refre2Click() {
  GetDirPDA(DeviceDir + "*");
}

void TForm1::DirectoryListBox1Change() {
  const AnsiString directory = DirectoryListBox1->Directory();
  StatusBar5->SetPanelText(0, directory);
  ListPcDir(directory);
}

void TForm1::Refre1Click() {
  ListPcDir(DirectoryListBox1->Directory());
}
