#pragma once
// Mounted volumes a user would call a handheld: memory cards and other removable media below
// /media, /run/media and /mnt, and phones or cameras the desktop mounted over MTP (gvfs, one
// folder per device below $XDG_RUNTIME_DIR/gvfs).
#include <QObject>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ansi.h"

// A mounted volume as the system reports it (UTF-8 texts).
struct MountedVolume {
  std::string folder;           // where it is mounted
  std::string name;             // its label; may be empty
  std::int64_t freeBytes = -1;  // unknown: negative
  bool ready = true;
};

// A volume offered as the handheld (code page 1250 texts).
struct DeviceVolume {
  AnsiString name;
  AnsiString folder;
  std::int64_t freeBytes = -1;
  bool operator==(const DeviceVolume& other) const {
    return name == other.name && folder == other.folder && freeBytes == other.freeBytes;
  }
};

// The folders below which a mounted volume is a device (the folders themselves are not).
std::vector<std::string> DeviceMountRoots();

// The ready volumes mounted below one of roots, in folder order. A volume without a label is
// named by its folder's last part ("mtp:host=Phone_X" gives "Phone_X").
std::vector<DeviceVolume> DeviceVolumes(const std::vector<MountedVolume>& mounted,
                                        const std::vector<std::string>& roots);

// "SDKARTA [/media/jano/SDKARTA] voľné 1,5 GB", as the device list shows it.
AnsiString DeviceVolumeText(const DeviceVolume& volume);

// Every mounted volume (QStorageInfo), and every device folder below the gvfs mount.
std::vector<MountedVolume> SystemVolumes();

// Keeps the device list current: looks once a second. The system source reads the volumes
// again only when the mount table changed (the kernel flags /proc/self/mountinfo for poll) or
// the gvfs folder's entries did, so an idle second costs one poll and one short folder read.
class DeviceVolumeWatcher : public QObject {
  Q_OBJECT
 public:
  using Source = std::function<std::vector<MountedVolume>()>;
  explicit DeviceVolumeWatcher(QObject* parent = nullptr);
  ~DeviceVolumeWatcher() override;

  // Looks now, then once a second.
  void Start();
  const std::vector<DeviceVolume>& Volumes() const { return volumes_; }

  // Tests give the mounted volumes instead of the system; an empty source returns to it.
  static void SetSourceForTests(Source source);

 Q_SIGNALS:
  void changed();

 private:
  void Look();
  std::vector<MountedVolume> FromSystem();
  class QTimer* timer_;
  std::vector<DeviceVolume> volumes_;
  int mountTable_ = -1;
  bool systemRead_ = false;
  QStringList gvfsNames_;
  std::vector<MountedVolume> system_;
};
