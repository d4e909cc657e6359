#include "device/folder/resolve.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "device/folder/folder_device.h"
#include "device/folder/text.h"
#include "device/rapi_types.h"
#include "platform/error.h"

namespace folder_device {
namespace {

std::string ProgramDir() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  std::string exe(buffer, static_cast<size_t>(n));
  size_t slash = exe.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : exe.substr(0, slash);
}

std::optional<std::string> RealPath(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return std::nullopt;
  std::string out(real);
  std::free(real);
  return out;
}

bool Openat2Missing() {
  const char* forced = std::getenv(kNoOpenat2Variable);
  return forced && *forced == '1';
}

// Without openat2: each component on its own, no link followed, so nothing leads out.
int WalkBeneath(int root, const std::string& rel, int flags, mode_t mode) {
  Fd dir(::fcntl(root, F_DUPFD_CLOEXEC, 0));
  if (!dir.IsOpen()) return -1;
  if (rel.empty()) return ::openat(dir.get(), ".", flags | O_NOFOLLOW, mode);
  size_t start = 0;
  for (;;) {
    const size_t slash = rel.find('/', start);
    const std::string part = rel.substr(start, slash - start);
    if (slash == std::string::npos) {
      const int fd = ::openat(dir.get(), part.c_str(), flags | O_NOFOLLOW, mode);
      struct stat st {};
      // O_PATH with O_NOFOLLOW opens a link itself rather than failing.
      if (fd >= 0 && (flags & O_PATH) && ::fstat(fd, &st) == 0 && S_ISLNK(st.st_mode)) {
        ::close(fd);
        errno = ELOOP;
        return -1;
      }
      return fd;
    }
    Fd next(::openat(dir.get(), part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.IsOpen()) return -1;
    dir = std::move(next);
    start = slash + 1;
  }
}

// A name that is missing as written may exist in another case. The name itself when the folder
// holds it as written.
std::optional<std::string> FindIgnoringCase(int root, const std::string& rel,
                                            const std::string& name) {
  const int fd = OpenBeneath(root, rel, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  DIR* d = ::fdopendir(fd);
  if (!d) {
    ::close(fd);
    return std::nullopt;
  }
  std::optional<std::string> found;
  const std::u32string wanted = FoldCase(name);
  while (dirent* e = ::readdir(d)) {
    std::string_view candidate(e->d_name);
    if (candidate == "." || candidate == "..") continue;
    if (candidate == name) {
      found = name;
      break;
    }
    if (FoldCase(candidate) == wanted && (!found || candidate < *found))
      found = std::string(candidate);
  }
  ::closedir(d);
  return found;
}

// Split at "\" and "/", dropping empty and "." components.
std::uint32_t Split(std::string_view path, std::vector<std::string>& parts) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view part = path.substr(start, end - start);
    if (part == "..") return ERROR_ACCESS_DENIED;
    if (!part.empty() && part != ".") parts.emplace_back(part);
    start = end + 1;
  }
  return 0;
}

std::uint32_t CheckName(const std::string& part, bool patternAllowed) {
  for (unsigned char c : part) {
    if (c < 0x20) return ERROR_INVALID_NAME;
    if (!patternAllowed && (c == '*' || c == '?')) return ERROR_INVALID_NAME;
  }
  return 0;
}

}  // namespace

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir == "/" ? "/" + name : dir + "/" + name;
}

std::optional<std::string> RealRoot() {
  const char* configured = std::getenv(kRootVariable);
  std::optional<std::string> chosen = ChosenRoot();
  if ((!configured || !*configured) && !chosen) configured = std::getenv(kDefaultRootVariable);
  std::string root = configured && *configured ? std::string(configured)
                     : chosen                  ? *chosen
                                               : Join(ProgramDir(), kDefaultRootName);
  struct stat st {};
  if (::stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  if (::access(root.c_str(), R_OK | X_OK) != 0) return std::nullopt;
  return RealPath(root);
}

int OpenBeneath(int root, const std::string& rel, int flags, mode_t mode) {
  static std::atomic<bool> missing{false};  // the kernel said so once: it stays so
  if (!missing && !Openat2Missing()) {
    open_how how{};
    how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC);
    how.mode = (flags & O_CREAT) ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const char* path = rel.empty() ? "." : rel.c_str();
    long fd;
    do {
      fd = ::syscall(SYS_openat2, root, path, &how, sizeof how);
    } while (fd < 0 && (errno == EAGAIN || errno == EINTR));
    if (fd >= 0 || (errno != ENOSYS && errno != EPERM)) return static_cast<int>(fd);
    if (errno == ENOSYS) missing = true;
  }
  return WalkBeneath(root, rel, flags | O_CLOEXEC, mode);
}

