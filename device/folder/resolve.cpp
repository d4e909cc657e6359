#include "device/folder/resolve.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
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

// A name that is missing as written may exist in another case.
std::optional<std::string> FindIgnoringCase(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return std::nullopt;
  std::optional<std::string> found;
  const std::u32string wanted = FoldCase(name);
  while (dirent* e = ::readdir(d)) {
    std::string_view candidate(e->d_name);
    if (candidate == "." || candidate == "..") continue;
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

bool WithinRoot(const std::string& root, const std::string& path) {
  if (root == "/") return !path.empty() && path[0] == '/';
  return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                          path[root.size()] == '/');
}

std::optional<std::string> RealInsideRoot(const std::string& root, const std::string& path) {
  std::optional<std::string> real = RealPath(path);
  if (!real || !WithinRoot(root, *real)) return std::nullopt;
  return real;
}

std::uint32_t Resolve(const char16_t* path, LastPart last, Target& out) {
  out = Target{};
  if (!path) return ERROR_INVALID_PARAMETER;
  std::optional<std::string> root = RealRoot();
  if (!root) return ERROR_NOT_READY;
  std::optional<std::string> utf8 = Utf16ToUtf8(path);
  if (!utf8) return ERROR_INVALID_NAME;
  std::vector<std::string> parts;
  if (std::uint32_t error = Split(*utf8, parts)) return error;
  for (size_t i = 0; i < parts.size(); ++i)
    if (std::uint32_t error =
            CheckName(parts[i], last == LastPart::Pattern && i + 1 == parts.size()))
      return error;

  out.root = *root;
  std::string dir = *root;
  if (parts.empty()) {
    out.dir = out.entry = out.real = dir;
    out.isRoot = out.exists = ::stat(dir.c_str(), &out.st) == 0;
    return out.exists ? 0 : ERROR_NOT_READY;
  }
  // Every component but the last must be a folder inside the root.
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    std::string name = parts[i];
    struct stat st {};
    if (::lstat(Join(dir, name).c_str(), &st) != 0) {
      if (errno != ENOENT) return WindowsErrorFromErrno(errno);
      std::optional<std::string> other = FindIgnoringCase(dir, name);
      if (!other) return ERROR_PATH_NOT_FOUND;
      name = *other;
    }
    std::optional<std::string> real = RealPath(Join(dir, name));
    if (!real) return S_ISLNK(st.st_mode) ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
    if (!WithinRoot(*root, *real)) return ERROR_ACCESS_DENIED;
    if (::stat(real->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
    dir = *real;
  }

  out.dir = dir;
  out.name = parts.back();
  if (last == LastPart::Pattern) return 0;
  struct stat lst {};
  if (::lstat(Join(dir, out.name).c_str(), &lst) != 0) {
    if (errno != ENOENT) return WindowsErrorFromErrno(errno);
    if (std::optional<std::string> other = FindIgnoringCase(dir, out.name)) {
      out.name = *other;
      if (::lstat(Join(dir, out.name).c_str(), &lst) != 0) return WindowsErrorFromErrno(errno);
    } else {
      out.entry = out.real = Join(dir, out.name);
      return 0;  // a new entry
    }
  }
  out.entry = Join(dir, out.name);
  out.isLink = S_ISLNK(lst.st_mode);
  if (out.isLink) {
    std::optional<std::string> real = RealInsideRoot(*root, out.entry);
    if (!real) return ERROR_ACCESS_DENIED;
    out.real = *real;
  } else {
    out.real = out.entry;
  }
  out.exists = ::stat(out.real.c_str(), &out.st) == 0;
  if (!out.exists) return WindowsErrorFromErrno(errno);
  return 0;
}

}  // namespace folder_device
