#include "platform/files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/paths.h"

namespace platform {
namespace {

// A big file read fills fresh memory page by page: in huge pages the kernel faults in 2 MiB at a
// time instead of 4 KiB, which makes reading a file of hundreds of megabytes several times
// faster where page faults are slow. Only the whole huge pages inside the buffer are asked for.
void PreferHugePages(const char* data, size_t size) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kHuge = uintptr_t{1} << 21;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(kHuge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace

AnsiString ErrorReason(unsigned code) {
  switch (code) {
    case 2:
      return AnsiLiteral("súbor neexistuje");
    case 3:
      return AnsiLiteral("priečinok neexistuje");
    case 5:
      return AnsiLiteral("prístup zamietnutý");
    case 19:
      return AnsiLiteral("médium je chránené proti zápisu");
    case 21:
    case 1167:
      return AnsiLiteral("zariadenie nie je pripravené");
    case 32:
      return AnsiLiteral("súbor práve používa iný program");
    case 112:
      return AnsiLiteral("na disku nie je miesto");
    case 123:
      return AnsiLiteral("názov nie je platný");
    case 183:
      return AnsiLiteral("už existuje");
    case 206:
      return AnsiLiteral("cesta je príliš dlhá");
    case PcFile::kNotAFile:
      return AnsiLiteral("nie je obyčajný súbor");
    case 0xFFFF:  // what every call answers while no handheld library is there
      return AnsiLiteral("PDA nie je pripojené");
    default:
      return AnsiLiteral("chyba č. ") + std::to_string(code);
  }
}

std::string ReadWholeFile(const std::filesystem::path& file, std::uint64_t limit) {
  auto fail = [&](unsigned error) -> std::string {
    throw FileNotRead(FormatMessage1("Cannot open file %s", FromNativePath(file)), error);
  };
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fail(WindowsErrorFromErrno(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    const unsigned error = S_ISDIR(st.st_mode) ? 5u : WindowsErrorFromErrno(errno);
    ::close(fd);
    return fail(error);
  }
  auto tooLarge = [&]() -> std::string {
    ::close(fd);
    throw FileTooLarge(FormatMessage1("File %s is too large", FromNativePath(file)));
  };
  if (st.st_size > 0 && static_cast<std::uint64_t>(st.st_size) > limit) return tooLarge();
  std::string data;
  if (st.st_size > 0) {
    data.reserve(static_cast<size_t>(st.st_size));
    PreferHugePages(data.data(), data.capacity());
  }
  char chunk[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const unsigned error = WindowsErrorFromErrno(errno);
      ::close(fd);
      return fail(error);
    }
    if (n == 0) break;
    // A file that grows, or a device or pipe without a size, stops at the limit all the same.
    if (data.size() + static_cast<size_t>(n) > limit) return tooLarge();
    data.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

namespace {

thread_local unsigned lastFileError = 0;

bool Fail(unsigned error) {
  lastFileError = error;
  return false;
}
bool FailErrno() {
  return Fail(WindowsErrorFromErrno(errno));
}

// The process's umask without changing it (umask() would race other threads creating files).
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  return 022;
}

}  // namespace

unsigned LastFileError() {
  return lastFileError;
}

PcFile& PcFile::operator=(PcFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

PcFile PcFile::OpenForReading(const std::filesystem::path& file) {
  // Non-blocking while it opens: a FIFO without a writer would hold the caller for good.
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    FailErrno();
    return PcFile();
  }
  struct stat st {};
  const bool known = ::fstat(fd, &st) == 0;
  if (!known || !S_ISREG(st.st_mode)) {
    Fail(!known ? WindowsErrorFromErrno(errno) : S_ISDIR(st.st_mode) ? 5 : kNotAFile);
    ::close(fd);
    return PcFile();
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return PcFile(fd);
}

bool PcFile::Size(std::uint64_t& size) {
  struct stat st {};
  if (fd_ < 0) return Fail(6);
  if (::fstat(fd_, &st) != 0) return FailErrno();
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool PcFile::Read(void* buffer, std::size_t count, std::size_t& done) {
  done = 0;
  if (fd_ < 0) return Fail(6);
  while (done < count) {
    ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FailErrno();
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool PcFile::Write(const void* buffer, std::size_t count, std::size_t& done) {
  done = 0;
  if (fd_ < 0) return Fail(6);
  while (done < count) {
    ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FailErrno();
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool PcFile::Close() {
  if (fd_ < 0) return true;
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) return FailErrno();
  return true;
}

ReplacementFile::ReplacementFile(ReplacementFile&& other) noexcept
    : file_(std::move(other.file_)),
      target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)) {
  other.temporary_.clear();
}

ReplacementFile& ReplacementFile::operator=(ReplacementFile&& other) noexcept {
  if (this != &other) {
    Discard();
    file_ = std::move(other.file_);
    target_ = std::move(other.target_);
    temporary_ = std::move(other.temporary_);
    other.temporary_.clear();
  }
  return *this;
}

ReplacementFile ReplacementFile::Create(const std::filesystem::path& target) {
  ReplacementFile out;
  std::filesystem::path real = target;
  // Writing through a link changes the file it names, as opening the target would.
  struct stat own {};
  if (::lstat(target.c_str(), &own) == 0 && S_ISLNK(own.st_mode)) {
    std::error_code ec;
    real = std::filesystem::weakly_canonical(target, ec);
    if (ec) {
      Fail(WindowsErrorFromErrno(ec.value()));
      return out;
    }
  }
  if (real.filename().empty()) {
    Fail(3);
    return out;
  }
  const std::filesystem::path folder = real.parent_path().empty() ? "." : real.parent_path();
  struct stat folderStat {};
  if (::stat(folder.c_str(), &folderStat) != 0 || !S_ISDIR(folderStat.st_mode)) {
    Fail(3);  // the path does not lead to a folder
    return out;
  }
  struct stat existing {};
  const bool exists = ::stat(real.c_str(), &existing) == 0;
  if (exists && (S_ISDIR(existing.st_mode) || ::access(real.c_str(), W_OK) != 0)) {
    Fail(5);
    return out;
  }
  std::string pattern = (folder / ".vireska-copy-XXXXXX").string();
  int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    FailErrno();
    return out;
  }
  // The new file gets what CreateFile would give it: the old file's mode, or the default one.
  if (exists) {
    ::fchmod(fd, existing.st_mode & 07777);
    if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
      // Only root may keep another user's ownership; otherwise the new file is ours.
    }
  } else {
    ::fchmod(fd, 0666 & ~CurrentUmask());
  }
  out.file_ = PcFile(fd);
  out.target_ = real;
  out.temporary_ = pattern;
  return out;
}

bool ReplacementFile::TakeFile(const std::filesystem::path& source) {
  if (temporary_.empty()) return Fail(6);
  struct stat chosen {};
  if (::fstat(file_.fd_, &chosen) != 0) return FailErrno();
  if (::chmod(source.c_str(), chosen.st_mode & 07777) != 0) return FailErrno();
  if (::chown(source.c_str(), chosen.st_uid, chosen.st_gid) != 0) {
    // As in Create: only root may keep another user's ownership.
  }
  if (::rename(source.c_str(), temporary_.c_str()) == 0) return true;
  if (errno != EXDEV) return FailErrno();
  PcFile in = PcFile::OpenForReading(source);
  if (!in.IsOpen()) return false;
  char chunk[1 << 16];
  for (;;) {
    std::size_t got = 0, put = 0;
    if (!in.Read(chunk, sizeof chunk, got) || !Write(chunk, got, put)) return false;
    if (got < sizeof chunk) break;
  }
  ::unlink(source.c_str());
  return true;
}

bool ReplacementFile::Commit() {
  if (temporary_.empty()) return Fail(6);
  if (!file_.Close()) {
    const unsigned error = lastFileError;
    Discard();
    return Fail(error);
  }
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
    const unsigned error = WindowsErrorFromErrno(errno);
    Discard();
    return Fail(error);
  }
  temporary_.clear();
  return true;
}

void ReplacementFile::Discard() {
  file_.Close();
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

}  // namespace platform
