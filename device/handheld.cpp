#include "device/handheld.h"

#include <unistd.h>

#include <QDir>
#include <QUrl>
#include <optional>
#include <system_error>

#include "device/rapi.h"
#include "platform/codepage.h"
#include "platform/paths.h"

std::filesystem::path DefaultDeviceFolder() {
  return platform::DefaultDeviceRoot();
}

namespace {

constexpr char kFileUrl[] = "file://";

// The local folder a file:// URL names; nullopt for any other text.
std::optional<QString> UrlFolder(const QString& text) {
  if (!text.startsWith(QLatin1String(kFileUrl))) return std::nullopt;
  const QUrl url(text, QUrl::StrictMode);
  if (!url.isValid() || !url.isLocalFile()) return std::nullopt;
  return url.toLocalFile();
}

}  // namespace

std::filesystem::path DeviceFolderFor(const QString& setting) {
  if (setting.isEmpty()) return DefaultDeviceFolder();
  if (std::optional<QString> folder = UrlFolder(setting)) return platform::NativePath(*folder);
  return platform::NativePathFromTyped(setting);
}

void UseDeviceFolder(const QString& setting) {
  rapi::SetDeviceRoot(DeviceFolderFor(setting));
}

AnsiString DeviceFolderToSetting(const QString& setting) {
  AnsiString ansi = ToAnsi(setting);
  if (FromAnsi(ansi) == setting) return ansi;
  // A relative folder has no URL of its own; it is the one the program would serve now.
  std::error_code error;
  std::filesystem::path folder = std::filesystem::absolute(DeviceFolderFor(setting), error);
  if (error) folder = DeviceFolderFor(setting);
  return ToAnsi(QUrl::fromLocalFile(platform::NativePathText(folder)).toString(QUrl::FullyEncoded));
}

QString DeviceFolderFromSetting(const AnsiString& stored) {
  const QString text = FromAnsi(stored);
  return UrlFolder(text).value_or(text);
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
