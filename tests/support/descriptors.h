// What the process has open, to compare before and after a command.
#pragma once

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace testsupport {

enum class Descriptors {
  // Every kind: files, folders, event descriptors, pipes, sockets. Only where no browser engine
  // runs, whose threads open descriptors of their own at any time.
  All,
  // Files and folders only.
  FilesAndFolders,
};

// "N -> target" for each open descriptor, sorted; the listing's own descriptor left out.
inline std::vector<std::string> OpenDescriptors(Descriptors kinds) {
  namespace fs = std::filesystem;
  std::vector<std::string> out;
  fs::directory_iterator listing("/proc/self/fd");
  for (const auto& entry : listing) {
    std::error_code ec;
    const std::string target = fs::read_symlink(entry.path(), ec).string();
    if (target.empty() || target.rfind("/proc/", 0) == 0) continue;
    if (kinds == Descriptors::FilesAndFolders &&
        (target[0] != '/' || target.rfind("/dev/", 0) == 0))
      continue;
    out.push_back(entry.path().filename().string() + " -> " + target);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// What is in the first listing and not in the second.
inline std::vector<std::string> Without(const std::vector<std::string>& all,
                                        const std::vector<std::string>& some) {
  std::vector<std::string> out;
  std::set_difference(all.begin(), all.end(), some.begin(), some.end(), std::back_inserter(out));
  return out;
}

}  // namespace testsupport
