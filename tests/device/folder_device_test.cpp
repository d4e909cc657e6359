// The bundled folder handheld, driven through the real run-time binding.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/descriptors.h"
#include "support/device_folder.h"

namespace {

struct Entry {
  std::u16string name;
  DWORD attributes;
  std::uint64_t size;
  std::uint64_t created, written;
};

std::uint64_t Ticks(const FILETIME& t) {
  return (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

class FolderDevice : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CeRapiInit(), S_OK); }

  std::vector<Entry> List(const std::u16string& pattern) {
    std::vector<Entry> out;
    CE_FIND_DATA record;
    std::memset(&record, 0xAB, sizeof record);
    HANDLE find = CeFindFirstFile(pattern.c_str(), &record);
    if (find == INVALID_HANDLE_VALUE) return out;
    do {
      out.push_back({record.cFileName, record.dwFileAttributes,
                     (std::uint64_t(record.nFileSizeHigh) << 32) | record.nFileSizeLow,
                     Ticks(record.ftCreationTime), Ticks(record.ftLastWriteTime)});
    } while (CeFindNextFile(find, &record));
    EXPECT_EQ(CeGetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(CeFindClose(find));
    return out;
  }
  std::vector<std::u16string> Names(const std::u16string& pattern) {
    std::vector<std::u16string> names;
    for (const Entry& e : List(pattern)) names.push_back(e.name);
    return names;
  }
  HANDLE Open(const std::u16string& path, DWORD access, DWORD disposition) {
    return CeCreateFile(path.c_str(), access, access == GENERIC_READ ? 1 : 2, nullptr, disposition,
                        0, nullptr);
  }
  std::string ReadAll(HANDLE file) {
    std::string out;
    char chunk[7];
    DWORD got = 0;
    while (CeReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) out.append(chunk, got);
    return out;
  }

  DeviceFolder device;
};

TEST_F(FolderDevice, ListsAFolderWithoutDotEntriesWithAttributesAndSizes) {
  TempDir::Write(device / "Storage Card/MHT/a.mht", "12345");
  TempDir::Write(device / "Storage Card/MHT/.hidden", "");
  TempDir::Write(device / "Storage Card/MHT/locked.txt", "x");
  ::chmod((device / "Storage Card/MHT/locked.txt").c_str(), 0444);
  std::filesystem::create_directories(device / "Storage Card/MHT/sub");
  std::vector<Entry> entries = List(u"\\Storage Card\\MHT\\*");
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].name, u".hidden");
  EXPECT_EQ(entries[0].attributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(entries[1].name, u"a.mht");
  EXPECT_EQ(entries[1].attributes, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(entries[1].size, 5u);
  EXPECT_EQ(entries[2].name, u"locked.txt");
  EXPECT_EQ(entries[2].attributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(entries[3].name, u"sub");
  EXPECT_EQ(entries[3].attributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(entries[3].size, 0u);
}

TEST_F(FolderDevice, RecordCarriesTimesSinceSixteenOhOneAndAZeroTerminatedName) {
  const auto file = device / "t.txt";
  TempDir::Write(file, "x");
  timespec times[2] = {{978307200, 500}, {978307200, 123456700}};  // 2001-01-01 00:00:00 UTC
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  CE_FIND_DATA record;
  std::memset(&record, 0xAB, sizeof record);
  HANDLE find = CeFindFirstFile(u"\\t.txt", &record);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  CeFindClose(find);
  const std::uint64_t written = (978307200ull + 11644473600ull) * 10000000ull + 1234567;
  EXPECT_EQ(Ticks(record.ftLastWriteTime), written);
  struct statx sx {};
  ASSERT_EQ(::statx(AT_FDCWD, file.c_str(), 0, STATX_BTIME, &sx), 0);
  if (sx.stx_mask & STATX_BTIME) {
    // The birth time is the moment of writing, not the 2001 date given to the file.
    EXPECT_GT(Ticks(record.ftCreationTime), written + 10000000ull * 86400 * 365);
  } else {
    EXPECT_EQ(Ticks(record.ftCreationTime), written);
  }
  EXPECT_EQ(std::u16string(record.cFileName), u"t.txt");
  EXPECT_EQ(record.cFileName[5], u'\0');
  EXPECT_EQ(record.nFileSizeHigh, 0u);
}

TEST_F(FolderDevice, PatternsMatchIgnoringCaseAndAFileNameFindsItself) {
  TempDir::Write(device / "d/A.MHT", "");
  TempDir::Write(device / "d/b.htm", "");
  TempDir::Write(device / "d/noext", "");
  EXPECT_EQ(Names(u"\\d\\*.mht"), std::vector<std::u16string>{u"A.MHT"});
  EXPECT_EQ(Names(u"\\d\\?.htm"), std::vector<std::u16string>{u"b.htm"});
  EXPECT_EQ(Names(u"\\d\\*.*").size(), 3u);
  EXPECT_EQ(Names(u"\\d\\a.mht"), std::vector<std::u16string>{u"A.MHT"});
  EXPECT_EQ(Names(u"\\*"), std::vector<std::u16string>{u"d"});
}

TEST_F(FolderDevice, SearchesThatFindNothingTellWhy) {
  std::filesystem::create_directories(device / "empty");
  EXPECT_EQ(DeviceFolder::FindError(u"\\empty\\*"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(DeviceFolder::FindError(u"\\missing\\*"), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(DeviceFolder::FindError(u"\\empty\\nothing.txt"), ERROR_FILE_NOT_FOUND);
  CE_FIND_DATA record;
  EXPECT_FALSE(CeFindNextFile(reinterpret_cast<HANDLE>(0x1234), &record));
  EXPECT_EQ(CeGetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(CeFindClose(INVALID_HANDLE_VALUE));
}

TEST_F(FolderDevice, DoubledSeparatorsSlashesAndOtherCaseReachTheSameFile) {
  TempDir::Write(device / "Storage Card/MHT/x.mht", "data");
  for (const char16_t* path : {u"\\Storage Card\\\\MHT\\x.mht", u"\\\\Storage Card\\MHT\\x.mht",
                               u"/Storage Card/MHT/x.mht", u"\\STORAGE CARD\\mht\\X.MHT",
                               u"\\Storage Card\\.\\MHT\\x.mht"}) {
    HANDLE file = Open(path, GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << std::string(path, path + 3);
    EXPECT_EQ(ReadAll(file), "data");
    EXPECT_TRUE(CeCloseHandle(file));
  }
  // Slovak capitals fold too: a new "Žltý.TXT" replaces the existing "žltý.txt".
  TempDir::Write(device / "žltý.txt", "old");
  HANDLE file = Open(u"\\Žltý.TXT", GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CeCloseHandle(file);
  EXPECT_EQ(TempDir::Read(device / "žltý.txt"), "");
  EXPECT_FALSE(std::filesystem::exists(device / "Žltý.TXT"));
}

TEST_F(FolderDevice, NamesCrossAsUtf16OnOneSideAndUtf8OnDisk) {
  const std::u16string name = u"Ko\u0148 \u010Derven\u00FD \U0001F600.mht";  // Koň červený 😀
  ASSERT_TRUE(CeCreateDirectory(u"\\Ke\u0161ky", nullptr));
  HANDLE file = Open(u"\\Ke\u0161ky\\" + name, GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CeCloseHandle(file);
  EXPECT_TRUE(std::filesystem::exists(device / "Kešky/Koň červený 😀.mht"));
  EXPECT_EQ(Names(u"\\Ke\u0161ky\\*"), std::vector<std::u16string>{name});
  // An unpaired surrogate cannot be a name on disk.
  const char16_t broken[] = {u'\\', 0xD800, u'a', 0};
  EXPECT_EQ(Open(broken, GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeGetLastError(), ERROR_INVALID_NAME);
}

TEST_F(FolderDevice, PathsNeverLeaveTheRoot) {
  TempDir outside;
  TempDir::Write(outside / "secret.txt", "keep");
  std::filesystem::create_directory_symlink(outside.path(), device / "out");
  std::filesystem::create_symlink(outside / "secret.txt", device / "secret.txt");
  std::filesystem::create_symlink(outside / "new.txt", device / "dangling.txt");
  std::filesystem::create_directories(device / "in");
  const std::u16string escapes[] = {
      u"\\..\\secret.txt", u"\\in\\..\\..\\x", u"\\in\\..\\inside.txt", u"\\out\\secret.txt",
      u"\\secret.txt",     u"\\dangling.txt",  u"\\out\\new.txt"};
  for (const std::u16string& path : escapes) {
    EXPECT_EQ(Open(path, GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CeGetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(CeDeleteFile(path.c_str()));
    EXPECT_EQ(CeGetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(CeCreateDirectory(path.c_str(), nullptr));
    EXPECT_EQ(CeGetLastError(), ERROR_ACCESS_DENIED);
  }
  EXPECT_FALSE(CeRemoveDirectory(u"\\out"));
  EXPECT_EQ(DeviceFolder::FindError(u"\\out\\*"), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(CeRemoveDirectory(u"\\"));
  EXPECT_EQ(TempDir::Read(outside / "secret.txt"), "keep");
  EXPECT_FALSE(std::filesystem::exists(outside / "new.txt"));
  EXPECT_TRUE(std::filesystem::exists(device.root()));
  // Links that leave the root are not part of the handheld; links inside it are.
  std::filesystem::create_symlink("in", device / "alias");
  EXPECT_EQ(Names(u"\\*"), (std::vector<std::u16string>{u"alias", u"in"}));
}

TEST_F(FolderDevice, EntriesThatAreNeitherFilesNorFoldersAreLeftOutAndNeverBlock) {
  TempDir::Write(device / "f.txt", "x");
  ASSERT_EQ(::mkfifo((device / "pipe").c_str(), 0666), 0);
  std::filesystem::create_symlink("pipe", device / "to-pipe");
  EXPECT_EQ(Names(u"\\*"), std::vector<std::u16string>{u"f.txt"});
  for (const char16_t* path : {u"\\pipe", u"\\to-pipe"}) {
    for (DWORD access : {GENERIC_READ, GENERIC_WRITE}) {
      for (DWORD disposition : {OPEN_EXISTING, OPEN_ALWAYS, CREATE_ALWAYS}) {
        EXPECT_EQ(Open(path, access, disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(CeGetLastError(), ERROR_ACCESS_DENIED);
      }
    }
  }
  struct stat st {};
  ASSERT_EQ(::stat((device / "pipe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(FolderDevice, MoveRenamesTheEntryItselfAndNeverOverwrites) {
  TempDir::Write(device / "a.txt", "a");
  TempDir::Write(device / "b.txt", "b");
  std::filesystem::create_directories(device / "dir");
  std::filesystem::create_symlink("a.txt", device / "link");
  EXPECT_FALSE(CeMoveFile(u"\\a.txt", u"\\B.TXT"));
  EXPECT_EQ(CeGetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CeMoveFile(u"\\none", u"\\c.txt"));
  EXPECT_EQ(CeGetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(CeMoveFile(u"\\a.txt", u"\\..\\a.txt"));
  EXPECT_EQ(CeGetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(CeMoveFile(u"\\link", u"\\dir\\link"));
  EXPECT_TRUE(CeMoveFile(u"\\A.txt", u"\\dir\\c.txt"));
  EXPECT_EQ(TempDir::Read(device / "dir/c.txt"), "a");
  EXPECT_TRUE(std::filesystem::is_symlink(device / "dir/link"));
  EXPECT_EQ(TempDir::Read(device / "b.txt"), "b");
  EXPECT_FALSE(std::filesystem::exists(device / "a.txt"));
}

TEST_F(FolderDevice, ReplacePutsTheNewFileOverItsTargetUnderTheTargetsName) {
  TempDir::Write(device / "d/x", "old");
  TempDir::Write(device / "d/x.~vireska", "new");
  EXPECT_TRUE(DeviceFolder::Replace(u"\\d\\x.~vireska", u"\\d\\x"));
  TempDir::Write(device / "d/y.~vireska", "fresh");
  EXPECT_TRUE(DeviceFolder::Replace(u"\\d\\y.~vireska", u"\\d\\y"));
  // A target in another case keeps the name the folder has.
  TempDir::Write(device / "d/wpt.txt", "old");
  TempDir::Write(device / "d/WPT.TXT.~vireska", "wpt");
  EXPECT_TRUE(DeviceFolder::Replace(u"\\D\\WPT.TXT.~vireska", u"\\D\\WPT.TXT"));
  EXPECT_EQ(TempDir::Names(device / "d"), (std::vector<std::string>{"wpt.txt", "x", "y"}));
  EXPECT_EQ(TempDir::Read(device / "d/x"), "new");
  EXPECT_EQ(TempDir::Read(device / "d/y"), "fresh");
  EXPECT_EQ(TempDir::Read(device / "d/wpt.txt"), "wpt");
}

TEST_F(FolderDevice, ReplaceRefusesAndTouchesNothing) {
  TempDir::Write(device / "new", "new");
  TempDir::Write(device / "ro.txt", "keep");
  ::chmod((device / "ro.txt").c_str(), 0444);
  TempDir::Write(device / "t.txt", "keep");
  std::filesystem::create_directories(device / "dir/sub");
  std::filesystem::create_symlink("new", device / "link");
  const struct {
    const char16_t *from, *to;
    DWORD error;
  } refused[] = {
      {u"\\new", u"\\dir", ERROR_ACCESS_DENIED},
      {u"\\new", u"\\ro.txt", ERROR_ACCESS_DENIED},
      {u"\\dir\\sub", u"\\dir\\t.txt", ERROR_ACCESS_DENIED},
      {u"\\link", u"\\t.txt", ERROR_ACCESS_DENIED},
      {u"\\new", u"\\..\\t.txt", ERROR_ACCESS_DENIED},
      {u"\\none", u"\\t.txt", ERROR_FILE_NOT_FOUND},
      {u"\\new", u"\\dir\\t.txt", folder_device::kReplaceNotSameFolder},
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(DeviceFolder::Replace(c.from, c.to)) << std::string(c.to, c.to + 3);
    EXPECT_EQ(CeGetLastError(), c.error);
  }
  DeviceFolder::Fail("VireskaReplaceFile=112");
  EXPECT_FALSE(DeviceFolder::Replace(u"\\new", u"\\t.txt"));
  EXPECT_EQ(CeGetLastError(), 112u);
  DeviceFolder::Fail("");
  CeRapiUninit();
  EXPECT_FALSE(DeviceFolder::Replace(u"\\new", u"\\t.txt"));
  EXPECT_EQ(CeGetLastError(), ERROR_NOT_READY);
  EXPECT_EQ(TempDir::Names(device.root()),
            (std::vector<std::string>{"dir", "link", "new", "ro.txt", "t.txt"}));
  EXPECT_EQ(TempDir::Read(device / "t.txt"), "keep");
  EXPECT_EQ(TempDir::Read(device / "ro.txt"), "keep");
  EXPECT_TRUE(std::filesystem::is_directory(device / "dir/sub"));
}

// A folder swapped for a link to outside and back while the library works in it: with the
// kernel's confinement and with the walk of kernels without it, nothing ever lands outside.
TEST_F(FolderDevice, AFolderSwappedForALinkNeverLeadsOutside) {
  TempDir outside;
  for (const char* walk : {"0", "1"}) {
    SCOPED_TRACE(walk);
    ::setenv(folder_device::kNoOpenat2Variable, walk, 1);
    std::filesystem::create_directories(device / "d");
    std::atomic<bool> done{false};
    std::thread swapper([&] {
      const auto d = device / "d", parked = device / "parked";
      std::error_code ec;
      while (!done) {
        std::filesystem::rename(d, parked, ec);
        std::filesystem::create_directory_symlink(outside.path(), d, ec);
        std::filesystem::remove(d, ec);
        std::filesystem::rename(parked, d, ec);
      }
    });
    for (int i = 0; i < 400; ++i) {
      HANDLE file = Open(u"\\d\\x.txt", GENERIC_WRITE, CREATE_ALWAYS);
      if (file != INVALID_HANDLE_VALUE) CeCloseHandle(file);
      CeCreateDirectory(u"\\d\\sub", nullptr);
      CeMoveFile(u"\\d\\x.txt", u"\\d\\y.txt");
      CeDeleteFile(u"\\d\\y.txt");
      CeRemoveDirectory(u"\\d\\sub");
      DeviceFolder::FindError(u"\\d\\*");
    }
    done = true;
    swapper.join();
    EXPECT_TRUE(std::filesystem::is_empty(outside.path()));
    std::filesystem::remove_all(device / "d");
    std::filesystem::remove_all(device / "parked");
  }
  ::unsetenv(folder_device::kNoOpenat2Variable);
}

TEST_F(FolderDevice, FilesOpenAsTheDispositionsSay) {
  TempDir::Write(device / "f.txt", "abcdefghij");
  HANDLE file = Open(u"\\f.txt", GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD high = 7;
  EXPECT_EQ(CeGetFileSize(file, &high), 10u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(CeGetLastError(), NO_ERROR);
  char byte;
  DWORD count = 9;
  EXPECT_FALSE(CeWriteFile(file, "x", 1, &count, nullptr));
  EXPECT_EQ(CeGetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(ReadAll(file), "abcdefghij");
  EXPECT_TRUE(CeReadFile(file, &byte, 1, &count, nullptr));  // at the end: success, 0 bytes
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(CeCloseHandle(file));
  EXPECT_FALSE(CeCloseHandle(file));
  EXPECT_EQ(CeGetLastError(), ERROR_INVALID_HANDLE);

  EXPECT_EQ(Open(u"\\none.txt", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeGetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Open(u"\\nodir\\none.txt", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeGetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(std::filesystem::exists(device / "none.txt"));

  file = Open(u"\\f.txt", GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeGetLastError(), ERROR_ALREADY_EXISTS);  // it existed: truncated
  EXPECT_TRUE(CeWriteFile(file, "new", 3, &count, nullptr));
  EXPECT_EQ(count, 3u);
  CeCloseHandle(file);
  EXPECT_EQ(TempDir::Read(device / "f.txt"), "new");

  std::filesystem::create_directories(device / "dir");
  EXPECT_EQ(Open(u"\\dir", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeGetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Open(u"\\d*r", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeGetLastError(), ERROR_INVALID_NAME);
}

TEST_F(FolderDevice, SizesOfFourGibibytesAndMoreKeepTheirHighWord) {
  const auto file = device / "big.bin";
  TempDir::Write(file, "");
  std::filesystem::resize_file(file, (5ull << 30) + 3);  // sparse: nothing is written
  std::vector<Entry> entries = List(u"\\big.bin");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].size, (5ull << 30) + 3);
  HANDLE handle = Open(u"\\big.bin", GENERIC_READ, OPEN_EXISTING);
  DWORD high = 0;
  EXPECT_EQ(CeGetFileSize(handle, &high), (1u << 30) + 3);
  EXPECT_EQ(high, 1u);
  CeCloseHandle(handle);
}

TEST_F(FolderDevice, ReadOnlyFilesRefuseWritingAndDeletingEvenForRoot) {
  TempDir::Write(device / "ro.txt", "keep");
  ::chmod((device / "ro.txt").c_str(), 0444);
  EXPECT_EQ(Open(u"\\ro.txt", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeGetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(CeDeleteFile(u"\\ro.txt"));
  EXPECT_EQ(CeGetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(TempDir::Read(device / "ro.txt"), "keep");
}

TEST_F(FolderDevice, DirectoriesAreCreatedAndOnlyEmptyOnesRemoved) {
  EXPECT_TRUE(CeCreateDirectory(u"\\New", nullptr));
  EXPECT_TRUE(std::filesystem::is_directory(device / "New"));
  EXPECT_FALSE(CeCreateDirectory(u"\\New", nullptr));
  EXPECT_EQ(CeGetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CeCreateDirectory(u"\\a\\b", nullptr));
  EXPECT_EQ(CeGetLastError(), ERROR_PATH_NOT_FOUND);

  TempDir::Write(device / "New/f.txt", "");
  EXPECT_FALSE(CeRemoveDirectory(u"\\New"));
  EXPECT_EQ(CeGetLastError(), ERROR_DIR_NOT_EMPTY);
  EXPECT_FALSE(CeRemoveDirectory(u"\\New\\f.txt"));
  EXPECT_FALSE(CeDeleteFile(u"\\New"));
  EXPECT_EQ(CeGetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(CeDeleteFile(u"\\New\\f.txt"));
  EXPECT_FALSE(CeDeleteFile(u"\\New\\f.txt"));
  EXPECT_EQ(CeGetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(CeRemoveDirectory(u"\\new"));
  EXPECT_FALSE(std::filesystem::exists(device / "New"));
  EXPECT_FALSE(CeRemoveDirectory(u"\\New"));
  EXPECT_EQ(CeGetLastError(), ERROR_FILE_NOT_FOUND);

  // Removing a link to a folder removes the link only.
  std::filesystem::create_directories(device / "real");
  std::filesystem::create_directory_symlink("real", device / "link");
  EXPECT_TRUE(CeRemoveDirectory(u"\\link"));
  EXPECT_TRUE(std::filesystem::is_directory(device / "real"));
  EXPECT_FALSE(std::filesystem::is_symlink(device / "link"));
}

TEST_F(FolderDevice, FileWorkNeedsAnOpenLinkAndTheLinkOwnsItsHandles) {
  TempDir::Write(device / "f.txt", "abc");
  HANDLE file = Open(u"\\f.txt", GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeRapiUninit(), S_OK);
  char buffer[4];
  DWORD got = 5;
  EXPECT_FALSE(CeReadFile(file, buffer, 3, &got, nullptr));
  EXPECT_EQ(CeGetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(Open(u"\\f.txt", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeGetLastError(), ERROR_NOT_READY);
  EXPECT_EQ(DeviceFolder::FindError(u"\\*"), ERROR_NOT_READY);
  EXPECT_FALSE(CeCreateDirectory(u"\\x", nullptr));
  EXPECT_EQ(CeRapiUninit(), S_OK);  // harmless when closed
  EXPECT_EQ(CeRapiInit(), S_OK);
  EXPECT_EQ(CeRapiInit(), CERAPI_E_ALREADYINITIALIZED);
  EXPECT_EQ(DeviceFolder::FindError(u"\\*"), 0u);
}

TEST_F(FolderDevice, NoRootFolderMeansNoHandheld) {
  CeRapiUninit();
  device.Unplug();
  EXPECT_EQ(CeRapiInit(), E_FAIL);
  EXPECT_EQ(DeviceFolder::FindError(u"\\*"), ERROR_NOT_READY);
}

// VIRESKA_PDA_DEFAULT_ROOT (tests, a run from the command line) serves when no folder is named.
TEST_F(FolderDevice, TheProgramsDefaultFolderServesWhenNoFolderIsNamed) {
  CeRapiUninit();
  TempDir::Write(device / "x.txt", "x");
  ::unsetenv(folder_device::kRootVariable);
  ::setenv(folder_device::kDefaultRootVariable, device.root().c_str(), 1);
  EXPECT_EQ(CeRapiInit(), S_OK);
  EXPECT_EQ(Names(u"\\*"), std::vector<std::u16string>{u"x.txt"});
  CeRapiUninit();
  device.Unplug();
  EXPECT_EQ(CeRapiInit(), E_FAIL);
  ::unsetenv(folder_device::kDefaultRootVariable);
}

TEST_F(FolderDevice, ConnectionEventIsAPollableDescriptorSignalledWithTheResult) {
  RAPIINIT init{};
  init.cbSize = 12;  // a record of another layout is refused
  EXPECT_EQ(CeRapiInitEx(&init), E_INVALIDARG);
  EXPECT_EQ(init.heRapiInit, nullptr);

  for (bool present : {true, false}) {
    CeRapiUninit();
    if (!present) device.Unplug();
    init = RAPIINIT{};
    init.cbSize = sizeof init;
    init.hrRapiInit = 12345;
    EXPECT_EQ(CeRapiInitEx(&init), S_OK);
    const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(init.heRapiInit));
    ASSERT_GT(fd, 0);
    pollfd p{fd, POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 5000), 1);
    EXPECT_EQ(init.hrRapiInit, present ? S_OK : E_FAIL);
    EXPECT_EQ(DeviceFolder::FindError(u"\\*"), present ? ERROR_FILE_NOT_FOUND : ERROR_NOT_READY);
    ::close(fd);
  }
}

TEST_F(FolderDevice, InjectedFailuresHitTheNamedStepFromItsKthCall) {
  TempDir::Write(device / "f.txt", std::string(20, 'x'));
  DeviceFolder::Fail("CeReadFile=31@2,CeDeleteFile=112");
  EXPECT_EQ(CeRapiInit(), CERAPI_E_ALREADYINITIALIZED);  // counting starts again here
  HANDLE file = Open(u"\\f.txt", GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char buffer[8];
  DWORD got = 0;
  EXPECT_TRUE(CeReadFile(file, buffer, 8, &got, nullptr));
  EXPECT_EQ(got, 8u);
  EXPECT_FALSE(CeReadFile(file, buffer, 8, &got, nullptr));
  EXPECT_EQ(CeGetLastError(), 31u);
  EXPECT_FALSE(CeReadFile(file, buffer, 8, &got, nullptr));
  CeCloseHandle(file);
  EXPECT_FALSE(CeDeleteFile(u"\\f.txt"));
  EXPECT_EQ(CeGetLastError(), 112u);
  EXPECT_TRUE(std::filesystem::exists(device / "f.txt"));  // a failing step does nothing

  DeviceFolder::Fail("CeRapiInit=1167");
  CeRapiUninit();
  EXPECT_EQ(CeRapiInit(), static_cast<HRESULT>(0x8007048Fu));
  EXPECT_EQ(DeviceFolder::FindError(u"\\*"), ERROR_NOT_READY);
}

// The exit code of a child process that does the work; 0 when the work returns.
int ExitCodeOf(const std::function<void()>& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    work();
    ::_exit(0);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(FolderDevice, TheNamedStepsKthCallEndsTheProcessBeforeItActs) {
  TempDir::Write(device / "x", "old");
  TempDir::Write(device / "x.~vireska", "new");
  EXPECT_EQ(ExitCodeOf([] {
              ::setenv(folder_device::kExitAtVariable, "CeWriteFile@2", 1);
              CeRapiInit();                                    // counting starts again here
              DeviceFolder::Replace(u"\\x.~vireska", u"\\y");  // another step: goes on
              HANDLE file =
                  CeCreateFile(u"\\w.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
              DWORD written = 0;
              CeWriteFile(file, "ab", 2, &written, nullptr);
              CeWriteFile(file, "cd", 2, &written, nullptr);
            }),
            folder_device::kExitAtCode);
  EXPECT_EQ(TempDir::Read(device / "w.txt"), "ab");
  EXPECT_EQ(TempDir::Read(device / "y"), "new");

  TempDir::Write(device / "x.~vireska", "newer");
  EXPECT_EQ(ExitCodeOf([] {
              ::setenv(folder_device::kExitAtVariable, "VireskaReplaceFile", 1);
              DeviceFolder::Replace(u"\\x.~vireska", u"\\x");
            }),
            folder_device::kExitAtCode);
  EXPECT_EQ(TempDir::Read(device / "x"), "old");
  EXPECT_EQ(TempDir::Read(device / "x.~vireska"), "newer");
}

// Whether the thread sleeps (the library's write delay): asked of the kernel, not guessed.
bool Sleeps(pid_t thread) {
  std::ifstream in("/proc/self/task/" + std::to_string(thread) + "/syscall");
  long number = -1;
  return in >> number && number == SYS_clock_nanosleep;
}

// The descriptor open on that file.
int DescriptorOf(const std::filesystem::path& file) {
  struct stat wanted {
  }, st{};
  if (::stat(file.c_str(), &wanted) != 0) return -1;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    const int fd = std::stoi(entry.path().filename().string());
    if (::fstat(fd, &st) == 0 && st.st_dev == wanted.st_dev && st.st_ino == wanted.st_ino)
      return fd;
  }
  return -1;
}

// A write still at work when its handle closes must not land in a file opened meanwhile under
// the descriptor's number; the write's return closes the descriptor.
TEST_F(FolderDevice, AHandleClosedDuringAWriteKeepsItsDescriptorTillTheWriteReturns) {
  using testsupport::Descriptors;
  const auto before = testsupport::OpenDescriptors(Descriptors::FilesAndFolders);
  HANDLE file = Open(u"\\mine.txt", GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const int number = DescriptorOf(device / "mine.txt");
  ASSERT_GE(number, 0);
  DeviceFolder::WriteDelay(300);
  std::atomic<pid_t> writer{0};
  std::atomic<bool> done{false};
  BOOL wrote = FALSE;
  std::thread writing([&] {
    writer = ::gettid();
    DWORD count = 0;
    wrote = CeWriteFile(file, "late", 4, &count, nullptr);
    done = true;
  });
  while (!done && !Sleeps(writer)) std::this_thread::yield();
  EXPECT_TRUE(CeCloseHandle(file));
  // The lowest free number from the write's on: its own when the close freed it.
  const int opened = ::open((device / "other.txt").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  const int other = ::fcntl(opened, F_DUPFD_CLOEXEC, number);
  ::close(opened);
  writing.join();
  ::close(other);
  EXPECT_TRUE(wrote);
  EXPECT_EQ(TempDir::Read(device / "mine.txt"), "late");
  EXPECT_EQ(TempDir::Read(device / "other.txt"), "");
  EXPECT_EQ(testsupport::OpenDescriptors(Descriptors::FilesAndFolders), before);
}

TEST_F(FolderDevice, DelaysHoldUpTheConnectionAndEveryWrite) {
  using Clock = std::chrono::steady_clock;
  CeRapiUninit();
  DeviceFolder::ConnectDelay(150);
  auto start = Clock::now();
  EXPECT_EQ(CeRapiInit(), S_OK);
  EXPECT_GE(MsSince(start), 150);

  DeviceFolder::WriteDelay(100);
  HANDLE file = Open(u"\\w.txt", GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  start = Clock::now();
  EXPECT_TRUE(CeWriteFile(file, "ab", 2, &written, nullptr));
  EXPECT_TRUE(CeWriteFile(file, "c", 1, &written, nullptr));
  EXPECT_GE(MsSince(start), 200);
  CeCloseHandle(file);
  EXPECT_EQ(TempDir::Read(device / "w.txt"), "abc");
}

}  // namespace
