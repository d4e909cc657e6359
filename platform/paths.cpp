#include "platform/paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/profile.h"
#include "platform/ui.h"

namespace platform {
namespace {

std::vector<std::string>& DriveOverride() {
  static std::vector<std::string> roots;
  return roots;
}

std::filesystem::path& ExeDirOverride() {
  static std::filesystem::path dir;
  return dir;
}

// Empty: beside the program.
struct UserFolders {
  std::filesystem::path config, data;
};
UserFolders& ChosenFolders() {
  static UserFolders folders;
  return folders;
}

AnsiString& SettingsNotice() {
  static AnsiString text;
  return text;
}

// An administrator's settings, as the user may start from them: owned by root or by the user,
// and writable by the owner alone. Anyone else who could change them could point the login
// ([Weby]) at a site of their own and receive the password.
std::optional<std::string> TrustedPreset(const std::filesystem::path& preset) {
  int fd = ::open(preset.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<std::string> text;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    if ((st.st_uid != 0 && st.st_uid != ::geteuid()) || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
      SettingsNotice() = FormatMessage1(
          AnsiLiteral("Predvolené nastavenia %s nepoužívam: môže ich meniť iný používateľ. "
                      "Začínam so základnými nastaveniami."),
          FromNativePath(preset));
    } else {
      text.emplace();
      char chunk[1 << 14];
      for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) text.reset();
        if (n <= 0) break;
        text->append(chunk, static_cast<size_t>(n));
      }
    }
  }
  ::close(fd);
  return text;
}

// Nothing of the user's there yet: no file, or a link to where the user keeps a file not made
// yet (the preset goes there and the link stays).
bool NoSettingsYet(const std::filesystem::path& mine) {
  struct stat st {};
  return ::stat(mine.c_str(), &st) != 0 && errno == ENOENT;
}

bool StartsWithDir(const std::string& path, const std::string& prefix) {
  return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
         path[prefix.size()] == '/';
}

// /proc/mounts escapes blanks and a few other bytes as three octal digits.
std::string UnescapeMount(const std::string& s) {
  auto octal = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && octal(s[i + 1]) && octal(s[i + 2]) && octal(s[i + 3])) {
      out.push_back(
          static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

}  // namespace

std::filesystem::path ExecutableDir() {
  if (!ExeDirOverride().empty()) return ExeDirOverride();
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec);
  return exe.parent_path();
}

void SetExecutableDir(const std::filesystem::path& dir) {
  ExeDirOverride() = dir;
}

bool FolderWritable(const std::filesystem::path& dir) {
  return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

void ChooseWriteFolders(bool programFolderWritable, const std::filesystem::path& config,
                        const std::filesystem::path& data) {
  if (programFolderWritable) {
    ChosenFolders() = {};
    return;
  }
  ChosenFolders() = {config, data};
  SettingsNotice().clear();
  // The profile writer makes the file, not its folder.
  std::error_code ec;
  if (std::filesystem::create_directories(config, ec))
    std::filesystem::permissions(config, std::filesystem::perms::owner_all, ec);
  const std::filesystem::path mine = config / kSettingsFileName;
  if (!NoSettingsYet(mine)) return;
  if (std::optional<std::string> preset = TrustedPreset(ExecutableDir() / kSettingsFileName)) {
    try {
      WriteProfileFile(mine, *preset);
    } catch (const PlatformError&) {
      // The first write of the settings reports the folder that cannot be written.
    }
  }
}

void ShowSettingsNotice() {
  if (SettingsNotice().empty()) return;
  AnsiString text;
  text.swap(SettingsNotice());
  Ui().ShowMessage(text);
}

std::filesystem::path SettingsFolder() {
  const std::filesystem::path& config = ChosenFolders().config;
  return config.empty() ? ExecutableDir() : config;
}

std::filesystem::path DefaultDeviceRoot() {
  const std::filesystem::path& data = ChosenFolders().data;
  return (data.empty() ? ExecutableDir() : data) / "PDA";
}

AnsiString OneName(std::string_view name) {
  AnsiString out(name);
  for (char& c : out) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) c = '_';
  }
  return out;
}

