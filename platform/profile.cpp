#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/textlines.h"

namespace {

struct Line {
  std::string_view body;  // without its line end
  std::string_view end;   // "\r\n", "\n" or "" for an unterminated last line
};

// A line ends at LF, CR LF or a lone CR: a value can never run on into what another reader
// (Windows among them) would take for the next line.
std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  for (size_t pos = 0; pos < text.size();) {
    const platform::LineEnd line = platform::FindLineEnd(text, pos);
    lines.push_back(
        {text.substr(pos, line.end - pos), text.substr(line.end, line.next - line.end)});
    pos = line.next;
  }
  return lines;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// The section a line opens, if it is a "[name]" line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return line.substr(1, close - 1);
}

struct KeyValue {
  std::string_view key, value;
};

std::optional<KeyValue> SplitKey(std::string_view line) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyValue{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

// Index range [first, last) of the body lines of the first section of that name.
std::optional<std::pair<size_t, size_t>> FindSection(const std::vector<Line>& lines,
                                                     std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    auto name = SectionName(lines[i].body);
    if (!name || !SameName(*name, section)) continue;
    size_t j = i + 1;
    while (j < lines.size() && !SectionName(lines[j].body)) ++j;
    return std::make_pair(i + 1, j);
  }
  return std::nullopt;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

// A line break or NUL would let a value (a folder name, a typed text) add lines, sections or keys
// of its own to the file. The text goes in with each of them as "?", as for a character the code
// page cannot hold: refusing it instead would leave a window that cannot close (its folders are
// written at close) and a login that is never remembered.
AnsiString OneLine(std::string_view text) {
  AnsiString out(text);
  for (char& c : out)
    if (c == '\r' || c == '\n' || c == '\0') c = '?';
  return out;
}

AnsiString FullName(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(file, ec);
  return Utf8ToAnsi((ec ? file : full).string());
}

[[noreturn]] void WriteFailed(const std::filesystem::path& file) {
  throw PlatformError(FormatMessage1("Unable to write to %s", FullName(file)));
}

AnsiString ReasonText(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return AnsiLiteral("prístup zamietnutý");
    case EIO:
      return AnsiLiteral("chyba pri čítaní z disku");
    case ELOOP:
      return AnsiLiteral("odkazy na súbor tvoria slučku");
    case EISDIR:
      return AnsiLiteral("je to priečinok");
    default:
      // strerror may share its buffer between threads; the handheld's thread asks too.
      return Utf8ToAnsi(std::generic_category().message(error));
  }
}

// The text a write starts from: empty for a file not made yet. A file that is there but cannot
// be read is not rewritten: the one new value alone would take the place of every other setting.
std::string TextToRewrite(const std::filesystem::path& file, const std::filesystem::path& target) {
  auto unreadable = [&](int error) {
    throw PlatformError(
        FormatMessage1(AnsiLiteral("Súbor nastavení %s sa nedá prečítať ("), FullName(file)) +
        ReasonText(error) + AnsiLiteral("), preto doň nezapisujem."));
  };
  int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return {};
    unreadable(errno);
  }
  std::string text;
  char chunk[1 << 14];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      unreadable(error);
    }
    if (n == 0) break;
    text.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

}  // namespace

AnsiString ReadProfileString(const std::filesystem::path& file, std::string_view section,
                             std::string_view key, std::string_view defaultValue) {
  auto text = ReadWholeFile(file);
  if (!text) return AnsiString(defaultValue);
  std::vector<Line> lines = SplitLines(*text);
  auto range = FindSection(lines, section);
  if (!range) return AnsiString(defaultValue);
  for (size_t i = range->first; i < range->second; ++i) {
    auto kv = SplitKey(lines[i].body);
    if (kv && SameName(kv->key, key)) return AnsiString(kv->value);
  }
  return AnsiString(defaultValue);
}

