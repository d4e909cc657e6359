#include "platform/shellopen.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>
#include <filesystem>
#include <utility>

#include "platform/paths.h"
#include "platform/ui.h"

namespace platform {
namespace {
std::function<bool(const QUrl&)>& Opener() {
  static std::function<bool(const QUrl&)> opener;
  return opener;
}

#ifndef _WIN32
// xdg-open starts at once but learns only later whether a program takes the file: its exit
// status says so. It is watched without waiting, since it may also run as long as that program.
bool StartDesktopOpener(const QString& file, std::function<void()> failed) {
  auto* opener = new QProcess;
  opener->setProgram(QStringLiteral("xdg-open"));
  opener->setArguments({file});
  opener->setStandardOutputFile(QProcess::nullDevice());
  opener->setStandardErrorFile(QProcess::nullDevice());
  QObject::connect(
      opener, &QProcess::finished, opener,
      Reported([opener, failed = std::move(failed)](int code, QProcess::ExitStatus status) {
        opener->deleteLater();
        if ((code != 0 || status != QProcess::NormalExit) && failed) failed();
      }));
  opener->start();
  if (opener->waitForStarted()) return true;
  delete opener;
  return false;
}
#endif
}  // namespace

bool OpenWithAssociatedProgram(const AnsiString& path, std::function<void()> failed) {
  if (path.empty()) return false;
  return OpenWithAssociatedProgram(ToNativePath(path), std::move(failed));
}

bool OpenWithAssociatedProgram(const std::filesystem::path& native, std::function<void()> failed) {
  std::error_code ec;
  // The desktop launcher starts in the background and cannot report a missing file.
  if (native.empty() || !std::filesystem::exists(native, ec)) return false;
  const QUrl url = QUrl::fromLocalFile(QString::fromStdString(native.string()));
  if (Opener()) return Opener()(url);
#ifndef _WIN32
  return StartDesktopOpener(url.toLocalFile(), std::move(failed));
#else
  (void)failed;
  return QDesktopServices::openUrl(url);
#endif
}

void SetDocumentOpenerForTests(std::function<bool(const QUrl&)> opener) {
  Opener() = std::move(opener);
}

}  // namespace platform
