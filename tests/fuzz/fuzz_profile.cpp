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
std::filesystem::path File() {
  static const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                            ("vireska-fuzz-" + std::to_string(::getpid()) + ".ini");
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
