#pragma once
// Whole-file copies between the PC and the handheld.
//
// The copy itself (PullFile, PushFile) runs on the handheld's thread (device/worker.h): every call
// of the handheld's library for one file, the PC file's too, in chunks. The window's part
// (CopyFromDevice, CopyToDevice) hands it there, waits with user input held, shows the copy's
// failure in a message box and reports how it ended. While it waits, a second copy is refused
// with kTransferBusyMessage.
//
// Nothing a user had is lost: the target is replaced only once the whole source arrived and was
// closed; any failure, or a stop, leaves the earlier target as it was and no temporary file. A
// copy whose source and target are one file therefore leaves it as it was.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

#include "platform/ansi.h"

inline constexpr std::size_t kTransferChunk = 1u << 20;

enum class TransferEnd { Done, Failed, Stopped };

// What a copy reports to, and asks of, whoever runs it; called on the copying thread.
class TransferControl {
 public:
  virtual ~TransferControl() = default;
  // Bytes done of the whole size, after each chunk.
  virtual void Progress(std::uint64_t done, std::uint64_t total) = 0;
  virtual bool Stopped() const = 0;
};

struct TransferResult {
  TransferEnd end = TransferEnd::Done;
  AnsiString message;  // what the user is told; empty for a copy that went well or was stopped
};

// Handheld file -> PC file, on the calling thread. The link is the caller's (CeRapiInit before).
TransferResult PullFile(const AnsiString& devicePath, const AnsiString& pcPath,
                        TransferControl& control);
// PC file -> handheld file, written beside the target under kDeviceTemporarySuffix and then put
// in its place in one step where the library can (its entry VireskaReplaceFile), else in two
// moves through kDeviceOldSuffix. An existing target keeps the spelling the handheld has for it.
TransferResult PushFile(const AnsiString& pcPath, const AnsiString& devicePath,
                        TransferControl& control);
// The same for names that code page 1250 cannot hold: a native PC path, a UTF-16 handheld path.
TransferResult PullFile(std::u16string_view devicePath, const std::filesystem::path& pcPath,
                        TransferControl& control);
TransferResult PushFile(const std::filesystem::path& pcPath, std::u16string_view devicePath,
                        TransferControl& control);

inline constexpr const char* kDeviceTemporarySuffix = ".~vireska";
inline constexpr const char* kDeviceOldSuffix = ".~vireska-old";

// What a replace cut off by a crash or a power loss left in a handheld folder ("\dir\"): a
// "x.~vireska-old" goes back to "x" when "x" is missing and goes when it is not; a "x.~vireska"
// goes. On the handheld's thread, with the link open.
void RepairLeftovers(const AnsiString& deviceFolder);

// Bytes done of the whole size, on the window's thread while it waits.
using TransferProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// The window's copies. Each starts the link (CeRapiInit); a copy to the handheld that went well
// ends it. A copy to the handheld does nothing more while the main window is closing.
TransferEnd CopyFromDevice(const AnsiString& devicePath, const AnsiString& pcPath,
                           const TransferProgress& progress = {});
TransferEnd CopyToDevice(const AnsiString& pcPath, const AnsiString& devicePath,
                         const TransferProgress& progress = {});
TransferEnd CopyFromDevice(std::u16string_view devicePath, const std::filesystem::path& pcPath,
                           const TransferProgress& progress = {});
TransferEnd CopyToDevice(const std::filesystem::path& pcPath, std::u16string_view devicePath,
                         const TransferProgress& progress = {});

// Whether the window waits for a copy now.
bool TransferRunning();
// For commands that use the handheld's link, which a running copy needs: true (after saying
// so) while a copy runs.
bool RefuseWhileTransferring();
// Stops the running copy: the window stops waiting at once and the copy, on its own thread,
// removes its temporary file and ends without a message. Nothing happens when no copy runs.
void StopTransfer();

extern const AnsiString kTransferBusyMessage;

// The failures a copy reports with these texts; the others say "Error #<code>: " and what failed.
extern const AnsiString kDeviceFileNotOpened;  // pull: the handheld's file
extern const AnsiString kPcFileNotCreated;     // pull: the PC file
// The push's two name the file and why: "Error: neviem vytvoriť file v PDA \MHT\x.mht: priečinok
// neexistuje."
extern const AnsiString kPcFileNotOpened;       // push: the PC file
extern const AnsiString kDeviceFileNotCreated;  // push: the handheld's file, or one in its way
extern const AnsiString kPcSourceChanged;       // push: the PC file grew or shrank meanwhile
extern const AnsiString kDeviceSourceChanged;   // pull: the handheld's file did
