#pragma once
// FUSE mounts whose daemon a test stops: a small FAT image (mkfs.vfat) served by fusefat. While
// the daemon is stopped (SIGSTOP) every call that reaches the mount (statfs, a look into the
// folder, an open, a read or a write) waits, as on a card whose driver hangs or a network share
// whose server went away; Continue() lets them all finish.
//
// Such a mount must stay unseen by every other process: one that read the mount table and then
// looked at each mount (a test of another binary under ctest -j) would hang on it. So only
// vireska_stall_tests uses this: tests/support/private_mounts.sh starts it in a mount namespace
// of its own (unshare), where every mount made here, and the tmpfs laid over /media, is private
// and ends with the process.
//
//   class CardHangs : public WithStoppedFuse<> {};   // or WithStoppedFuse<FormTest>
//   TEST_F(CardHangs, X) {
//     StoppedFuse& card = Mount(BelowMedia("SD"));   // or Mount(work / "card"): not watched
//     card.Stop();
//     ...                                            // the code under test meets the hung mount
//     EXPECT_EQ(card.Waiting(), 1);                  // requests the daemon holds unanswered
//     card.Continue();
//   }
//
// SetUp skips the test, saying why, where FUSE, mkfs.vfat, fusefat or a private mount namespace
// is missing. Teardown always continues, kills and lazily unmounts every daemon, so no test
// leaves a hung mount behind, not even one that failed halfway; the daemons die with the test
// process too. A test that hangs on a stopped mount fails (the watchdog below) rather than
// waiting for ctest's time-out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "support/temp_dir.h"

namespace stopped_fuse {

// The program's full path as the shell would find it; empty when it is not on PATH.
inline std::string Find(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string file = (dir.empty() ? "." : dir) + "/" + program;
    if (::access(file.c_str(), X_OK) == 0) return file;
  }
  return {};
}

inline std::string MountNamespace(const std::string& pid) {
  std::error_code error;
  const auto link = std::filesystem::read_symlink("/proc/" + pid + "/ns/mnt", error);
  return error ? std::string() : link.string();
}

// Whether this process has a mount namespace of its own. Where pid 1's namespace cannot be read
// (a sandbox), the wrapper's record of where it started, or else the parent's, is compared.
inline bool PrivateMountNamespace() {
  const std::string mine = MountNamespace("self");
  std::string outer = MountNamespace("1");
  if (outer.empty()) {
    const char* recorded = std::getenv("VIRESKA_OUTER_MOUNT_NS");
    outer = recorded && *recorded ? recorded : MountNamespace(std::to_string(::getppid()));
  }
  return !mine.empty() && !outer.empty() && mine != outer;
}

// Whether folder is a mount point now (the mount table, never the mount itself).
inline bool Mounted(const std::filesystem::path& folder) {
  for (const std::string& point :
       platform::MountPointsBelow(platform::ReadMountTable(), {folder.parent_path().string()}))
    if (point == folder.string()) return true;
  return false;
}

}  // namespace stopped_fuse

class StoppedFuse {
 public:
  // Why such a mount cannot be made here; empty when it can.
  static std::string WhyNot() {
    if (::access("/dev/fuse", R_OK | W_OK) != 0) return "no usable /dev/fuse";
    if (stopped_fuse::Find("mkfs.vfat").empty() || stopped_fuse::Find("fusefat").empty())
      return "mkfs.vfat or fusefat missing (scripts/setup.sh installs them)";
    if (!stopped_fuse::PrivateMountNamespace())
      return "not in a mount namespace of its own: run through tests/support/private_mounts.sh "
             "(ctest does), as root";
    return {};
  }