AnsiString JoinPcPath(std::string_view dir, std::string_view name) {
  AnsiString out(dir);
  if (out.empty() || (out.back() != '/' && out.back() != '\\')) out.push_back(kPathSeparator);
  out.append(name);
  return out;
}

namespace {

std::filesystem::path Utf8ToNativePath(std::string text) {
#ifndef _WIN32
  // "x:" or "x:\..." names a drive; the rest uses either separator.
  if (text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':') {
    auto root = DriveRoot(static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))));
    std::string rest = text.substr(2);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    std::filesystem::path base = root ? *root : std::filesystem::path(text.substr(0, 2));
    return rest.empty() ? base : base / rest;
  }
#endif
  return std::filesystem::path(text);
}

}  // namespace

std::filesystem::path ToNativePath(std::string_view ansiPath) {
  return Utf8ToNativePath(AnsiToUtf8(ansiPath));
}

std::filesystem::path NativePathFromTyped(const QString& typed) {
  return Utf8ToNativePath(typed.toStdString());
}

std::filesystem::path NativePath(const QString& native) {
#ifdef _WIN32
  return std::filesystem::path(native.toStdWString());
#else
  return std::filesystem::path(native.toStdString());
#endif
}

QString NativePathText(const std::filesystem::path& path) {
#ifdef _WIN32
  return QString::fromStdWString(path.native());
#else
  return QString::fromStdString(path.native());
#endif
}

AnsiString FromNativePath(const std::filesystem::path& path) {
  return Utf8ToAnsi(path.string());
}

std::vector<Drive> ListDrives() {
  std::vector<Drive> drives{{'C', "/"}};
#ifndef _WIN32
  std::vector<std::string> roots = DriveOverride();
  if (roots.empty()) roots = RemovableMountRoots(ReadMountTable());  // test roots keep order
  roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
  char letter = 'D';
  for (const std::string& root : roots) {
    if (letter > 'Z') break;
    drives.push_back({letter++, root});
  }
#endif
  return drives;
}

std::string ReadMountTable() {
  std::ifstream mounts("/proc/self/mounts");
  std::ostringstream table;
  table << mounts.rdbuf();
  return table.str();
}

std::vector<std::string> MountPointsBelow(std::string_view mountTable,
                                          const std::vector<std::string>& roots) {
  std::vector<std::string> points;
  std::istringstream lines{std::string(mountTable)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string device, point;
    fields >> device >> point;
    point = UnescapeMount(point);
    if (std::any_of(roots.begin(), roots.end(),
                    [&](const std::string& root) { return StartsWithDir(point, root); }))
      points.push_back(point);
  }
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());
  return points;
}

std::vector<std::string> RemovableMountRoots(std::string_view mountTable) {
  return MountPointsBelow(mountTable, {"/media", "/mnt", "/run/media"});
}

void SetDriveRootsForTests(const std::vector<std::filesystem::path>& roots) {
  DriveOverride().clear();
  for (const auto& r : roots) DriveOverride().push_back(r.string());
}

std::optional<std::filesystem::path> DriveRoot(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (const Drive& d : ListDrives())
    if (d.letter == letter) return d.root;
  return std::nullopt;
}

char DriveOf(const std::filesystem::path& path) {
  std::string p = path.string();
  char best = 'C';
  size_t bestLength = 0;
  for (const Drive& d : ListDrives()) {
    std::string root = d.root.string();
    if (d.letter != 'C' && (p == root || StartsWithDir(p, root)) && root.size() > bestLength) {
      best = d.letter;
      bestLength = root.size();
    }
  }
  return best;
}

AnsiString DriveText(const Drive& drive) {
  AnsiString out;
  out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(drive.letter))));
  out.append(": [").append(FromNativePath(drive.root)).append("]");
  return out;
}

}  // namespace platform
