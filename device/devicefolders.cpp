#include "device/devicefolders.h"

#include <algorithm>
#include <string>

#include "device/link.h"
#include "device/rapi.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"

namespace {

const AnsiString kNotMade = AnsiLiteral("Priečinok %s sa v PDA nepodarilo vytvoriť: ");

// "\a\b\" as "\a\b"; the root as "".
AnsiString WithoutSlash(AnsiString folder) {
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

bool IsDeviceFolder(const AnsiString& folder) {
  const AnsiString path = WithoutSlash(folder);
  if (path.empty()) return true;  // the root is always there
  if (path.find_first_of("*?") != AnsiString::npos) return false;
  CE_FIND_DATA found{};
  const HANDLE search = CeFindFirstFile(DeviceWidePath(path).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE || search == kRapiUnavailableHandle) return false;
  CeFindClose(search);
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::vector<AnsiString> MissingDeviceFolders(const std::vector<AnsiString>& folders) {
  std::vector<AnsiString> missing;
  for (const AnsiString& folder : folders) {
    if (folder.empty() || std::find(missing.begin(), missing.end(), folder) != missing.end())
      continue;
    if (!IsDeviceFolder(folder)) missing.push_back(folder);
  }
  return missing;
}

AnsiString MakeDeviceFolders(const std::vector<AnsiString>& folders) {
  for (const AnsiString& folder : folders) {
    const AnsiString path = WithoutSlash(folder);
    // Each folder on the way down, the top one first.
    for (size_t at = path.find('\\', 1);; at = path.find('\\', at + 1)) {
      const AnsiString step = path.substr(0, at);
      if (!step.empty() && !IsDeviceFolder(step) &&
          !CeCreateDirectory(DeviceWidePath(step).c_str(), nullptr))
        return FormatMessage1(kNotMade, step) + platform::ErrorReason(CeGetLastError()) + ".";
      if (at == AnsiString::npos) break;
    }
  }
  return {};
}