AnsiString ProfileWithValue(std::string_view text, std::string_view rawSection,
                            std::string_view rawKey, std::string_view rawValue) {
  const AnsiString section = OneLine(rawSection), key = OneLine(rawKey);
  std::vector<Line> lines = SplitLines(text);
  AnsiString entry;
  entry.append(key).append("=").append(OneLine(rawValue));
  auto emit = [](AnsiString& out, const Line& line) { out.append(line.body).append(line.end); };

  AnsiString out;
  out.reserve(text.size() + entry.size() + section.size() + 8);
  auto range = FindSection(lines, section);
  if (!range) {
    out.assign(text);
    if (!out.empty() && out.back() != '\n') out.append("\r\n");
    out.append("[").append(section).append("]\r\n").append(entry).append("\r\n");
    return out;
  }
  // Replace the key where it stands, or add it after the section's last non-blank line.
  bool found = false;
  size_t replaceAt = 0, insertAfter = range->first - 1;
  for (size_t i = range->first; i < range->second; ++i) {
    if (!Trim(lines[i].body).empty()) insertAfter = i;
    auto kv = SplitKey(lines[i].body);
    if (kv && SameName(kv->key, key)) {
      replaceAt = i;
      found = true;
      break;
    }
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    if (found && i == replaceAt) {
      out.append(entry).append(lines[i].end.empty() ? std::string_view("\r\n") : lines[i].end);
      continue;
    }
    emit(out, lines[i]);
    if (!found && i == insertAfter) {
      if (lines[i].end.empty()) out.append("\r\n");
      out.append(entry).append("\r\n");
    }
  }
  return out;
}

namespace {

// The file a write replaces: a symbolic link is followed to its target, so a settings file kept
// elsewhere and linked beside the program stays where its user keeps it, and the link stays.
std::filesystem::path WriteTarget(const std::filesystem::path& file) {
  std::filesystem::path target = file;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec))) return target;
    std::filesystem::path link = std::filesystem::read_symlink(target, ec);
    if (ec) return target;
    target = link.is_absolute() ? link : target.parent_path() / link;
  }
  return target;  // a loop: the read and the write refuse it
}

// A temporary file of our own beside the target: created here and now, never an existing file
// or a link someone planted at its name.
int CreateTemp(const std::filesystem::path& target, std::filesystem::path& temp) {
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x~", static_cast<unsigned>(random()));
    temp = target;
    temp += suffix;
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// A file marked read-only is refused, as Windows does, even for a privileged user.
void RequireWritable(const std::filesystem::path& file, const std::filesystem::path& target) {
  struct stat st {};
  bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && ((st.st_mode & S_IWUSR) == 0 || !S_ISREG(st.st_mode))) WriteFailed(file);
}

// Written beside the file and renamed over it, so a failed write never loses the settings.
// The file holds the password: it is readable by its owner only after every write, whatever
// mode an older copy had.
void Replace(const std::filesystem::path& file, const std::filesystem::path& target,
             std::string_view content) {
  // Still a link after WriteTarget: links in a loop, which no rename may break.
  struct stat own {};
  if (::lstat(target.c_str(), &own) == 0 && S_ISLNK(own.st_mode)) WriteFailed(file);
  std::filesystem::path temp;
  int fd = CreateTemp(target, temp);
  if (fd < 0) WriteFailed(file);
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      ::unlink(temp.c_str());
      WriteFailed(file);
    }
    done += static_cast<size_t>(n);
  }
  if (::fchmod(fd, 0600) != 0 || ::close(fd) != 0 || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    WriteFailed(file);
  }
}

}  // namespace

void WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value) {
  const std::filesystem::path target = WriteTarget(file);
  RequireWritable(file, target);
  Replace(file, target, ProfileWithValue(TextToRewrite(file, target), section, key, value));
}

void WriteProfileFile(const std::filesystem::path& file, std::string_view text) {
  const std::filesystem::path target = WriteTarget(file);
  RequireWritable(file, target);
  Replace(file, target, text);
}
