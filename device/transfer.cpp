#include "device/transfer.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/state.h"
#include "device/link.h"
#include "device/rapi.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/ui.h"

namespace {

constexpr std::uint64_t kChunk = kTransferChunk;

const AnsiString kPcSourceChanged =
    "Error: s\xFA"
    "bor v PC sa po\xE8"
    "as kop\xED"
    "rovania zmenil.";
const AnsiString kDeviceSourceChanged =
    "Error: s\xFA"
    "bor v PDA sa po\xE8"
    "as kop\xED"
    "rovania zmenil.";

AnsiString CodeMessage(std::uint32_t code, const char* suffix) {
  return "Error #" + std::to_string(code) + suffix;
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

// The copy that runs, for StopTransfer and for refusing a second one.
struct Running {
  bool active = false;
  bool stopped = false;
  DeviceFile* temporary = nullptr;  // a copy to the handheld: its temporary file while open
  std::u16string temporaryPath;
};
Running running;

// The copy's run: ends before the copy shows its message, so a stop meanwhile does nothing.
class RunningScope {
 public:
  RunningScope() {
    running = Running{};
    running.active = true;
  }
  ~RunningScope() { End(); }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;
  void End() { running = Running{}; }
};

// What a remote data call answered, with the error of its own thread.
struct CallResult {
  bool ok = false;
  DWORD count = 0;
  DWORD error = 0;
};

// Makes a remote data call on a thread of its own and handles the window's events until it
// returns, so a slow handheld holds up the copy and not the window. Nullopt: the copy was stopped
// meanwhile and the call is left to end alone (it owns what it uses).
template <typename Call>
std::optional<CallResult> OffTheWindow(Call call) {
  auto promise = std::make_shared<std::promise<CallResult>>();
  std::future<CallResult> answer = promise->get_future();
  std::thread([promise, call = std::move(call)]() mutable { promise->set_value(call()); }).detach();
  while (answer.wait_for(std::chrono::milliseconds(2)) != std::future_status::ready) {
    platform::ProcessMessages();
    if (running.stopped) return std::nullopt;
  }
  return answer.get();
}

std::shared_ptr<char[]> SharedBuffer(std::uint64_t size) {
  return std::shared_ptr<char[]>(
      new char[static_cast<std::size_t>(std::max<std::uint64_t>(1, std::min(size, kChunk)))]);
}

// Between chunks: tell the caller, let the window work. True when the copy was stopped meanwhile.
bool BetweenChunks(const TransferProgress& progress, std::uint64_t done, std::uint64_t total) {
  if (progress) progress(done, total);
  platform::ProcessMessages();
  return running.stopped;
}

// Whether the handheld's entry of that name, if there is one, is a file that may be written.
bool MayReplace(const std::u16string& path) {
  if (path.find_first_of(u"*?") != std::u16string::npos) return true;  // creating it will fail
  CE_FIND_DATA found;
  std::memset(&found, 0, sizeof found);
  const HANDLE search = CeFindFirstFile(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return true;  // none
  CeFindClose(search);
  return !(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

}  // namespace

bool TransferRunning() {
  return running.active;
}

bool RefuseWhileTransferring() {
  if (!running.active) return false;
  platform::Ui().ShowMessage(kTransferBusyMessage);
  return true;
}

void StopTransfer() {
  if (!running.active || running.stopped) return;
  running.stopped = true;
  if (running.temporary) {
    running.temporary->Close();
    CeDeleteFile(running.temporaryPath.c_str());
    running.temporary = nullptr;
  }
}

void CopyFromDevice(const AnsiString& devicePath, const AnsiString& pcPath,
                    const TransferProgress& progress) {
  if (RefuseWhileTransferring()) return;
  CeRapiInit();
  const std::u16string sourcePath = DeviceWidePath(devicePath);
  RunningScope run;
  // The source must exist: creating it here would make an empty PC copy of a missing file.
  DeviceFile source(CeCreateFile(sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  if (!source.IsOpen()) {
    run.End();
    platform::Ui().ShowMessage("Error: Could not open remote file.");
    return;
  }
  platform::ReplacementFile target =
      platform::ReplacementFile::Create(platform::ToNativePath(pcPath));
  // Each failure ends the copy with both files closed and the old PC file untouched.
  auto fail = [&](const AnsiString& text) {
    target.Discard();
    source.Close();
    run.End();
    platform::Ui().ShowMessage(text);
  };
  if (!target.IsOpen()) return fail("Error: Could not create local file.");

  DWORD high = 0;
  const DWORD low = CeGetFileSize(source.get(), &high);
  if (low == INVALID_FILE_SIZE) {
    const DWORD error = CeGetLastError();
    if (error != NO_ERROR) return fail(CodeMessage(error, ": Could not allocate file buffer."));
  }
  const std::uint64_t size = (std::uint64_t(high) << 32) | low;
  const std::shared_ptr<char[]> buffer = SharedBuffer(size);
  std::uint64_t done = 0;
  while (done < size) {
    const auto wanted = static_cast<DWORD>(std::min(size - done, kChunk));
    const HANDLE handle = source.get();
    std::optional<CallResult> read = OffTheWindow([buffer, handle, wanted] {
      CallResult r;
      r.ok = CeReadFile(handle, buffer.get(), wanted, &r.count, nullptr) != 0;
      r.error = CeGetLastError();
      return r;
    });
    if (!read) return;  // stopped
    if (!read->ok) return fail(CodeMessage(read->error, ": Could not read remote file."));
    const DWORD got = std::min(read->count, wanted);  // never trust a count beyond the buffer
    if (got == 0) return fail(kDeviceSourceChanged);  // it shrank meanwhile
    std::size_t written = 0;
    if (!target.Write(buffer.get(), got, written))
      return fail(CodeMessage(platform::LastFileError(), ": Could not write the local file."));
    done += got;
    if (BetweenChunks(progress, done, size)) return;
  }
  // A source that grew meanwhile would leave a copy of no version of it.
  char more = 0;
  DWORD extra = 0;
  if (CeReadFile(source.get(), &more, 1, &extra, nullptr) && extra > 0)
    return fail(kDeviceSourceChanged);
  if (!target.Commit())
    return fail(CodeMessage(platform::LastFileError(), ": Could not write the local file."));
}

void CopyToDevice(const AnsiString& pcPath, const AnsiString& devicePath,
                  const TransferProgress& progress) {
  if (RefuseWhileTransferring()) return;  // its start would reset the running copy's link
  CeRapiInit();
  if (AppClosing) return;
  const std::u16string targetPath = DeviceWidePath(devicePath);
  const std::u16string temporaryPath = DeviceWidePath(devicePath + kDeviceTemporarySuffix);
  const std::u16string oldPath = DeviceWidePath(devicePath + kDeviceOldSuffix);
  RunningScope run;
  // The source must exist: creating it here would overwrite the handheld's copy with nothing.
  platform::PcFile source = platform::PcFile::OpenForReading(platform::ToNativePath(pcPath));
  const AnsiString cannotCreate = "Error: neviem vytvori\x9D file v PDA.";
  if (!source.IsOpen()) {
    run.End();
    platform::Ui().ShowMessage("Error: neviem otvori\x9D file v PC.");
    return;
  }
  // An existing target that may not be written (a folder, a read-only file) fails here, as
  // creating it would; it is neither truncated nor created.
  if (!MayReplace(targetPath)) {
    run.End();
    platform::Ui().ShowMessage(cannotCreate);
    return;
  }
  DeviceFile temporary(CeCreateFile(temporaryPath.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                    CREATE_ALWAYS, 0, nullptr));
  running.temporary = &temporary;
  running.temporaryPath = temporaryPath;
  // The text is made first: the clean-up calls change the last error.
  auto fail = [&](const AnsiString& text) {
    if (temporary.IsOpen()) temporary.Close();
    CeDeleteFile(temporaryPath.c_str());
    source.Close();
    run.End();
    platform::Ui().ShowMessage(text);
  };
  if (!temporary.IsOpen()) {
    run.End();
    platform::Ui().ShowMessage(cannotCreate);
    return;
  }

  std::uint64_t size = 0;
  if (!source.Size(size))
    return fail(CodeMessage(platform::LastFileError(), ": Could not allocate file buffer."));
  const std::shared_ptr<char[]> buffer = SharedBuffer(size);
  std::uint64_t done = 0;
  // At least one read and one write, also for an empty file.
  do {
    const auto wanted = static_cast<std::size_t>(std::min(size - done, kChunk));
    std::size_t got = 0;
    if (!source.Read(buffer.get(), wanted, got))
      return fail(CodeMessage(platform::LastFileError(), ": neviem pre\xE8\xEDta\x9D file v PC."));
    if (got == 0 && wanted > 0) return fail(kPcSourceChanged);  // it shrank meanwhile
    // A short write that reports success leaves the rest for another call.
    std::size_t sent = 0;
    do {
      const auto count = static_cast<DWORD>(got - sent);
      const HANDLE handle = temporary.get();
      const char* from = buffer.get() + sent;
      std::optional<CallResult> write = OffTheWindow([buffer, handle, from, count] {
        CallResult r;
        r.ok = CeWriteFile(handle, from, count, &r.count, nullptr) != 0;
        r.error = CeGetLastError();
        return r;
      });
      if (!write) return;  // stopped: the temporary file is gone already
      if (!write->ok || (count > 0 && write->count == 0))
        return fail(CodeMessage(write->error, ": neviem zap\xEDsa\x9D file do PDA."));
      sent += std::min<std::size_t>(write->count, count);
    } while (sent < got);
    done += got;
    if (BetweenChunks(progress, done, size)) return;
  } while (done < size);
  char more = 0;
  std::size_t extra = 0;
  if (source.Read(&more, 1, extra) && extra > 0) return fail(kPcSourceChanged);  // it grew
  source.Close();

  running.temporary = nullptr;
  if (!temporary.Close())
    return fail(CodeMessage(CeGetLastError(), ": neviem zatvori\x9D file v PDA."));
  // The old file steps aside under a name of its own, the new one takes its place, and only then
  // does the old one go: a failure on the way puts the old one back.
  bool hadOld = CeMoveFile(targetPath.c_str(), oldPath.c_str()) != 0;
  if (!hadOld && CeGetLastError() == ERROR_ALREADY_EXISTS) {
    CeDeleteFile(oldPath.c_str());  // left by a copy that was cut off
    hadOld = CeMoveFile(targetPath.c_str(), oldPath.c_str()) != 0;
  }
  if (!hadOld) {
    const DWORD error = CeGetLastError();
    if (error != ERROR_FILE_NOT_FOUND)
      return fail(CodeMessage(error, ": neviem nahradi\x9D file v PDA."));
  }
  if (!CeMoveFile(temporaryPath.c_str(), targetPath.c_str())) {
    const AnsiString text = CodeMessage(CeGetLastError(), ": neviem nahradi\x9D file v PDA.");
    if (hadOld) CeMoveFile(oldPath.c_str(), targetPath.c_str());
    return fail(text);
  }
  run.End();
  if (hadOld && !CeDeleteFile(oldPath.c_str())) {
    platform::Ui().ShowMessage(
        CodeMessage(CeGetLastError(), ": neviem zmaza\x9D star\xFD file v PDA."));
    return;
  }
  CeRapiUninit();
}
