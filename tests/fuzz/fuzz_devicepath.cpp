// Any handheld path through the folder handheld's mapping, over a root that holds links leading
// inside, outside, nowhere and into themselves: whatever is accepted names an entry inside the
// root (a new entry: a plain name in a folder inside the root).
//
// Input: one flag byte (bit 0: the last part is a search pattern; bit 1: the rest is UTF-16LE,
// else one unit per byte), then the path.
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
using folder_device::WithinRoot;

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
  return WithinRoot(root, path);
}

// Where a path really leads, as far as it exists.
std::string RealOfExisting(const std::string& path) {
  char buffer[PATH_MAX];
  if (!::realpath(path.c_str(), buffer)) return {};
  return buffer;
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

  if (out.root != root || !Inside(out.dir) || RealOfExisting(out.dir) != out.dir) std::abort();
  if (out.isRoot) {
    if (out.entry != root || out.real != root) std::abort();
    return 0;
  }
  if (out.name.empty() || out.name == "." || out.name == ".." ||
      out.name.find('/') != std::string::npos)
    std::abort();
  if (last == folder_device::LastPart::Pattern) return 0;
  if (!Inside(out.entry) || !Inside(out.real)) std::abort();
  // What an open, a delete or a removal acts on stays inside, links followed.
  const std::string real = RealOfExisting(out.real);
  if (out.exists ? !Inside(real) : !real.empty()) std::abort();
  return 0;
}
