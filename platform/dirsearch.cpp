#include "platform/dirsearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/paths.h"

namespace platform {

bool DirSearch::First(std::string_view pattern, PcFindData& data) {
  Close();
  error_ = 0;
#ifdef _WIN32
  const size_t cut = pattern.find_last_of("/\\");
#else
  const size_t cut = pattern.find_last_of('/');  // a backslash is part of a name here
#endif
  const std::string dir = cut == std::string_view::npos
                              ? std::string(".")
                              : ToNativePath(pattern.substr(0, cut + 1)).string();
  nameMask_ = AnsiToUtf8(cut == std::string_view::npos ? pattern : pattern.substr(cut + 1));
  // As on Windows, "*.*" also matches names without a dot.
  matchAll_ = nameMask_ == "*" || nameMask_ == "*.*" || nameMask_.empty();

  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    error_ = WindowsErrorFromErrno(errno == ENOENT ? ENOTDIR : errno);
    return false;
  }
  DIR* d = ::fdopendir(fd);
  if (!d) {
    error_ = WindowsErrorFromErrno(errno);
    ::close(fd);
    return false;
  }
  dir_ = d;
  fd_ = fd;
  dots_ = 2;
  if (Next(data)) return true;
  error_ = 2;  // no file matches
  Close();
  return false;
}

bool DirSearch::Next(PcFindData& data) {
  if (!dir_) return false;
  while (dots_ > 0) {
    const char* dot = dots_ == 2 ? "." : "..";
    --dots_;
    if (Matches(dot) && Fill(dot, data)) return true;
  }
  auto* d = static_cast<DIR*>(dir_);
  for (;;) {
    errno = 0;
    dirent* entry = ::readdir(d);
    if (!entry) return false;
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    if (!Matches(name)) continue;
    if (Fill(name, data)) return true;
  }
}

void DirSearch::Close() {
  if (dir_) ::closedir(static_cast<DIR*>(dir_));
  dir_ = nullptr;
  fd_ = -1;
  dots_ = 0;
}

bool DirSearch::Matches(const char* name) const {
  return matchAll_ || ::fnmatch(nameMask_.c_str(), name, FNM_PERIOD | FNM_CASEFOLD) == 0;
}

bool DirSearch::Fill(const char* name, PcFindData& data) const {
  struct stat st {};
  // A link is listed as what it points to; a dangling one as the link itself.
  if (::fstatat(fd_, name, &st, 0) != 0 && ::fstatat(fd_, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
    return false;  // vanished between readdir and stat
  data.nativeName = name;
  data.name = Utf8ToAnsi(name);
  const bool isDir = S_ISDIR(st.st_mode);
  std::uint32_t attributes = isDir ? kAttrDirectory : kAttrArchive;
  if (name[0] == '.' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
    attributes |= kAttrHidden;
  if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) attributes |= kAttrReadOnly;
  data.attributes = attributes;
  data.size = isDir ? 0 : static_cast<std::uint64_t>(st.st_size);
  data.lastWriteTime = FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  return true;
}

}  // namespace platform
