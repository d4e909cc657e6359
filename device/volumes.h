#pragma once
// Mounted volumes a user would call a handheld: memory cards and other removable media below
// /media, /run/media and /mnt, and phones or cameras the desktop mounted over MTP (gvfs, one
// folder per device below $XDG_RUNTIME_DIR/gvfs).
#include <QObject>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ansi.h"
#include "platform/offthread.h"

// A mounted volume as the system reports it (UTF-8 texts).
struct MountedVolume {
  std::string folder;           // where it is mounted
  std::string name;             // its label; may be empty
  std::int64_t freeBytes = -1;  // unknown: negative
  bool ready = true;
  bool answering = true;   // false: the system has not answered a look at it in time
  std::string model = {};  // a GPS unit's model from its device description (device/gpsunit.h)
};

// A volume offered as the handheld.
struct DeviceVolume {
  std::string name;    // UTF-8: a label in any script is shown as it is
  std::string folder;  // native (UTF-8): it becomes the handheld as it is
  std::int64_t freeBytes = -1;
  bool answering = true;
  std::string model = {};  // a GPS unit's model, UTF-8; empty: no unit
  bool operator==(const DeviceVolume& other) const {
    return name == other.name && folder == other.folder && freeBytes == other.freeBytes &&
           answering == other.answering && model == other.model;
  }
};

// The folders below which a mounted volume is a device (the folders themselves are not).
std::vector<std::string> DeviceMountRoots();

// The ready volumes mounted below one of roots, in folder order. A volume without a label is
// named by its folder's last part ("mtp:host=Phone_X" gives "Phone_X").
std::vector<DeviceVolume> DeviceVolumes(const std::vector<MountedVolume>& mounted,
                                        const std::vector<std::string>& roots);

// "SDKARTA [/media/jano/SDKARTA] voľné 1,5 GB", as the device list shows it; one that does not
// answer: "SD [/media/jano/SD] neodpovedá"; a GPS unit: "GARMIN [/media/jano/GARMIN] GPS Alfa 66
// voľné 1,5 GB".
QString DeviceVolumeText(const DeviceVolume& volume);

// What the system says of the volume mounted at folder (its label, free space, whether it is
// ready, the GPS unit it holds). It asks the file system, so it waits as long as a hung mount does:
// call it on a thread that may wait.
MountedVolume LookAtVolume(const std::string& folder);

// Every volume mounted below one of roots, and every device folder below the gvfs mount. Waits
// as LookAtVolume does.
std::vector<MountedVolume> SystemVolumes(const std::vector<std::string>& roots);

// Keeps the device list current: looks once a second, from the window thread, without ever
// waiting there on a volume. The mount table is read by the window (the kernel writes it without
// asking any file system), and only when it changed (the kernel flags /proc/self/mountinfo for
// poll); each volume below the roots is then looked at on a thread of its own, and so is the gvfs
// folder each second. Their answers come back to the window thread queued. A volume that has not
// answered in kPatienceMs is listed as not answering until it answers; no second look at it
// starts while one waits, so a hung mount holds one thread, not one a second.
class DeviceVolumeWatcher : public QObject {
  Q_OBJECT
 public:
  using Source = std::function<std::vector<MountedVolume>()>;
  static constexpr int kPatienceMs = 2000;
  explicit DeviceVolumeWatcher(QObject* parent = nullptr);
  ~DeviceVolumeWatcher() override;

  // Looks now, then once a second.
  void Start();
  const std::vector<DeviceVolume>& Volumes() const { return volumes_; }

  // Tests give the mounted volumes instead of the system (read at once on the window thread); an
  // empty source returns to it.
  static void SetSourceForTests(Source source);

 Q_SIGNALS:
  void changed();

 private:
  struct Look {
    MountedVolume last;  // its last answer
    bool answered = false;
    bool waiting = false;  // a look at it is under way
    bool late = false;     // ... for longer than kPatienceMs
    unsigned serial = 0;   // of the look under way
  };
  void LookNow();
  bool MountTableChanged();
  void LookAt(const std::string& folder);
  void Answered(const std::string& folder, unsigned serial, const MountedVolume& volume);
  void GvfsListed(const QStringList& names);
  void ForgetGone();  // the looks at folders no longer mounted
  void Show(std::vector<DeviceVolume> now);
  void ShowLooks();

  class QTimer* timer_;
  std::vector<DeviceVolume> volumes_;
  int mountTable_ = -1;
  platform::OffThread workers_{this};  // a volume may hang: every look is made there
  std::map<std::string, Look> looks_;  // by folder
  std::vector<std::string> mounts_;    // mount points below the roots, from the table
  std::vector<std::string> gvfsFolders_;
  bool gvfsListing_ = false;
  unsigned serial_ = 0;
};
