// The remote API functions of the folder handheld (see folder_device.h).
#include <dirent.h>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "device/folder/faults.h"
#include "device/folder/folder_device.h"
#include "device/folder/resolve.h"
#include "device/folder/text.h"
#include "device/rapi_types.h"
#include "platform/dirsearch.h"
#include "platform/error.h"

#define RAPI_EXPORT extern "C" __attribute__((visibility("default")))

using namespace folder_device;

namespace {

thread_local DWORD lastError = NO_ERROR;

BOOL Failed(DWORD error) {
  lastError = error;
  return FALSE;
}
HANDLE FailedHandle(DWORD error) {
  lastError = error;
  return INVALID_HANDLE_VALUE;
}
DWORD ErrnoError() {
  return WindowsErrorFromErrno(errno);
}

HRESULT FromWin32(DWORD error) {
  return error == 0 ? S_OK : static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}

// ---- open objects: files and searches, named by handles that are never 0, 65535 or all ones.

// What a search found of one entry. The record of 560 bytes, mostly the name's room, is made only
// when it is handed out: a folder may hold 100,000 entries.
struct Found {
  DWORD attributes;
  FILETIME created, accessed, written;
  DWORD sizeHigh, sizeLow;
  size_t nameAt, nameLength;  // in Object::names
};

// A call at work holds its object, so the descriptor stays open, and its number unused by another
// open, until the last holder lets go.
struct Object {
  int fd = -1;
  bool canRead = false, canWrite = false;
  bool isSearch = false;
  std::vector<Found> found;
  std::u16string names;  // of every entry found, one after another
  size_t next = 0;
  ~Object() {
    if (fd >= 0) ::close(fd);
  }
  void Record(const Found& entry, CE_FIND_DATA& record) const {
    std::memset(&record, 0, sizeof record);
    record.dwFileAttributes = entry.attributes;
    record.ftCreationTime = entry.created;
    record.ftLastAccessTime = entry.accessed;
    record.ftLastWriteTime = entry.written;
    record.nFileSizeHigh = entry.sizeHigh;
    record.nFileSizeLow = entry.sizeLow;
    std::memcpy(record.cFileName, names.data() + entry.nameAt, entry.nameLength * sizeof(WCHAR));
  }
};

std::mutex tableMutex;
std::unordered_map<std::uintptr_t, std::shared_ptr<Object>> table;
std::uintptr_t nextHandle = 0x10000;

HANDLE Add(std::shared_ptr<Object> object) {
  std::lock_guard<std::mutex> lock(tableMutex);
  std::uintptr_t handle = nextHandle++;
  table.emplace(handle, std::move(object));
  return reinterpret_cast<HANDLE>(handle);
}

std::shared_ptr<Object> Lookup(HANDLE handle, bool search) {
  std::lock_guard<std::mutex> lock(tableMutex);
  auto it = table.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == table.end() || it->second->isSearch != search) return nullptr;
  return it->second;
}

std::shared_ptr<Object> Take(HANDLE handle, bool search) {
  std::lock_guard<std::mutex> lock(tableMutex);
  auto it = table.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == table.end() || it->second->isSearch != search) return nullptr;
  std::shared_ptr<Object> object = std::move(it->second);
  table.erase(it);
  return object;
}

void CloseAll() {
  std::lock_guard<std::mutex> lock(tableMutex);
  table.clear();
}

// ---- the link

class Link {
 public:
  ~Link() { Cancel(); }

  HRESULT Connect() {
    Cancel();
    ResetStepCounts();
    if (auto error = InjectedFailure("CeRapiInit")) {
      SetOpen(false);
      return FromWin32(*error);
    }
    if (IsOpen()) return CERAPI_E_ALREADYINITIALIZED;
    if (std::uint32_t delay = ConnectDelayMs())
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    const bool present = RealRoot().has_value();
    SetOpen(present);
    return present ? S_OK : E_FAIL;
  }

