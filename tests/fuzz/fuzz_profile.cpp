// Any bytes as a settings file: reading never fails, and a key written into it reads back
// while every line that is not that key's stays as it was.
#include <unistd.h>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/profile.h"

namespace {
// In memory where the system offers it: a disk file truncated and rewritten is flushed at each
// close, which held the run to some hundred executions a second.
std::filesystem::path File() {
  static const std::filesystem::path file =
      (std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                 : std::filesystem::temp_directory_path()) /
      ("vireska-fuzz-" + std::to_string(::getpid()) + ".ini");
  static const bool removedAtExit = std::atexit([] {
                                      std::error_code ec;
                                      std::filesystem::remove(File(), ec);
                                    }) == 0;
  (void)removedAtExit;
  return file;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(File(), std::ios::binary | std::ios::trunc);
    out << text;
  }
  (void)ReadProfileString(File(), "LastCesty", "PC", "default");
  (void)ReadProfileString(File(), text.substr(0, 8), text.size() > 8 ? text.substr(8, 8) : "", "");

  const std::string value =
      "v\xE8"
      "al=ue;[x]";
  std::string written = ProfileWithValue(text, "Kdeukladatdata", "Cesta", value);
  {
    std::ofstream out(File(), std::ios::binary | std::ios::trunc);
    out << written;
  }
  if (ReadProfileString(File(), "kdeukladatdata", "CESTA", "<none>") != value) std::abort();
  // Writing the same value again changes nothing.
  if (ProfileWithValue(written, "Kdeukladatdata", "Cesta", value) != written) std::abort();
  return 0;
}
