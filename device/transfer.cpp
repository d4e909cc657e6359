#include "device/transfer.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "app/state.h"
#include "device/link.h"
#include "device/rapi.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/ui.h"

namespace {

// Memory stays bounded whatever the file's size.
constexpr std::uint64_t kChunk = 4u << 20;

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
  void Close() {
    if (IsOpen()) CeCloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

std::unique_ptr<char[]> TransferBuffer(std::uint64_t size) {
  return std::unique_ptr<char[]>(new char[static_cast<std::size_t>(std::min(size, kChunk))]);
}

}  // namespace

void CopyFromDevice(const AnsiString& devicePath, const AnsiString& pcPath) {
  CeRapiInit();
  WideBufferScope wide;
  // The source must exist: creating it here would make an empty PC copy of a missing file.
  DeviceFile source(CeCreateFile(ToWidePath(devicePath), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  if (!source.IsOpen()) {
    platform::Ui().ShowMessage("Error: Could not open remote file.");
    return;
  }
  platform::ReplacementFile target =
      platform::ReplacementFile::Create(platform::ToNativePath(pcPath));
  // Each failure ends the copy with both files closed and the old PC file untouched.
  auto fail = [&](const AnsiString& text) {
    target.Discard();
    source.Close();
    platform::Ui().ShowMessage(text);
  };
  if (!target.IsOpen()) return fail("Error: Could not create local file.");

  DWORD high = 0;
  const DWORD low = CeGetFileSize(source.get(), &high);
  if (low == INVALID_FILE_SIZE) {
    const DWORD error = CeGetLastError();
    if (error != NO_ERROR) return fail(CodeMessage(error, ": Could not allocate file buffer."));
  }
  std::uint64_t remaining = (std::uint64_t(high) << 32) | low;
  std::unique_ptr<char[]> buffer = TransferBuffer(remaining);
  while (remaining > 0) {
    const auto wanted = static_cast<DWORD>(std::min(remaining, kChunk));
    DWORD got = 0;
    if (!CeReadFile(source.get(), buffer.get(), wanted, &got, nullptr))
      return fail(CodeMessage(CeGetLastError(), ": Could not read remote file."));
    got = std::min(got, wanted);  // never trust a count beyond the buffer
    if (got == 0) break;          // the file ended early
    std::size_t written = 0;
    if (!target.Write(buffer.get(), got, written))
      return fail(CodeMessage(platform::LastFileError(), ": Could not write the local file."));
    remaining -= got;
  }
  if (!target.Commit())
    return fail(CodeMessage(platform::LastFileError(), ": Could not write the local file."));
}

void CopyToDevice(const AnsiString& pcPath, const AnsiString& devicePath) {
  CeRapiInit();
  if (AppClosing) return;
  WideBufferScope wide;
  // The source must exist: creating it here would overwrite the handheld's copy with nothing.
  platform::PcFile source = platform::PcFile::OpenForReading(platform::ToNativePath(pcPath));
  if (!source.IsOpen()) {
    platform::Ui().ShowMessage("Error: neviem otvori\x9D file v PC.");
    return;
  }
  DeviceFile target(CeCreateFile(ToWidePath(devicePath), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                 CREATE_ALWAYS, 0, nullptr));
  auto fail = [&](const AnsiString& text) {
    target.Close();
    source.Close();
    platform::Ui().ShowMessage(text);
  };
  if (!target.IsOpen()) return fail("Error: neviem vytvori\x9D file v PDA.");

  std::uint64_t remaining = 0;
  if (!source.Size(remaining))
    return fail(CodeMessage(platform::LastFileError(), ": Could not allocate file buffer."));
  std::unique_ptr<char[]> buffer = TransferBuffer(remaining);
  // At least one read and one write, also for an empty file.
  do {
    const auto wanted = static_cast<std::size_t>(std::min(remaining, kChunk));
    std::size_t got = 0;
    if (!source.Read(buffer.get(), wanted, got))
      return fail(CodeMessage(platform::LastFileError(), ": neviem pre\xE8\xEDta\x9D file v PC."));
    // A short write that reports success leaves the rest for another call.
    std::size_t sent = 0;
    do {
      DWORD written = 0;
      const auto count = static_cast<DWORD>(got - sent);
      if (!CeWriteFile(target.get(), buffer.get() + sent, count, &written, nullptr) ||
          (count > 0 && written == 0))
        return fail(CodeMessage(CeGetLastError(), ": neviem zap\xEDsa\x9D file do PDA."));
      sent += std::min<std::size_t>(written, count);
    } while (sent < got);
    if (got == 0) break;
    remaining -= got;
  } while (remaining > 0);
  target.Close();
  source.Close();
  CeRapiUninit();
}