  HRESULT ConnectAsync(RAPIINIT* init) {
    if (!init || init->cbSize != sizeof(RAPIINIT)) return E_INVALIDARG;
    Cancel();
    ResetStepCounts();
    std::optional<std::uint32_t> injected = InjectedFailure("CeRapiInitEx");
    int fd = ::eventfd(0, EFD_CLOEXEC);
    if (fd == 0) {  // 0 would read as "no event"
      int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
      ::close(fd);
      fd = moved;
    }
    if (fd < 0) return E_FAIL;
    // Signalled through a descriptor of our own: the caller may close its one at any time.
    int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0) {
      ::close(fd);
      return E_FAIL;
    }
    init->heRapiInit = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd));
    const std::uint32_t delay = ConnectDelayMs();
    if (delay == 0) {
      std::lock_guard<std::mutex> lock(mutex_);
      Complete(init, own, injected);
      return S_OK;
    }
    worker_ = std::thread([this, init, own, injected, delay] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (wake_.wait_for(lock, std::chrono::milliseconds(delay), [this] { return cancelled_; })) {
        ::close(own);  // given up: the caller's record may be gone, leave it alone
        return;
      }
      Complete(init, own, injected);
    });
    return S_OK;
  }

  void Disconnect() {
    Cancel();
    SetOpen(false);
    CloseAll();
  }

  bool IsOpen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
  }

 private:
  // Under mutex_.
  void Complete(RAPIINIT* init, int own, std::optional<std::uint32_t> injected) {
    HRESULT result = injected ? FromWin32(*injected) : RealRoot() ? S_OK : E_FAIL;
    init->hrRapiInit = result;
    open_ = result >= 0;
    const std::uint64_t one = 1;
    ssize_t ignored = ::write(own, &one, sizeof one);
    (void)ignored;
    ::close(own);
  }

  void SetOpen(bool open) {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = open;
  }

  // Ends a pending attempt; it writes nothing more.
  void Cancel() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      cancelled_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = false;
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool open_ = false;
  bool cancelled_ = false;
  std::thread worker_;
};

Link theLink;

bool Ready() {
  if (theLink.IsOpen()) return true;
  lastError = ERROR_NOT_READY;
  return false;
}

// ---- find records

FILETIME FileTime(std::int64_t seconds, std::int64_t nanoseconds) {
  std::int64_t ticks = platform::FileTimeFromUnix(seconds, nanoseconds);
  if (ticks < 0) ticks = 0;
  const auto value = static_cast<std::uint64_t>(ticks);
  return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}

// One look at the entry, relative to its open folder, added to what the search found; a link is
// looked at a second time where it leads (never outside the root). False: the entry is not part
// of the handheld's listing.
bool LookAt(int root, const std::string& rel, int dir, const char* name, Object& search) {
  std::optional<std::u16string> wide = Utf8ToUtf16(name);
  if (!wide || wide->size() >= MAX_PATH) return false;  // cannot be named through the API
  constexpr unsigned kWanted = STATX_BASIC_STATS | STATX_BTIME;
  struct statx sx {};
  if (::statx(dir, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kWanted, &sx) != 0) return false;
  if (S_ISLNK(sx.stx_mode)) {
    Fd led(OpenBeneath(root, Join(rel, name), O_PATH));
    if (!led.IsOpen() || ::statx(led.get(), "", AT_EMPTY_PATH, kWanted, &sx) != 0) return false;
  }
  const bool isDir = S_ISDIR(sx.stx_mode);
  if (!isDir && !S_ISREG(sx.stx_mode)) return false;  // a FIFO, device or socket
  Found& entry = search.found.emplace_back();
  DWORD attributes = isDir ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!(sx.stx_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  if (name[0] == '.') attributes |= FILE_ATTRIBUTE_HIDDEN;
  entry.attributes = attributes;
  const statx_timestamp& created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime;
  entry.created = FileTime(created.tv_sec, created.tv_nsec);
  entry.accessed = FileTime(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
  entry.written = FileTime(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
  const std::uint64_t size = isDir ? 0 : sx.stx_size;
  entry.sizeHigh = static_cast<DWORD>(size >> 32);
  entry.sizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  entry.nameAt = search.names.size();
  entry.nameLength = wide->size();
  search.names += *wide;
  return true;
}

bool IsReadOnly(const struct stat& st) {
  return !(st.st_mode & S_IWUSR);
}

}  // namespace

// ---- the exported functions

RAPI_EXPORT HRESULT CeRapiInit(void) {
  return theLink.Connect();
}

RAPI_EXPORT HRESULT CeRapiInitEx(RAPIINIT* init) {
  return theLink.ConnectAsync(init);
}

RAPI_EXPORT HRESULT CeRapiUninit(void) {
  if (auto error = InjectedFailure("CeRapiUninit")) {
    lastError = *error;
    return FromWin32(*error);
  }
  theLink.Disconnect();
  return S_OK;
}

RAPI_EXPORT DWORD CeGetLastError(void) {
  return lastError;
}

RAPI_EXPORT HANDLE CeFindFirstFile(LPCWSTR fileName, LPCE_FIND_DATA findData) {
  if (auto error = InjectedFailure("CeFindFirstFile")) return FailedHandle(*error);
  if (!Ready()) return INVALID_HANDLE_VALUE;
  if (!findData) return FailedHandle(ERROR_INVALID_PARAMETER);
  Target target;
  if (DWORD error = Resolve(fileName, LastPart::Pattern, target)) return FailedHandle(error);
  const int fd = OpenBeneath(target.root.get(), target.rel, O_RDONLY | O_DIRECTORY);
  if (fd < 0) return FailedHandle(BeneathError(errno));
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return FailedHandle(ErrnoError());
  }
  // Names first, in one buffer, sorted as offsets; then one look at each entry, in that order.
  std::string names;
  std::vector<size_t> starts;
  while (dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name == "." || name == ".." || !MatchesPattern(name, target.name)) continue;
    starts.push_back(names.size());
    names.append(name).push_back('\0');
  }
  std::sort(starts.begin(), starts.end(), [&names](size_t a, size_t b) {
    return std::strcmp(names.c_str() + a, names.c_str() + b) < 0;
  });
  auto search = std::make_shared<Object>();
  search->isSearch = true;
  search->found.reserve(starts.size());
  search->names.reserve(names.size());
  for (size_t start : starts)
    LookAt(target.root.get(), target.rel, fd, names.c_str() + start, *search);
  ::closedir(dir);
  if (search->found.empty()) return FailedHandle(ERROR_FILE_NOT_FOUND);
  search->Record(search->found[0], *findData);
  search->next = 1;
  return Add(std::move(search));
}

