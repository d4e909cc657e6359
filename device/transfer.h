#pragma once
// Whole-file copies between the PC and the handheld. Each reports its own failures in a
// message box and returns nothing. Data moves in chunks; between chunks the copy reports its
// progress and lets the window handle its events, so a command may start from there: a second
// copy is refused with kTransferBusyMessage while one runs.
//
// Nothing a user had is lost: the target is replaced only once the whole source arrived and
// was closed; any failure, or a stop, leaves the earlier target as it was and no temporary file.
// A copy whose source and target are one file therefore leaves it as it was.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/ansi.h"

// Bytes done of the whole size, after each chunk.
using TransferProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

inline constexpr std::size_t kTransferChunk = 1u << 20;

// Handheld file -> PC file.
void CopyFromDevice(const AnsiString& devicePath, const AnsiString& pcPath,
                    const TransferProgress& progress = {});
// PC file -> handheld file, written beside the target under kDeviceTemporarySuffix and then
// put in its place. Does nothing (after CeRapiInit) while the main window is closing.
void CopyToDevice(const AnsiString& pcPath, const AnsiString& devicePath,
                  const TransferProgress& progress = {});

inline constexpr const char* kDeviceTemporarySuffix = ".~vireska";
inline constexpr const char* kDeviceOldSuffix = ".~vireska-old";

// Whether a copy is running (its pump is below the caller).
bool TransferRunning();
// For commands that use the handheld's link, which a running copy needs: true (after saying
// so) while a copy runs.
bool RefuseWhileTransferring();
// Stops the running copy at its next chunk, without a message. A copy to the handheld removes its
// temporary file now, while the link is still open. Nothing happens when no copy runs.
void StopTransfer();

inline const AnsiString kTransferBusyMessage =
    "Prebieha prenos s\xFA"
    "boru s PDA, po\xE8"
    "kajte na jeho koniec.";
