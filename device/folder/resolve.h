#pragma once
// Handheld paths to places below the root folder, never outside it. Every lookup starts from a
// descriptor of the root and is confined by the kernel (openat2 with RESOLVE_BENEATH), or, where
// the kernel lacks it, walks the components without following any link; the calls that act then
// take the folder's descriptor and the entry's name, so a folder swapped for a link between the
// lookup and the act cannot lead outside.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <string>

namespace folder_device {

// An owned file descriptor.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& other) noexcept : fd_(other.Release()) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = other.Release();
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// The path of name in the folder dir (relative paths: "" is the folder itself).
std::string Join(const std::string& dir, const std::string& name);

// The real path of the root folder; nullopt when there is none (no handheld). The one place that
// decides which folder is the handheld.
std::optional<std::string> RealRoot();

// The folder the program chose (VireskaSetPdaRoot); nullopt for none. Safe from any thread.
void SetChosenRoot(const char* folder);
std::optional<std::string> ChosenRoot();

// Opens rel (a path relative to the root, "" for the root) beneath the root descriptor; a link on
// the way may lead anywhere inside the root, never outside. -1 with errno on failure (EXDEV or
// ELOOP for a way out).
int OpenBeneath(int root, const std::string& rel, int flags, mode_t mode = 0);

struct Target {
  Fd root;           // the root folder
  Fd dir;            // the folder holding the entry (the root itself for the root)
  std::string rel;   // that folder's path relative to the root, as found on disk
  std::string name;  // the entry's name in that folder as on disk; empty for the root itself
  bool exists = false;
  bool isRoot = false;
  bool isLink = false;  // the entry itself is a link, when it exists
  struct stat st {};    // of where the entry leads, when it exists
  std::string EntryRel() const { return Join(rel, name); }
};

enum class LastPart { Name, Pattern };

// Walks the path from the root. With LastPart::Pattern the last component is left as written
// (in name) and not looked up. Answers 0 or the Windows error number.
std::uint32_t Resolve(const char16_t* path, LastPart last, Target& out);

// The name of an existing entry as its folder holds it. A file system that ignores case (FAT,
// exFAT) finds the entry under any spelling, and a rename to the spelling asked for would change
// the name the user sees.
std::string SpellingOnDisk(const Target& target);

// The Windows error for a failed lookup or open below the root.
std::uint32_t BeneathError(int error);

}  // namespace folder_device
