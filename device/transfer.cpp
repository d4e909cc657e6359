#include "device/transfer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device/folder/folder_device.h"
#include "device/link.h"
#include "device/rapi.h"
#include "device/worker.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/state.h"
#include "platform/ui.h"

namespace {

constexpr std::uint64_t kChunk = kTransferChunk;

AnsiString CodeMessage(std::uint32_t code, const AnsiString& suffix) {
  return "Error #" + std::to_string(code) + suffix;
}

TransferResult Failure(AnsiString message) {
  return {TransferEnd::Failed, std::move(message)};
}

// "<text> <path>: <why>." The two texts end in a full stop of their own, which the path follows.
AnsiString Naming(const AnsiString& text, const AnsiString& path, const AnsiString& why) {
  return text.substr(0, text.size() - 1) + " " + path + ": " + why + ".";
}
TransferResult Stop() {
  return {TransferEnd::Stopped, {}};
}

// A handheld file, closed when the copy ends however it ends.
class DeviceFile {
 public:
  explicit DeviceFile(HANDLE handle) : handle_(handle) {}
  ~DeviceFile() { Close(); }
  DeviceFile(const DeviceFile&) = delete;
  DeviceFile& operator=(const DeviceFile&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  bool Close() {
    if (!IsOpen()) return true;
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CeCloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

// The handheld's entry of that path, if there is one.
bool FindEntry(const std::u16string& path, CE_FIND_DATA& found) {
  std::memset(&found, 0, sizeof found);
  if (path.find_first_of(u"*?") != std::u16string::npos) return false;  // a pattern names none
  const HANDLE search = CeFindFirstFile(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE || search == kRapiUnavailableHandle) return false;
  CeFindClose(search);
  return true;
}

bool EntryExists(const std::u16string& path) {
  CE_FIND_DATA found;
  return FindEntry(path, found);
}

std::u16string FolderOf(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

const std::u16string kTemporary = AnsiToUtf16(kDeviceTemporarySuffix);
const std::u16string kOld = AnsiToUtf16(kDeviceOldSuffix);

bool EndsWith(const std::u16string& text, const std::u16string& end) {
  return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// One leftover of an earlier replace, by its full path.
void RepairLeftover(const std::u16string& path) {
  if (EndsWith(path, kOld)) {
    const std::u16string original = path.substr(0, path.size() - kOld.size());
    if (EntryExists(original) || !CeMoveFile(path.c_str(), original.c_str()))
      CeDeleteFile(path.c_str());
  } else if (EndsWith(path, kTemporary)) {
    CeDeleteFile(path.c_str());
  }
}

// The leftovers of one name: the old file first, so a missing file comes back before the
// temporary one goes.
void RepairLeftoversOf(const std::u16string& path) {
  if (EntryExists(path + kOld)) RepairLeftover(path + kOld);
  if (EntryExists(path + kTemporary)) RepairLeftover(path + kTemporary);
}

// Bridges the copy's reports to a job of the handheld's thread.
class JobControl final : public TransferControl {
 public:
  explicit JobControl(device::Job& job) : job_(job) {}
  void Progress(std::uint64_t done, std::uint64_t total) override { job_.Progress(done, total); }
  bool Stopped() const override { return job_.StopRequested(); }

 private:
  device::Job& job_;
};

// A copy the window waits for, for StopTransfer and for refusing a second one.
bool running = false;

// Runs a copy on the handheld's thread and waits for it. The outcome is shared: a stopped wait
// leaves the copy to end on its own.
TransferEnd RunCopy(const std::function<TransferResult(TransferControl&)>& copy,
                    const TransferProgress& progress) {
  auto outcome = std::make_shared<TransferResult>();
  running = true;
  struct NotRunning {
    ~NotRunning() { running = false; }
  } notRunning;
  device::WaitOptions options;
  options.progress = progress;
  const device::WaitEnd end = device::Run(
      [copy, outcome](device::Job& job) {
        JobControl control(job);
        *outcome = copy(control);
      },
      options);
  running = false;
  if (end != device::WaitEnd::Finished) return TransferEnd::Stopped;
  if (!outcome->message.empty()) platform::Ui().ShowMessage(outcome->message);
  return outcome->end;
}

}  // namespace

const AnsiString kTransferBusyMessage =
    AnsiLiteral("Prebieha prenos súboru s PDA, počkajte na jeho koniec.");
const AnsiString kDeviceFileNotOpened = "Error: Could not open remote file.";
const AnsiString kPcFileNotCreated = "Error: Could not create local file.";
const AnsiString kPcFileNotOpened = AnsiLiteral("Error: neviem otvoriť file v PC.");
const AnsiString kDeviceFileNotCreated = AnsiLiteral("Error: neviem vytvoriť file v PDA.");
const AnsiString kPcSourceChanged = AnsiLiteral("Error: súbor v PC sa počas kopírovania zmenil.");
const AnsiString kDeviceSourceChanged =
    AnsiLiteral("Error: súbor v PDA sa počas kopírovania zmenil.");

TransferResult PullFile(const AnsiString& devicePath, const AnsiString& pcPath,
                        TransferControl& control) {
  if (control.Stopped()) return Stop();
  return PullFile(DeviceWidePath(devicePath), platform::ToNativePath(pcPath), control);
}

TransferResult PullFile(std::u16string_view devicePath, const std::filesystem::path& pcPath,
                        TransferControl& control) {
  if (control.Stopped()) return Stop();  // stopped while it waited for the handheld's thread
  const std::u16string sourcePath = DeviceWidePath(devicePath);
  // The source must exist: creating it here would make an empty PC copy of a missing file.
  DeviceFile source(CeCreateFile(sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  if (!source.IsOpen()) return Failure(kDeviceFileNotOpened);
  // Whatever ends the copy early drops the PC file's replacement: the old file stays untouched.
  platform::ReplacementFile target = platform::ReplacementFile::Create(pcPath);
  if (!target.IsOpen()) return Failure(kPcFileNotCreated);

  DWORD high = 0;
  const DWORD low = CeGetFileSize(source.get(), &high);
  if (low == INVALID_FILE_SIZE) {
    const DWORD error = CeGetLastError();
    if (error != NO_ERROR) return Failure(CodeMessage(error, ": Could not allocate file buffer."));
  }
  const std::uint64_t size = (std::uint64_t(high) << 32) | low;
  std::vector<char> buffer(
      static_cast<std::size_t>(std::max<std::uint64_t>(1, std::min(size, kChunk))));
  std::uint64_t done = 0;
  while (done < size) {
    const auto wanted = static_cast<DWORD>(std::min(size - done, kChunk));
    DWORD count = 0;
    if (!CeReadFile(source.get(), buffer.data(), wanted, &count, nullptr))
      return Failure(CodeMessage(CeGetLastError(), ": Could not read remote file."));
    const DWORD got = std::min(count, wanted);           // never trust a count beyond the buffer
    if (got == 0) return Failure(kDeviceSourceChanged);  // it shrank meanwhile
    std::size_t written = 0;
    if (!target.Write(buffer.data(), got, written))
      return Failure(CodeMessage(platform::LastFileError(), ": Could not write the local file."));
    done += got;
    control.Progress(done, size);
    if (control.Stopped()) return Stop();
  }
  // A source that grew meanwhile would leave a copy of no version of it.
  char more = 0;
  DWORD extra = 0;
  if (CeReadFile(source.get(), &more, 1, &extra, nullptr) && extra > 0)
    return Failure(kDeviceSourceChanged);
  if (!target.Commit())
    return Failure(CodeMessage(platform::LastFileError(), ": Could not write the local file."));
  return {};
}

TransferResult PushFile(const AnsiString& pcPath, const AnsiString& devicePath,
                        TransferControl& control) {
  if (control.Stopped()) return Stop();
  const std::u16string wide = DeviceWidePath(devicePath);
  return PushFile(platform::ToNativePath(pcPath), wide, control);
}

TransferResult PushFile(const std::filesystem::path& pcPath, std::u16string_view devicePath,
                        TransferControl& control) {
  if (control.Stopped()) return Stop();
  std::u16string targetPath = DeviceWidePath(devicePath);
  const AnsiString shownPath = Utf16ToAnsi(targetPath);  // for messages only
  // The source must exist: creating it here would overwrite the handheld's copy with nothing.
  platform::PcFile source = platform::PcFile::OpenForReading(pcPath);
  if (!source.IsOpen()) {
    if (platform::LastFileError() == platform::PcFile::kNotAFile)
      return Failure("Error: " + Utf8ToAnsi(pcPath.string()) +
                     AnsiLiteral(" nie je obyčajný súbor, nedá sa kopírovať."));
    return Failure(Naming(kPcFileNotOpened, Utf8ToAnsi(pcPath.string()),
                          platform::ErrorReason(platform::LastFileError())));
  }
  // An existing target that may not be written (a folder, a read-only file) fails here, as
  // creating it would; it is neither truncated nor created. One that is there keeps its spelling:
  // a handheld program that looks for "wpt.txt" must still find it after a push to "WPT.TXT".
  CE_FIND_DATA existing;
  if (FindEntry(targetPath, existing)) {
    if (existing.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      return Failure(Naming(kDeviceFileNotCreated, shownPath, AnsiLiteral("je to priečinok")));
    if (existing.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
      return Failure(
          Naming(kDeviceFileNotCreated, shownPath, AnsiLiteral("súbor je len na čítanie")));
    targetPath = FolderOf(targetPath) + std::u16string(existing.cFileName);
  }
  const bool pattern = targetPath.find_first_of(u"*?") != std::u16string::npos;
  if (!pattern) RepairLeftoversOf(targetPath);
  const std::u16string temporaryPath = targetPath + kTemporary;
  DeviceFile temporary(CeCreateFile(temporaryPath.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                    CREATE_ALWAYS, 0, nullptr));
  if (!temporary.IsOpen())
    return Failure(
        Naming(kDeviceFileNotCreated, shownPath, platform::ErrorReason(CeGetLastError())));
  // Every early end takes the temporary file away; the text is made first, as the clean-up
  // calls change the last error.
  auto fail = [&](AnsiString text) {
    temporary.Close();
    CeDeleteFile(temporaryPath.c_str());
    return Failure(std::move(text));
  };

  std::uint64_t size = 0;
  if (!source.Size(size))
    return fail(CodeMessage(platform::LastFileError(), ": Could not allocate file buffer."));
  std::vector<char> buffer(
      static_cast<std::size_t>(std::max<std::uint64_t>(1, std::min(size, kChunk))));
  std::uint64_t done = 0;
  // At least one read and one write, also for an empty file.
  do {
    const auto wanted = static_cast<std::size_t>(std::min(size - done, kChunk));
    std::size_t got = 0;
    if (!source.Read(buffer.data(), wanted, got))
      return fail(
          CodeMessage(platform::LastFileError(), AnsiLiteral(": neviem prečítať file v PC.")));
    if (got == 0 && wanted > 0) return fail(kPcSourceChanged);  // it shrank meanwhile
    // A short write that reports success leaves the rest for another call.
    std::size_t sent = 0;
    do {
      const auto count = static_cast<DWORD>(got - sent);
      DWORD written = 0;
      if (!CeWriteFile(temporary.get(), buffer.data() + sent, count, &written, nullptr) ||
          (count > 0 && written == 0))
        return fail(CodeMessage(CeGetLastError(), AnsiLiteral(": neviem zapísať file do PDA.")));
      sent += std::min<std::size_t>(written, count);
    } while (sent < got);
    done += got;
    control.Progress(done, size);
    if (control.Stopped()) {
      fail({});
      return Stop();
    }
  } while (done < size);
  char more = 0;
  std::size_t extra = 0;
  if (source.Read(&more, 1, extra) && extra > 0) return fail(kPcSourceChanged);  // it grew
  source.Close();

  if (!temporary.Close())
    return fail(CodeMessage(CeGetLastError(), AnsiLiteral(": neviem zatvoriť file v PDA.")));
  const AnsiString& cannotReplace = AnsiLiteral(": neviem nahradiť file v PDA.");
  // One step where the library can: the target holds the old bytes or the new ones, never none.
  if (const std::optional<BOOL> replaced =
          rapi::ReplaceFile(temporaryPath.c_str(), targetPath.c_str())) {
    const DWORD error = CeGetLastError();
    if (*replaced) return {};
    if (error != folder_device::kReplaceUnsupported) return fail(CodeMessage(error, cannotReplace));
  }
  // Otherwise the old file steps aside under a name of its own, the new one takes its place, and
  // only then does the old one go: a failure on the way puts the old one back, and a crash
  // between the two moves is repaired at the next connection (RepairLeftovers).
  const std::u16string oldPath = targetPath + kOld;
  const bool hadOld = CeMoveFile(targetPath.c_str(), oldPath.c_str()) != 0;
  if (!hadOld) {
    const DWORD error = CeGetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return fail(CodeMessage(error, cannotReplace));
  }
  if (!CeMoveFile(temporaryPath.c_str(), targetPath.c_str())) {
    const AnsiString text = CodeMessage(CeGetLastError(), cannotReplace);
    if (hadOld) CeMoveFile(oldPath.c_str(), targetPath.c_str());
    return fail(text);
  }
  if (hadOld && !CeDeleteFile(oldPath.c_str()))
    return Failure(CodeMessage(CeGetLastError(), AnsiLiteral(": neviem zmazať starý file v PDA.")));
  return {};
}

void RepairLeftovers(const AnsiString& deviceFolder) {
  std::u16string folder = DeviceWidePath(deviceFolder);
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  std::vector<std::u16string> found;
  CE_FIND_DATA record;
  const HANDLE search = CeFindFirstFile((folder + u"*" + kTemporary + u"*").c_str(), &record);
  if (search == INVALID_HANDLE_VALUE || search == kRapiUnavailableHandle) return;
  do found.push_back(folder + std::u16string(record.cFileName));
  while (CeFindNextFile(search, &record));
  CeFindClose(search);
  // Old files before temporary ones, as for one name.
  std::stable_partition(found.begin(), found.end(),
                        [](const std::u16string& path) { return EndsWith(path, kOld); });
  for (const std::u16string& path : found) RepairLeftover(path);
}

namespace {

// The window's part of a copy, whichever form its paths take; pull and push run on the
// handheld's thread.
using Copy = std::function<TransferResult(TransferControl&)>;

TransferEnd CopyFrom(const Copy& pull, const TransferProgress& progress) {
  if (RefuseWhileTransferring()) return TransferEnd::Failed;
  return RunCopy(
      [pull](TransferControl& control) {
        CeRapiInit();
        return pull(control);
      },
      progress);
}

TransferEnd CopyTo(const Copy& push, const TransferProgress& progress) {
  if (RefuseWhileTransferring()) return TransferEnd::Failed;  // its start would reset the link
  const bool closing = AppClosing;
  return RunCopy(
      [push, closing](TransferControl& control) {
        CeRapiInit();
        if (closing) return TransferResult{TransferEnd::Stopped, {}};
        TransferResult result = push(control);
        if (result.end == TransferEnd::Done) CeRapiUninit();
        return result;
      },
      progress);
}

}  // namespace

TransferEnd CopyFromDevice(const AnsiString& devicePath, const AnsiString& pcPath,
                           const TransferProgress& progress) {
  return CopyFrom([devicePath, pcPath](
                      TransferControl& control) { return PullFile(devicePath, pcPath, control); },
                  progress);
}

TransferEnd CopyToDevice(const AnsiString& pcPath, const AnsiString& devicePath,
                         const TransferProgress& progress) {
  return CopyTo([pcPath, devicePath](
                    TransferControl& control) { return PushFile(pcPath, devicePath, control); },
                progress);
}

TransferEnd CopyFromDevice(std::u16string_view devicePath, const std::filesystem::path& pcPath,
                           const TransferProgress& progress) {
  return CopyFrom([devicePath = std::u16string(devicePath), pcPath](
                      TransferControl& control) { return PullFile(devicePath, pcPath, control); },
                  progress);
}

TransferEnd CopyToDevice(const std::filesystem::path& pcPath, std::u16string_view devicePath,
                         const TransferProgress& progress) {
  return CopyTo([pcPath, devicePath = std::u16string(devicePath)](
                    TransferControl& control) { return PushFile(pcPath, devicePath, control); },
                progress);
}

bool TransferRunning() {
  return running;
}

bool RefuseWhileTransferring() {
  if (!running) return false;
  platform::Ui().ShowMessage(kTransferBusyMessage);
  return true;
}

void StopTransfer() {
  if (running) device::StopAwaited();
}
