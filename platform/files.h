#pragma once
// PC file functions.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "platform/ansi.h"
#include "platform/error.h"

namespace platform {

// Raised by ReadWholeFile for a file of more bytes than its limit, before they are read.
class FileTooLarge : public PlatformError {
 public:
  using PlatformError::PlatformError;
};

// What a user is told of a Windows error number (of a PC file or of the handheld), in Slovak:
// "priečinok neexistuje", "prístup zamietnutý", ...; "chyba č. N" for a number without words.
AnsiString ErrorReason(unsigned code);

// Raised by ReadWholeFile for a file that cannot be read, with the Windows error number of why.
class FileNotRead : public PlatformError {
 public:
  FileNotRead(AnsiString message, unsigned error)
      : PlatformError(std::move(message)), error_(error) {}
  unsigned Error() const { return error_; }

 private:
  unsigned error_;
};

// The whole file as bytes; a file that cannot be read raises FileNotRead. More than
// limit bytes (a pipe or device that never ends, too) raise FileTooLarge instead.
std::string ReadWholeFile(const std::filesystem::path& file, std::uint64_t limit = UINT64_MAX);

// The Windows error number of the last failed call below on this thread (GetLastError).
unsigned LastFileError();

// A PC file opened for reading or writing (CreateFile/ReadFile/WriteFile/GetFileSize/
// CloseHandle); closed when dropped. Failed calls answer false and set LastFileError.
class PcFile {
 public:
  PcFile() = default;
  ~PcFile() { Close(); }
  PcFile(PcFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  PcFile& operator=(PcFile&& other) noexcept;
  PcFile(const PcFile&) = delete;
  PcFile& operator=(const PcFile&) = delete;

  // An existing file, never created (a directory fails with access denied, a FIFO, socket or
  // device with kNotAFile, without waiting for a peer).
  static PcFile OpenForReading(const std::filesystem::path& file);
  static constexpr unsigned kNotAFile = 222;  // ERROR_BAD_FILE_TYPE

  bool IsOpen() const { return fd_ >= 0; }
  bool Size(std::uint64_t& size);
  // Up to count bytes; fewer only at the end of the file.
  bool Read(void* buffer, std::size_t count, std::size_t& done);
  // All count bytes, or false.
  bool Write(const void* buffer, std::size_t count, std::size_t& done);
  bool Close();

 private:
  friend class ReplacementFile;
  explicit PcFile(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// New content for a PC file, written whole or not at all: the bytes go into a temporary file
// in the target's folder, which Commit renames over the target (keeping an existing target's
// permissions; a link is followed to the file it names). Dropped without Commit, the temporary
// file goes and the target stays as it was.
class ReplacementFile {
 public:
  ReplacementFile() = default;
  ~ReplacementFile() { Discard(); }
  ReplacementFile(ReplacementFile&& other) noexcept;
  ReplacementFile& operator=(ReplacementFile&& other) noexcept;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Fails (IsOpen false, LastFileError set) where creating the target would fail: a missing
  // folder, a directory or a file that may not be written.
  static ReplacementFile Create(const std::filesystem::path& target);

  bool IsOpen() const { return file_.IsOpen(); }
  bool Write(const void* buffer, std::size_t count, std::size_t& done) {
    return file_.Write(buffer, count, done);
  }
  // The new content is a finished file of ours instead (it goes): renamed into the temporary
  // file's place with the mode Create chose, or copied there from another file system.
  bool TakeFile(const std::filesystem::path& source);
  // Closes and puts the new content in place; on failure nothing is left behind.
  bool Commit();
  // The whole new content at once, then Commit.
  bool WriteAndCommit(const void* buffer, std::size_t count) {
    std::size_t done = 0;
    return Write(buffer, count, done) && Commit();
  }
  void Discard();

 private:
  PcFile file_;
  std::filesystem::path target_, temporary_;
};

}  // namespace platform
