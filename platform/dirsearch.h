#pragma once
// PC directory search in the manner of FindFirstFile/FindNextFile/FindClose: "." and ".." come
// first, then the entries in the order the file system returns them. Names are code page 1250.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ansi.h"

namespace platform {

inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;

struct PcFindData {
  AnsiString name;
  std::string nativeName;  // as the file system has it, whole (UTF-8 on Linux)
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;          // 0 for a directory
  std::int64_t lastWriteTime = 0;  // 100-ns ticks since 1601-01-01 00:00 UTC
};

class DirSearch {
 public:
  DirSearch() = default;
  DirSearch(const DirSearch&) = delete;
  DirSearch& operator=(const DirSearch&) = delete;
  ~DirSearch() { Close(); }

  // Pattern: a directory, the native separator and a name pattern ("*", "*.*" or a wildcard
  // with "*" and "?", matched without regard to case). False when the directory cannot be read
  // (Error() tells why) or nothing matches; otherwise data holds the first entry.
  bool First(std::string_view pattern, PcFindData& data);
  // The next entry; false when there is none.
  bool Next(PcFindData& data);
  void Close();
  // Windows error number of the last failed First (2, 3, 5, ...), 0 when none failed.
  unsigned Error() const { return error_; }

 private:
  bool Fill(const char* name, PcFindData& data) const;
  bool Matches(const char* name) const;

  void* dir_ = nullptr;  // DIR*
  int fd_ = -1;          // of dir_, for fstatat
  int dots_ = 0;         // "." and ".." still to give
  std::string nameMask_;
  bool matchAll_ = true;
  unsigned error_ = 0;
};

// 100-ns ticks since 1601-01-01 UTC for a time in seconds and nanoseconds since 1970. Inline, so
// the bundled handheld library (no Qt, no ICU) stamps its records with it too.
inline std::int64_t FileTimeFromUnix(std::int64_t seconds, long nanoseconds) {
  constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
  return (seconds + kSecondsFrom1601To1970) * 10000000 + nanoseconds / 100;
}

}  // namespace platform
