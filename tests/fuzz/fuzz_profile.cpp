// Any bytes as a settings file and any value: reading never fails, and the value written into it
// reads back in its key while every other key reads as before.
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

namespace {
// A value as it reads back: line breaks and NUL stand as "?", blanks at its ends are gone.
std::string AsRead(std::string value) {
  for (char& c : value)
    if (c == '\r' || c == '\n' || c == '\0') c = '?';
  const std::size_t first = value.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return value.substr(first, value.find_last_not_of(" \t") - first + 1);
}

void Write(const std::string& text) {
  std::ofstream out(File(), std::ios::binary | std::ios::trunc);
  out << text;
}
}  // namespace

// The input: a settings file, then after the first NUL a value to write into it. The value
// (a folder name, a password) is written, and then reads back as itself in its one key, while
// the other keys read as before: no value adds a line, a section or a key.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string text = input.substr(0, split);
  const std::string value = split == std::string::npos ? "v\xE8"
                                                         "al=ue;[x]"
                                                       : input.substr(split + 1);
  Write(text);
  (void)ReadProfileString(File(), text.substr(0, 8), text.size() > 8 ? text.substr(8, 8) : "", "");
  const std::string siteBefore = ReadProfileString(File(), "Weby", "sk", "<none>");
  const std::string userBefore = ReadProfileString(File(), "Prihlasovanie", "username", "<none>");

  const std::string written = ProfileWithValue(text, "LastCesty", "PC", value);
  Write(written);
  if (ReadProfileString(File(), "lastcesty", "pc", "<none>") != AsRead(value)) std::abort();
  if (ReadProfileString(File(), "Weby", "sk", "<none>") != siteBefore) std::abort();
  if (ReadProfileString(File(), "Prihlasovanie", "username", "<none>") != userBefore) std::abort();
  // Writing the same value again changes nothing.
  if (ProfileWithValue(written, "LastCesty", "PC", value) != written) std::abort();
  return 0;
}