std::string SpellingOnDisk(const Target& target) {
  if (!target.exists || target.isRoot) return target.name;
  std::string other = target.name;
  for (char& c : other) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  // Where the name in other letters is missing, the file system tells case apart and the name was
  // found as the folder holds it: one failed lookup, no listing.
  struct stat st {};
  if (other != target.name &&
      ::fstatat(target.dir.get(), other.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return target.name;
  return FindIgnoringCase(target.root.get(), target.rel, target.name).value_or(target.name);
}

std::uint32_t BeneathError(int error) {
  // A way out of the root, or a link the walk may not follow.
  if (error == EXDEV || error == ELOOP) return ERROR_ACCESS_DENIED;
  return WindowsErrorFromErrno(error);
}

std::uint32_t Resolve(const char16_t* path, LastPart last, Target& out) {
  out = Target{};
  if (!path) return ERROR_INVALID_PARAMETER;
  std::optional<std::string> rootPath = RealRoot();
  if (!rootPath) return ERROR_NOT_READY;
  std::optional<std::string> utf8 = Utf16ToUtf8(path);
  if (!utf8) return ERROR_INVALID_NAME;
  std::vector<std::string> parts;
  if (std::uint32_t error = Split(*utf8, parts)) return error;
  for (size_t i = 0; i < parts.size(); ++i)
    if (std::uint32_t error =
            CheckName(parts[i], last == LastPart::Pattern && i + 1 == parts.size()))
      return error;

  out.root = Fd(::open(rootPath->c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!out.root.IsOpen()) return ERROR_NOT_READY;
  const int root = out.root.get();
  if (parts.empty()) {
    out.dir = Fd(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    out.isRoot = out.exists = out.dir.IsOpen() && ::fstat(root, &out.st) == 0;
    return out.exists ? 0 : ERROR_NOT_READY;
  }
  // Every component but the last must be a folder inside the root.
  std::string rel;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    std::string next = Join(rel, parts[i]);
    Fd dir(OpenBeneath(root, next, O_PATH | O_DIRECTORY));
    if (!dir.IsOpen() && errno == ENOENT) {
      std::optional<std::string> other = FindIgnoringCase(root, rel, parts[i]);
      if (!other) return ERROR_PATH_NOT_FOUND;
      next = Join(rel, *other);
      dir = Fd(OpenBeneath(root, next, O_PATH | O_DIRECTORY));
    }
    if (!dir.IsOpen())
      return errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : BeneathError(errno);
    rel = std::move(next);
    out.dir = std::move(dir);
  }
  if (!out.dir.IsOpen()) out.dir = Fd(::fcntl(root, F_DUPFD_CLOEXEC, 0));
  if (!out.dir.IsOpen()) return WindowsErrorFromErrno(errno);

  out.rel = rel;
  out.name = parts.back();
  if (last == LastPart::Pattern) return 0;
  struct stat lst {};
  if (::fstatat(out.dir.get(), out.name.c_str(), &lst, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) return WindowsErrorFromErrno(errno);
    std::optional<std::string> other = FindIgnoringCase(root, rel, out.name);
    if (!other) return 0;  // a new entry
    out.name = *other;
    if (::fstatat(out.dir.get(), out.name.c_str(), &lst, AT_SYMLINK_NOFOLLOW) != 0)
      return WindowsErrorFromErrno(errno);
  }
  out.isLink = S_ISLNK(lst.st_mode);
  if (!out.isLink) {
    out.st = lst;
    out.exists = true;
    return 0;
  }
  // A link is part of the handheld only when it leads to an entry inside the root.
  Fd led(OpenBeneath(root, out.EntryRel(), O_PATH));
  if (!led.IsOpen() || ::fstat(led.get(), &out.st) != 0) return ERROR_ACCESS_DENIED;
  out.exists = true;
  return 0;
}

}  // namespace folder_device