  // Makes a 16 MiB FAT image and serves it at folder (created when missing). Throws when the
  // mount does not come up.
  StoppedFuse(const std::filesystem::path& image, const std::filesystem::path& folder)
      : folder_(folder) {
    std::filesystem::create_directories(folder);
    TempDir::Write(image, "");
    std::filesystem::resize_file(image, 16u << 20);
    const std::string mkfs = "mkfs.vfat '" + image.string() + "' >/dev/null 2>&1";
    if (std::system(mkfs.c_str()) != 0) throw std::runtime_error("mkfs.vfat failed");

    // Opened before the daemon starts, so its mount is a change this descriptor is flagged for.
    const int table = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    const std::string program = stopped_fuse::Find("fusefat");
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // a test killed for its time-out leaves no daemon
      if (::getppid() != parent) ::_exit(127);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::execl(program.c_str(), "fusefat", "-f", "-o", "rw+", image.c_str(), folder.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    std::string failure = pid_ < 0 ? "fork failed" : "";
    while (failure.empty() && !stopped_fuse::Mounted(folder)) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        failure = "fusefat ended before its mount came up";
        break;
      }
      pollfd changed{table, POLLPRI, 0};
      if (::poll(&changed, 1, 30'000) == 0) failure = "fusefat mounted nothing in 30 s";
    }
    if (table >= 0) ::close(table);
    struct stat root {};
    if (failure.empty() && ::stat(folder.c_str(), &root) == 0) connection_ = minor(root.st_dev);
    if (!failure.empty()) {
      End();
      throw std::runtime_error(failure + " (" + folder.string() + ")");
    }
  }
  ~StoppedFuse() { End(); }
  StoppedFuse(const StoppedFuse&) = delete;
  StoppedFuse& operator=(const StoppedFuse&) = delete;

  const std::filesystem::path& Folder() const { return folder_; }
  pid_t Pid() const { return pid_; }
  // Returns once every thread of the daemon has stopped: a request that reached it before then
  // would still be answered.
  void Stop() {
    Signal(SIGSTOP);
    while (pid_ > 0 && !AllStopped()) std::this_thread::yield();
  }
  void Continue() { Signal(SIGCONT); }

  // Requests the kernel sent the daemon that it has not answered yet (the connection's count in
  // fusectl, mounted on first use in this namespace); -1 where it cannot be read.
  int Waiting() const {
    const std::string connections = "/sys/fs/fuse/connections";
    const std::string count = connections + "/" + std::to_string(connection_) + "/waiting";
    if (::access(count.c_str(), R_OK) != 0)
      ::mount("fusectl", connections.c_str(), "fusectl", 0, nullptr);
    std::ifstream in(count);
    int waiting = -1;
    return in >> waiting ? waiting : -1;
  }

 private:
  bool AllStopped() const {
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/task", error)) {
      std::ifstream stat(task.path() / "stat");
      std::string line;
      std::getline(stat, line);
      const size_t end = line.rfind(')');  // the name may hold blanks and parentheses
      if (end == std::string::npos || end + 2 >= line.size()) return false;
      const char state = line[end + 2];
      if (state != 'T' && state != 't') return false;
    }
    return !error;
  }
  void Signal(int number) const {
    if (pid_ > 0) ::kill(pid_, number);  // never kill(-1, ...): that reaches every process
  }
  // The daemon is continued, killed (which fails every request still waiting on it) and reaped,
  // and its mount detached.
  void End() {
    if (pid_ > 0) {
      ::kill(pid_, SIGCONT);
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    ::umount2(folder_.c_str(), MNT_DETACH);
  }

  std::filesystem::path folder_;
  pid_t pid_ = -1;
  unsigned connection_ = 0;
};

// A test fixture (over Base, which may be another fixture) that owns the mounts its test makes.
// A test still running kHangSeconds after SetUp waits on a stopped mount where it should not: a
// watchdog then continues every daemon, so the waiting call returns and the test fails instead
// of hanging until ctest kills it.
template <class Base = ::testing::Test>
class WithStoppedFuse : public Base {
 protected:
  static constexpr int kHangSeconds = 60;

  void SetUp() override {
    Base::SetUp();
    const std::string why = StoppedFuse::WhyNot();
    if (!why.empty()) GTEST_SKIP() << "no stopped FUSE mount can be made: " << why;
    watchdog_ = std::thread([this] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (ended_.wait_for(lock, std::chrono::seconds(kHangSeconds), [this] { return done_; }))
        return;
      fired_ = true;
      for (const auto& mount : mounts_) mount->Continue();
    });
  }
  void TearDown() override {
    if (watchdog_.joinable()) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
      }
      ended_.notify_all();
      watchdog_.join();
    }
    EXPECT_FALSE(fired_) << "still running after " << kHangSeconds
                         << " s: something waited on a stopped mount until the watchdog "
                            "continued it";
    mounts_.clear();
    if (mediaCovered_) ::umount2("/media", MNT_DETACH);
    mediaCovered_ = false;
    Base::TearDown();
  }

  // A mount at folder (created when missing); the test's own folder holds the image.
  StoppedFuse& Mount(const std::filesystem::path& folder) {
    const std::string image = "card" + std::to_string(mounts_.size()) + ".img";
    auto mount = std::make_unique<StoppedFuse>(work / image, folder);
    std::lock_guard<std::mutex> lock(mutex_);
    mounts_.push_back(std::move(mount));
    return *mounts_.back();
  }

  // folder below /media, where programs look for memory cards, on an empty tmpfs laid over
  // /media in this namespace only: the machine's /media is neither seen nor changed.
  std::filesystem::path BelowMedia(const std::string& name) {
    if (!mediaCovered_) {
      if (::mount("vireska-media", "/media", "tmpfs", 0, "size=1m,mode=755") != 0)
        throw std::runtime_error("cannot lay a tmpfs over /media");
      mediaCovered_ = true;
    }
    return std::filesystem::path("/media") / name;
  }

  TempDir work;  // destroyed after the mounts in it

 private:
  std::vector<std::unique_ptr<StoppedFuse>> mounts_;
  bool mediaCovered_ = false;
  std::mutex mutex_;  // mounts_ and done_, shared with the watchdog
  std::condition_variable ended_;
  bool done_ = false;
  std::atomic<bool> fired_{false};
  std::thread watchdog_;
};