RAPI_EXPORT BOOL CeFindNextFile(HANDLE find, LPCE_FIND_DATA findData) {
  if (auto error = InjectedFailure("CeFindNextFile")) return Failed(*error);
  std::shared_ptr<Object> search = Lookup(find, true);
  if (!search) return Failed(ERROR_INVALID_HANDLE);
  if (!findData) return Failed(ERROR_INVALID_PARAMETER);
  if (search->next >= search->found.size()) return Failed(ERROR_NO_MORE_FILES);
  search->Record(search->found[search->next++], *findData);
  return TRUE;
}

RAPI_EXPORT BOOL CeFindClose(HANDLE find) {
  if (auto error = InjectedFailure("CeFindClose")) return Failed(*error);
  return Take(find, true) ? TRUE : Failed(ERROR_INVALID_HANDLE);
}

RAPI_EXPORT HANDLE CeCreateFile(LPCWSTR fileName, DWORD desiredAccess, DWORD /*shareMode*/,
                                LPSECURITY_ATTRIBUTES /*security*/, DWORD creationDisposition,
                                DWORD flagsAndAttributes, HANDLE /*templateFile*/) {
  if (auto error = InjectedFailure("CeCreateFile")) return FailedHandle(*error);
  if (!Ready()) return INVALID_HANDLE_VALUE;
  Target target;
  if (DWORD error = Resolve(fileName, LastPart::Name, target)) return FailedHandle(error);
  if (target.isRoot || (target.exists && S_ISDIR(target.st.st_mode)))
    return FailedHandle(ERROR_ACCESS_DENIED);

  const bool read = desiredAccess & GENERIC_READ, write = desiredAccess & GENERIC_WRITE;
  int flags = O_CLOEXEC | (read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY);
  switch (creationDisposition) {
    case CREATE_NEW:
      if (target.exists) return FailedHandle(ERROR_FILE_EXISTS);
      flags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
      flags |= O_CREAT | O_TRUNC;
      break;
    case OPEN_EXISTING:
      if (!target.exists) return FailedHandle(ERROR_FILE_NOT_FOUND);
      break;
    case OPEN_ALWAYS:
      flags |= O_CREAT;
      break;
    case TRUNCATE_EXISTING:
      if (!target.exists) return FailedHandle(ERROR_FILE_NOT_FOUND);
      if (!write) return FailedHandle(ERROR_INVALID_PARAMETER);
      flags |= O_TRUNC;
      break;
    default:
      return FailedHandle(ERROR_INVALID_PARAMETER);
  }
  // The read-only attribute holds for every user, root included, as on the handheld.
  if (target.exists && IsReadOnly(target.st) && (write || (flags & O_TRUNC)))
    return FailedHandle(ERROR_ACCESS_DENIED);
  const mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  // Non-blocking while it opens: a FIFO without a peer must not hold the caller.
  Fd opened(OpenBeneath(target.root.get(), target.EntryRel(), flags | O_NONBLOCK, mode));
  if (!opened.IsOpen())
    return FailedHandle(errno == ENXIO ? ERROR_ACCESS_DENIED : BeneathError(errno));
  struct stat st {};
  if (::fstat(opened.get(), &st) != 0) return FailedHandle(ErrnoError());
  if (!S_ISREG(st.st_mode)) return FailedHandle(ERROR_ACCESS_DENIED);  // FIFO, device, socket
  ::fcntl(opened.get(), F_SETFL, ::fcntl(opened.get(), F_GETFL) & ~O_NONBLOCK);
  const int fd = opened.Release();
  auto file = std::make_shared<Object>();
  file->fd = fd;
  file->canRead = read;
  file->canWrite = write;
  HANDLE handle = Add(std::move(file));
  const bool existed = target.exists && creationDisposition != TRUNCATE_EXISTING &&
                       creationDisposition != OPEN_EXISTING;
  lastError = existed ? ERROR_ALREADY_EXISTS : NO_ERROR;
  return handle;
}

