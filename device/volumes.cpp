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

#include "device/gpsunit.h"
#include "platform/codepage.h"
#include "platform/paths.h"
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

// Where removable media are mounted; the gvfs folder holds devices as folders, not mounts.
std::vector<std::string> MountRoots() {
  return {"/media", "/run/media", "/mnt"};
}

std::vector<std::string> GvfsDeviceFolders(const QString& gvfs) {
  std::vector<std::string> folders;
  if (gvfs.isEmpty()) return folders;
  const QDir dir(gvfs);
  for (const QString& entry : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    folders.push_back(dir.filePath(entry).toStdString());
  return folders;
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
  std::vector<std::string> roots = MountRoots();
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
    out.push_back({name, volume.folder, volume.answering ? volume.freeBytes : -1, volume.answering,
                   volume.model});
  }
  std::sort(out.begin(), out.end(),
            [](const DeviceVolume& a, const DeviceVolume& b) { return a.folder < b.folder; });
  out.erase(std::unique(
                out.begin(), out.end(),
                [](const DeviceVolume& a, const DeviceVolume& b) { return a.folder == b.folder; }),
            out.end());
  return out;
}

QString DeviceVolumeText(const DeviceVolume& volume) {
  QString text = QString::fromStdString(volume.name + " [" + volume.folder + "]");
  if (!volume.model.empty()) text += QStringLiteral(" GPS ") + QString::fromStdString(volume.model);
  if (!volume.answering) return text + QStringLiteral(" neodpovedá");
  if (volume.freeBytes < 0) return text;
  static const char* const units[] = {"B", "kB", "MB", "GB", "TB"};
  auto size = static_cast<double>(volume.freeBytes);
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
  std::string shown = number;
  std::replace(shown.begin(), shown.end(), '.', ',');  // the Slovak decimal comma
  return text + QStringLiteral(" voľné ") + QString::fromStdString(shown + " " + units[unit]);
}

MountedVolume LookAtVolume(const std::string& folder) {
  const QStorageInfo info(QString::fromStdString(folder));
  const bool ready = info.isValid() && info.isReady();
  MountedVolume volume{folder, ready ? info.name().toStdString() : std::string(),
                       ready ? info.bytesAvailable() : -1, ready};
  if (ready)
    if (const std::optional<GpsUnit> unit = FindGpsUnit(folder))
      volume.model = unit->description.model.empty() ? "?" : unit->description.model;
  return volume;
}

std::vector<MountedVolume> SystemVolumes(const std::vector<std::string>& roots) {
  std::vector<std::string> folders = platform::MountPointsBelow(platform::ReadMountTable(), roots);
  const std::vector<std::string> gvfs = GvfsDeviceFolders(GvfsFolder());
  folders.insert(folders.end(), gvfs.begin(), gvfs.end());
  std::vector<MountedVolume> out;
  out.reserve(folders.size());
  for (const std::string& folder : folders) out.push_back(LookAtVolume(folder));
  return out;
}

DeviceVolumeWatcher::DeviceVolumeWatcher(QObject* parent)
    : QObject(parent), timer_(new QTimer(this)) {
  timer_->setInterval(1000);
  connect(timer_, &QTimer::timeout, this, platform::Reported([this] { LookNow(); }));
}

DeviceVolumeWatcher::~DeviceVolumeWatcher() {
  if (mountTable_ >= 0) ::close(mountTable_);
}

void DeviceVolumeWatcher::Start() {
  LookNow();
  timer_->start();
}

void DeviceVolumeWatcher::SetSourceForTests(Source source) {
  TestSource() = std::move(source);
}

bool DeviceVolumeWatcher::MountTableChanged() {
  if (mountTable_ < 0) {
    mountTable_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    return true;  // the first look, or no flag to go by
  }
  pollfd p{mountTable_, POLLPRI, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLPRI | POLLERR));
}

void DeviceVolumeWatcher::LookNow() {
  if (TestSource()) {
    Show(DeviceVolumes(TestSource()(), DeviceMountRoots()));
    return;
  }
  if (MountTableChanged()) {
    mounts_ = platform::MountPointsBelow(platform::ReadMountTable(), MountRoots());
    ForgetGone();
    for (const std::string& folder : mounts_) LookAt(folder);  // free space may have changed
  }
  const QString gvfs = GvfsFolder();
  if (!gvfs.isEmpty() && !gvfsListing_) {
    gvfsListing_ = true;
    workers_.Run([this, gvfs]() -> std::function<void()> {
      QStringList names;
      for (const std::string& folder : GvfsDeviceFolders(gvfs))
        names.push_back(QString::fromStdString(folder));
      return [this, names] { GvfsListed(names); };
    });
  }
  ShowLooks();
}

void DeviceVolumeWatcher::GvfsListed(const QStringList& names) {
  gvfsListing_ = false;
  std::vector<std::string> folders;
  for (const QString& name : names) folders.push_back(name.toStdString());
  if (folders == gvfsFolders_) return;
  gvfsFolders_ = std::move(folders);
  ForgetGone();
  for (const std::string& folder : gvfsFolders_) LookAt(folder);
  ShowLooks();
}

void DeviceVolumeWatcher::ForgetGone() {
  const auto listed = [](const std::vector<std::string>& folders, const std::string& folder) {
    return std::find(folders.begin(), folders.end(), folder) != folders.end();
  };
  for (auto it = looks_.begin(); it != looks_.end();)
    it = listed(mounts_, it->first) || listed(gvfsFolders_, it->first) ? std::next(it)
                                                                       : looks_.erase(it);
}

void DeviceVolumeWatcher::LookAt(const std::string& folder) {
  Look& look = looks_[folder];
  if (look.waiting) return;  // the look under way answers for this one too
  look.waiting = true;
  const unsigned serial = look.serial = ++serial_;
  workers_.Run([this, folder, serial]() -> std::function<void()> {
    const MountedVolume volume = LookAtVolume(folder);
    return [this, folder, serial, volume] { Answered(folder, serial, volume); };
  });
  QTimer::singleShot(kPatienceMs, this, platform::Reported([this, folder, serial] {
                       const auto it = looks_.find(folder);
                       if (it == looks_.end() || !it->second.waiting || it->second.serial != serial)
                         return;
                       it->second.late = true;
                       ShowLooks();
                     }));
}

void DeviceVolumeWatcher::Answered(const std::string& folder, unsigned serial,
                                   const MountedVolume& volume) {
  const auto it = looks_.find(folder);
  if (it == looks_.end() || it->second.serial != serial) return;  // gone, or mounted anew
  it->second = {volume, true, false, false, serial};
  ShowLooks();
}

void DeviceVolumeWatcher::ShowLooks() {
  if (TestSource()) return;
  std::vector<MountedVolume> known;
  for (const auto& [folder, look] : looks_) {
    if (look.late)
      known.push_back({folder, look.last.name, -1, true, false});
    else if (look.answered)
      known.push_back(look.last);
  }
  Show(DeviceVolumes(known, DeviceMountRoots()));
}

void DeviceVolumeWatcher::Show(std::vector<DeviceVolume> now) {
  if (now == volumes_) return;
  volumes_ = std::move(now);
  Q_EMIT changed();
}
