#pragma once
// Where the window shows how far a copy is.
#include <cstdint>

#include "device/transfer.h"

class QProgressBar;
namespace platform {
class TStatusBar;
}

// The bar at bytes done of the whole size.
void ShowTransferProgress(QProgressBar* bar, std::uint64_t done, std::uint64_t total);
// A status-bar panel reading "NN%" while a copy runs.
TransferProgress PanelProgress(platform::TStatusBar* bar, int panel);
