#include "device/form_progress.h"

#include <QProgressBar>
#include <algorithm>
#include <string>

#include "platform/controls.h"

namespace {

int Permille(std::uint64_t done, std::uint64_t total) {
  return total == 0 ? 1000 : static_cast<int>(std::min<std::uint64_t>(done, total) * 1000 / total);
}

}  // namespace

void ShowTransferProgress(QProgressBar* bar, std::uint64_t done, std::uint64_t total) {
  bar->setRange(0, 1000);
  bar->setValue(Permille(done, total));
}

TransferProgress PanelProgress(platform::TStatusBar* bar, int panel) {
  return [bar, panel](std::uint64_t done, std::uint64_t total) {
    bar->SetPanelText(panel, std::to_string(Permille(done, total) / 10) + "%");
  };
}
