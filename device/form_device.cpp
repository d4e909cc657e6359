// The handheld connect button.
#include <QCheckBox>
#include <QProgressBar>
#include <QToolButton>
#include <algorithm>
#include <string>

#include "app/mainform.h"
#include "device/form_progress.h"
#include "device/link.h"
#include "device/transfer.h"

namespace {

int Permille(std::uint64_t done, std::uint64_t total) {
  return total == 0 ? 1000 : static_cast<int>(std::min<std::uint64_t>(done, total) * 1000 / total);
}

}  // namespace

void ShowTransferProgress(QProgressBar* bar, std::uint64_t done, std::uint64_t total) {
  bar->setRange(0, 1000);
  bar->setValue(Permille(done, total));
}

TransferProgress PanelProgress(TStatusBar* bar, int panel) {
  return [bar, panel](std::uint64_t done, std::uint64_t total) {
    bar->SetPanelText(panel, std::to_string(Permille(done, total) / 10) + "%");
  };
}

void TForm1::ToolButton2Click() {
  if (RefuseWhileTransferring()) return;  // a new attempt would end the running copy's link
  const bool connected = ConnectDevice();
  ToolButton2->setIcon(ImageList2[connected ? 6 : 7]);
  CheckBox1->setEnabled(connected);  // its tick stays as the user left it
  StatusBar1->SetPanelText(2, connected ? "PDA ON" : "PDA OFF");
}

void TForm1::WireDevice() {
  connect(ToolButton2, &QToolButton::clicked, this, Reported(&TForm1::ToolButton2Click));
}