RAPI_EXPORT BOOL CeReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                            LPOVERLAPPED /*overlapped*/) {
  if (bytesRead) *bytesRead = 0;
  if (auto error = InjectedFailure("CeReadFile")) return Failed(*error);
  std::shared_ptr<Object> object = Lookup(file, false);
  if (!object) return Failed(ERROR_INVALID_HANDLE);
  if (!object->canRead) return Failed(ERROR_ACCESS_DENIED);
  if (!buffer && bytesToRead) return Failed(ERROR_INVALID_PARAMETER);
  DWORD done = 0;
  while (done < bytesToRead) {
    ssize_t n = ::read(object->fd, static_cast<char*>(buffer) + done, bytesToRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failed(ErrnoError());
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (bytesRead) *bytesRead = done;
  return TRUE;
}

RAPI_EXPORT BOOL CeWriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
                             LPOVERLAPPED /*overlapped*/) {
  if (bytesWritten) *bytesWritten = 0;
  // Held through the delay, as a slow write holds it: a close meanwhile leaves it open.
  std::shared_ptr<Object> object = Lookup(file, false);
  if (std::uint32_t delay = WriteDelayMs())
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  if (auto error = InjectedFailure("CeWriteFile")) return Failed(*error);
  if (!object) return Failed(ERROR_INVALID_HANDLE);
  if (!object->canWrite) return Failed(ERROR_ACCESS_DENIED);
  if (!buffer && bytesToWrite) return Failed(ERROR_INVALID_PARAMETER);
  DWORD done = 0;
  while (done < bytesToWrite) {
    ssize_t n = ::write(object->fd, static_cast<const char*>(buffer) + done, bytesToWrite - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (bytesWritten) *bytesWritten = done;
      return Failed(ErrnoError());
    }
    done += static_cast<DWORD>(n);
  }
  if (bytesWritten) *bytesWritten = done;
  return TRUE;
}

RAPI_EXPORT BOOL CeCloseHandle(HANDLE object) {
  if (auto error = InjectedFailure("CeCloseHandle")) return Failed(*error);
  std::shared_ptr<Object> file = Take(object, false);
  if (!file) return Failed(ERROR_INVALID_HANDLE);
  // Out of the table nothing takes a new hold on it: when this is the last, it stays the last.
  // Otherwise a read or write at work on another thread closes it when it returns.
  if (file.use_count() > 1) return TRUE;
  const int fd = file->fd;
  file->fd = -1;
  if (::close(fd) != 0 && errno != EINTR) return Failed(ErrnoError());
  return TRUE;
}

RAPI_EXPORT DWORD CeGetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
  if (auto error = InjectedFailure("CeGetFileSize")) {
    lastError = *error;
    return INVALID_FILE_SIZE;
  }
  std::shared_ptr<Object> object = Lookup(file, false);
  struct stat st {};
  if (!object || ::fstat(object->fd, &st) != 0) {
    lastError = object ? ErrnoError() : ERROR_INVALID_HANDLE;
    return INVALID_FILE_SIZE;
  }
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (fileSizeHigh) *fileSizeHigh = static_cast<DWORD>(size >> 32);
  lastError = NO_ERROR;  // a caller asking for the high word tells a size of 0xFFFFFFFF this way
  return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

RAPI_EXPORT BOOL CeCreateDirectory(LPCWSTR pathName, LPSECURITY_ATTRIBUTES /*security*/) {
  if (auto error = InjectedFailure("CeCreateDirectory")) return Failed(*error);
  if (!Ready()) return FALSE;
  Target target;
  if (DWORD error = Resolve(pathName, LastPart::Name, target)) return Failed(error);
  if (target.exists) return Failed(ERROR_ALREADY_EXISTS);
  if (target.isLink) return Failed(ERROR_ACCESS_DENIED);
  if (::mkdirat(target.dir.get(), target.name.c_str(), 0777) != 0) return Failed(ErrnoError());
  return TRUE;
}

RAPI_EXPORT BOOL CeRemoveDirectory(LPCWSTR pathName) {
  if (auto error = InjectedFailure("CeRemoveDirectory")) return Failed(*error);
  if (!Ready()) return FALSE;
  Target target;
  if (DWORD error = Resolve(pathName, LastPart::Name, target)) return Failed(error);
  if (target.isRoot) return Failed(ERROR_ACCESS_DENIED);
  if (!target.exists) return Failed(ERROR_FILE_NOT_FOUND);
  if (!S_ISDIR(target.st.st_mode)) return Failed(ERROR_DIRECTORY);
  // A link to a folder goes, not the folder it leads to.
  if (::unlinkat(target.dir.get(), target.name.c_str(), target.isLink ? 0 : AT_REMOVEDIR) != 0)
    return Failed(errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrnoError());
  return TRUE;
}

RAPI_EXPORT BOOL CeDeleteFile(LPCWSTR fileName) {
  if (auto error = InjectedFailure("CeDeleteFile")) return Failed(*error);
  if (!Ready()) return FALSE;
  Target target;
  if (DWORD error = Resolve(fileName, LastPart::Name, target)) return Failed(error);
  if (!target.exists) return Failed(ERROR_FILE_NOT_FOUND);
  if (target.isRoot || S_ISDIR(target.st.st_mode) || IsReadOnly(target.st))
    return Failed(ERROR_ACCESS_DENIED);
  if (::unlinkat(target.dir.get(), target.name.c_str(), 0) != 0) return Failed(ErrnoError());
  return TRUE;
}

RAPI_EXPORT BOOL CeMoveFile(LPCWSTR existingFileName, LPCWSTR newFileName) {
  if (auto error = InjectedFailure("CeMoveFile")) return Failed(*error);
  if (!Ready()) return FALSE;
  Target from, to;
  if (DWORD error = Resolve(existingFileName, LastPart::Name, from)) return Failed(error);
  if (DWORD error = Resolve(newFileName, LastPart::Name, to)) return Failed(error);
  if (!from.exists) return Failed(ERROR_FILE_NOT_FOUND);
  if (from.isRoot || to.isRoot) return Failed(ERROR_ACCESS_DENIED);
  if (to.exists || to.isLink) return Failed(ERROR_ALREADY_EXISTS);
  // The entry itself moves (a link stays a link); an entry that appeared meanwhile stays.
  if (::renameat2(from.dir.get(), from.name.c_str(), to.dir.get(), to.name.c_str(),
                  RENAME_NOREPLACE) == 0)
    return TRUE;
  if (errno != EINVAL) return Failed(errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrnoError());
  // File systems in user space (a card mounted through FUSE) may know no rename flags: the
  // target was just found absent, so a plain rename is the best they allow.
  struct stat st {};
  if (::fstatat(to.dir.get(), to.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
    return Failed(ERROR_ALREADY_EXISTS);
  if (::renameat(from.dir.get(), from.name.c_str(), to.dir.get(), to.name.c_str()) != 0)
    return Failed(ErrnoError());
  return TRUE;
}

// Flushes a file or folder to the medium; one that cannot be flushed is not an error.
bool Flush(int fd) {
  return ::fsync(fd) == 0 || errno == EINVAL || errno == ENOSYS;
}

RAPI_EXPORT BOOL VireskaReplaceFile(LPCWSTR newFile, LPCWSTR targetFile) {
  if (auto error = InjectedFailure("VireskaReplaceFile")) return Failed(*error);
  if (!Ready()) return FALSE;
  Target from, to;
  if (DWORD error = Resolve(newFile, LastPart::Name, from)) return Failed(error);
  if (DWORD error = Resolve(targetFile, LastPart::Name, to)) return Failed(error);
  if (!from.exists) return Failed(ERROR_FILE_NOT_FOUND);
  if (from.isRoot || from.isLink || !S_ISREG(from.st.st_mode)) return Failed(ERROR_ACCESS_DENIED);
  if (to.isRoot || (to.exists && (S_ISDIR(to.st.st_mode) || IsReadOnly(to.st))))
    return Failed(ERROR_ACCESS_DENIED);
  struct stat fromDir {
  }, toDir{};
  if (::fstat(from.dir.get(), &fromDir) != 0 || ::fstat(to.dir.get(), &toDir) != 0)
    return Failed(ErrnoError());
  if (fromDir.st_dev != toDir.st_dev || fromDir.st_ino != toDir.st_ino)
    return Failed(kReplaceNotSameFolder);
  const std::string toName = SpellingOnDisk(to);

  Fd data(
      ::openat(from.dir.get(), from.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!data.IsOpen()) return Failed(BeneathError(errno));
  struct stat st {};
  if (::fstat(data.get(), &st) != 0) return Failed(ErrnoError());
  if (!S_ISREG(st.st_mode)) return Failed(ERROR_ACCESS_DENIED);  // swapped meanwhile
  if (!Flush(data.get())) return Failed(ErrnoError());
  if (::renameat(from.dir.get(), from.name.c_str(), to.dir.get(), toName.c_str()) != 0) {
    // A driver that cannot put a file over another refuses, and both stay as they were.
    if (errno == EEXIST || errno == ENOTSUP || errno == ENOSYS) return Failed(kReplaceUnsupported);
    return Failed(errno == EISDIR ? ERROR_ACCESS_DENIED : ErrnoError());
  }
  Fd folder(::openat(to.dir.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.IsOpen() || !Flush(folder.get())) return Failed(ErrnoError());
  return TRUE;
}

// Each export has exactly the type the binding casts it to.
static_assert(std::is_same_v<decltype(&CeRapiInit), PFN_CeRapiInit>);
static_assert(std::is_same_v<decltype(&CeRapiInitEx), PFN_CeRapiInitEx>);
static_assert(std::is_same_v<decltype(&CeRapiUninit), PFN_CeRapiUninit>);
static_assert(std::is_same_v<decltype(&CeFindFirstFile), PFN_CeFindFirstFile>);
static_assert(std::is_same_v<decltype(&CeFindNextFile), PFN_CeFindNextFile>);
static_assert(std::is_same_v<decltype(&CeFindClose), PFN_CeFindClose>);
static_assert(std::is_same_v<decltype(&CeCreateFile), PFN_CeCreateFile>);
static_assert(std::is_same_v<decltype(&CeReadFile), PFN_CeReadFile>);
static_assert(std::is_same_v<decltype(&CeWriteFile), PFN_CeWriteFile>);
static_assert(std::is_same_v<decltype(&CeCloseHandle), PFN_CeCloseHandle>);
static_assert(std::is_same_v<decltype(&CeGetLastError), PFN_CeGetLastError>);
static_assert(std::is_same_v<decltype(&CeCreateDirectory), PFN_CeCreateDirectory>);
static_assert(std::is_same_v<decltype(&CeRemoveDirectory), PFN_CeRemoveDirectory>);
static_assert(std::is_same_v<decltype(&CeDeleteFile), PFN_CeDeleteFile>);
static_assert(std::is_same_v<decltype(&CeGetFileSize), PFN_CeGetFileSize>);
static_assert(std::is_same_v<decltype(&CeMoveFile), PFN_CeMoveFile>);
static_assert(std::is_same_v<decltype(&VireskaReplaceFile), ReplaceFunction>);
