#include "app/application.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/error.h"
#include "platform/leakcheck.h"
#include "platform/paths.h"
#include "platform/qtui.h"
#include "platform/ui.h"

namespace {

// The names the user's folders are made of (QStandardPaths), known before the application
// object exists.
void NameApplication() {
  QCoreApplication::setApplicationName(QStringLiteral("Vireska"));
  QCoreApplication::setOrganizationName(QStringLiteral("Vireska"));
}

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  NameApplication();
  setApplicationDisplayName(QStringLiteral("Vireska"));
  platform::UseSlovakTranslation();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  platform::EngineWork unchecked(receiver);
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    FailureReachedDispatch(error);
  } catch (...) {
    FailureReachedDispatch(std::runtime_error("Unknown failure"));
  }
  return false;
}

void TApplication::FailureReachedDispatch(const std::exception& error) {
  platform::ReportError(error);
}

void PrepareEnvironment() {
#ifndef _WIN32
  // NOLINTBEGIN(concurrency-mt-unsafe): runs before the program starts its first thread
  // The engine refuses to run as root with its sandbox on.
  if (::geteuid() == 0 && !std::getenv("QTWEBENGINE_DISABLE_SANDBOX"))
    ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
  if (!std::getenv("QTWEBENGINE_CHROMIUM_FLAGS"))
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-dev-shm-usage", 1);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st {};
  if (!runtime || ::stat(runtime, &st) != 0) {
    std::string dir = "/tmp/vireska-runtime-" + std::to_string(::geteuid());
    ::mkdir(dir.c_str(), 0700);
    ::chmod(dir.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  }
  // NOLINTEND(concurrency-mt-unsafe)
#endif
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

void ChooseWriteFolders() {
  NameApplication();
  const std::filesystem::path program = platform::ExecutableDir();
  platform::ChooseWriteFolders(
      platform::FolderWritable(program),
      platform::NativePath(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)),
      platform::NativePath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
}
