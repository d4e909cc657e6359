#include "device/volumes.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QDir>
#include <QStorageInfo>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/codepage.h"
#include "platform/ui.h"

namespace {

DeviceVolumeWatcher::Source& TestSource() {
  static DeviceVolumeWatcher::Source source;
  return source;
}

QString GvfsFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime && *runtime
             ? QDir(QString::fromLocal8Bit(runtime)).filePath(QStringLiteral("gvfs"))
             : QString();
}

bool Below(const std::string& path, const std::string& root) {
  std::string prefix = root;
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

// "mtp:host=Phone_X" -> "Phone_X"; other folder names as they are.
std::string NameFromFolder(const std::string& folder) {
  std::string last = folder.substr(folder.find_last_of('/') + 1);
  const std::size_t host = last.find("host=");
  if (host != std::string::npos) last = last.substr(host + 5);
  return QUrl::fromPercentEncoding(QByteArray::fromStdString(last)).toStdString();
}

}  // namespace

std::vector<std::string> DeviceMountRoots() {
  std::vector<std::string> roots{"/media", "/run/media", "/mnt"};
  const QString gvfs = GvfsFolder();
  if (!gvfs.isEmpty()) roots.push_back(gvfs.toStdString());
  return roots;
}

std::vector<DeviceVolume> DeviceVolumes(const std::vector<MountedVolume>& mounted,
                                        const std::vector<std::string>& roots) {
  std::vector<DeviceVolume> out;
  for (const MountedVolume& volume : mounted) {
    if (!volume.ready) continue;
    if (std::none_of(roots.begin(), roots.end(),
                     [&](const std::string& root) { return Below(volume.folder, root); }))
      continue;
    const std::string name = volume.name.empty() ? NameFromFolder(volume.folder) : volume.name;
    out.push_back({Utf8ToAnsi(name), Utf8ToAnsi(volume.folder), volume.freeBytes});
  }
  std::sort(out.begin(), out.end(),
            [](const DeviceVolume& a, const DeviceVolume& b) { return a.folder < b.folder; });
  out.erase(std::unique(
                out.begin(), out.end(),
                [](const DeviceVolume& a, const DeviceVolume& b) { return a.folder == b.folder; }),
            out.end());
  return out;
}

AnsiString DeviceVolumeText(const DeviceVolume& volume) {
  AnsiString text = volume.name + " [" + volume.folder + "]";
  if (volume.freeBytes < 0) return text;
  static const char* const units[] = {"B", "kB", "MB", "GB", "TB"};
  double size = static_cast<double>(volume.freeBytes);
  int unit = 0;
  while (size >= 1024 && unit < 4) {
    size /= 1024;
    ++unit;
  }
  char number[32];
  if (unit == 0)
    std::snprintf(number, sizeof number, "%lld", static_cast<long long>(volume.freeBytes));
  else
    std::snprintf(number, sizeof number, "%.1f", size);
  AnsiString shown = number;
  std::replace(shown.begin(), shown.end(), '.', ',');  // the Slovak decimal comma
  return text + " vo\xBEn\xE9 " + shown + " " + units[unit];
}

std::vector<MountedVolume> SystemVolumes() {
  std::vector<MountedVolume> out;
  for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
    if (!info.isValid()) continue;
    out.push_back({info.rootPath().toStdString(), info.name().toStdString(), info.bytesAvailable(),
                   info.isReady()});
  }
  const QString gvfs = GvfsFolder();
  if (gvfs.isEmpty()) return out;
  const QDir dir(gvfs);
  for (const QString& entry : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    const QStorageInfo info(dir.filePath(entry));
    out.push_back(
        {dir.filePath(entry).toStdString(), {}, info.isValid() ? info.bytesAvailable() : -1, true});
  }
  return out;
}

DeviceVolumeWatcher::DeviceVolumeWatcher(QObject* parent)
    : QObject(parent), timer_(new QTimer(this)) {
  timer_->setInterval(1000);
  connect(timer_, &QTimer::timeout, this, platform::Reported([this] { Look(); }));
}

DeviceVolumeWatcher::~DeviceVolumeWatcher() {
  if (mountTable_ >= 0) ::close(mountTable_);
}

void DeviceVolumeWatcher::Start() {
  Look();
  timer_->start();
}

void DeviceVolumeWatcher::SetSourceForTests(Source source) {
  TestSource() = std::move(source);
}

std::vector<MountedVolume> DeviceVolumeWatcher::FromSystem() {
  bool stale = !systemRead_;
  if (mountTable_ < 0) mountTable_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  if (mountTable_ < 0) {
    stale = true;
  } else {
    pollfd p{mountTable_, POLLPRI, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLPRI | POLLERR))) stale = true;
  }
  const QString gvfs = GvfsFolder();
  const QStringList gvfsNames =
      gvfs.isEmpty() ? QStringList() : QDir(gvfs).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  if (gvfsNames != gvfsNames_) stale = true;
  if (stale) {
    system_ = SystemVolumes();
    gvfsNames_ = gvfsNames;
    systemRead_ = true;
  }
  return system_;
}

void DeviceVolumeWatcher::Look() {
  std::vector<DeviceVolume> now =
      DeviceVolumes(TestSource() ? TestSource()() : FromSystem(), DeviceMountRoots());
  if (now == volumes_) return;
  volumes_ = std::move(now);
  Q_EMIT changed();
}
