// Any mount table: the drive roots taken from it lie below /media, /mnt or /run/media, in order,
// each once. Any drive path ("x:\..." or native): it becomes a native path without fault, and a
// path on a drive lies below that drive's root.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/paths.h"

namespace {
bool Below(const std::string& path, std::string_view dir) {
  return path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 &&
         path[dir.size()] == '/';
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> roots = platform::RemovableMountRoots(text);
  for (std::size_t i = 0; i < roots.size(); ++i) {
    if (!Below(roots[i], "/media") && !Below(roots[i], "/mnt") && !Below(roots[i], "/run/media"))
      std::abort();
    if (i > 0 && !(roots[i - 1] < roots[i])) std::abort();
  }

  static const bool bound = [] {
    platform::SetDriveRootsForTests({"/media/sd", "/mnt/gps card"});
    return true;
  }();
  (void)bound;
  const std::string native = platform::ToNativePath(text).string();
  if (size >= 2 && text[1] == ':' && (text[0] == 'd' || text[0] == 'D') && native != "/media/sd" &&
      !Below(native, "/media/sd"))
    std::abort();
  (void)platform::DriveOf(native);
  return 0;
}
