// Any handheld path through the folder handheld's mapping, over a root that holds links leading
// inside, outside, nowhere and into themselves: whatever is accepted names an entry inside the
// root (a new entry: a plain name in a folder inside the root).
//
// Input: one flag byte (bit 0: the last part is a search pattern; bit 1: the rest is UTF-16LE,
// else one unit per byte), then the path.
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "device/folder/folder_device.h"
#include "device/folder/resolve.h"

namespace {

namespace fs = std::filesystem;

std::string root;
fs::path base;  // holds the root and the folder outside it; removed at exit

void Touch(const fs::path& path) {
  std::ofstream(path) << "x";
}

// ROOT/Storage Card/MHT/x.mht, ROOT/Storage Card/Čítaj.txt and links beside; ../outside/secret.
void MakeRoot() {
  char pattern[] = "/tmp/vireska-fuzz-devicepath-XXXXXX";
  if (!::mkdtemp(pattern)) std::abort();
  base = pattern;
  std::atexit([] {
    std::error_code ec;
    fs::remove_all(base, ec);
  });
  const fs::path top = base / "PDA";
  fs::create_directories(top / "Storage Card" / "MHT");
  fs::create_directories(base / "outside");
  Touch(top / "Storage Card" / "MHT" / "x.mht");
  Touch(top / "Storage Card" / "\xC4\x8C\xC3\xADtaj.txt");
  Touch(base / "outside" / "secret");
  fs::create_directory_symlink("Storage Card", top / "inside");
  fs::create_directory_symlink("../outside", top / "out");
  fs::create_symlink("../outside/secret", top / "outfile");
  fs::create_directory_symlink("..", top / "up");
  fs::create_directory_symlink("/", top / "slash");
  fs::create_directory_symlink(".", top / "self");
  fs::create_symlink("nowhere", top / "dangling");
  fs::create_symlink("loop", top / "loop");
  fs::create_symlink("../../outside", top / "Storage Card" / "back");
  ::setenv(folder_device::kRootVariable, top.c_str(), 1);
  root = fs::canonical(top).string();
}

bool Inside(const std::string& path) {
  return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                          path[root.size()] == '/');
}

// Where a descriptor leads.
std::string RealOfDescriptor(int fd) {
  char buffer[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  MakeRoot();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const auto last = data[0] & 1 ? folder_device::LastPart::Pattern : folder_device::LastPart::Name;
  std::u16string path;
  if (data[0] & 2) {
    for (std::size_t i = 1; i + 1 < size; i += 2)
      path.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  } else {
    for (std::size_t i = 1; i < size; ++i) path.push_back(data[i]);
  }

  folder_device::Target out;
  if (folder_device::Resolve(path.c_str(), last, out) != 0) return 0;

  const std::string dir = RealOfDescriptor(out.dir.get());
  if (RealOfDescriptor(out.root.get()) != root || !Inside(dir)) std::abort();
  if (out.isRoot) {
    if (dir != root) std::abort();
    return 0;
  }
  if (out.name.empty() || out.name == "." || out.name == ".." ||
      out.name.find('/') != std::string::npos)
    std::abort();
  if (last == folder_device::LastPart::Pattern || !out.exists) return 0;
  // What an open acts on stays inside, links followed.
  folder_device::Fd led(folder_device::OpenBeneath(out.root.get(), out.EntryRel(), O_PATH));
  if (led.IsOpen() && !Inside(RealOfDescriptor(led.get()))) std::abort();
  return 0;
}
