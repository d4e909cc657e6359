#include "device/handheld.h"

#include <unistd.h>

#include <QDir>
#include <system_error>

#include "device/rapi.h"
#include "platform/codepage.h"
#include "platform/paths.h"

std::filesystem::path DefaultDeviceFolder() {
  return platform::DefaultDeviceRoot();
}

std::filesystem::path DeviceFolderFor(const AnsiString& setting) {
  return setting.empty() ? DefaultDeviceFolder() : platform::ToNativePath(setting);
}

void UseDeviceFolder(const AnsiString& setting) {
  rapi::SetDeviceRoot(DeviceFolderFor(setting).string());
}

namespace {

constexpr char kStorageCard[] = "\\Storage Card\\";

bool BeginsWithStorageCard(const AnsiString& path) {
  return FromAnsi(path).startsWith(FromAnsi(kStorageCard), Qt::CaseInsensitive);
}

}  // namespace

AnsiString DeviceFolderHint(const std::filesystem::path& folder,
                            const std::vector<AnsiString>& devicePaths) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error) || ::access(folder.c_str(), R_OK | X_OK) != 0)
    return AnsiLiteral("Priečinok neexistuje alebo sa nedá čítať: PDA bude OFF.");
  bool wanted = false;
  for (const AnsiString& path : devicePaths) wanted = wanted || BeginsWithStorageCard(path);
  if (!wanted) return {};
  const QStringList names =
      QDir(QString::fromStdString(folder.string())).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& name : names)
    if (name.compare(QStringLiteral("Storage Card"), Qt::CaseInsensitive) == 0) return {};
  return AnsiLiteral(
      "V priečinku chýba priečinok „Storage Card“, do ktorého vedú cesty v PDA: export do PDA by "
      "zlyhal.");
}
