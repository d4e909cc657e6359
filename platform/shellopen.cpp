#include "platform/shellopen.h"

#include <QDesktopServices>
#include <QUrl>
#include <filesystem>

#include "platform/paths.h"

namespace platform {
namespace {
std::function<bool(const QUrl&)>& Opener() {
  static std::function<bool(const QUrl&)> opener;
  return opener;
}
}  // namespace

bool OpenWithAssociatedProgram(const AnsiString& path) {
  const std::filesystem::path native = ToNativePath(path);
  std::error_code ec;
  // The desktop launcher starts in the background and cannot report a missing file.
  if (path.empty() || !std::filesystem::exists(native, ec)) return false;
  const QUrl url = QUrl::fromLocalFile(QString::fromStdString(native.string()));
  if (Opener()) return Opener()(url);
  return QDesktopServices::openUrl(url);
}

void SetDocumentOpenerForTests(std::function<bool(const QUrl&)> opener) {
  Opener() = std::move(opener);
}

}  // namespace platform
