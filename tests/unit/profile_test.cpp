#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace {

class Profile : public ::testing::Test {
 protected:
  TempDir dir;
  std::filesystem::path file = dir / "Vireska.ini";
};

TEST_F(Profile, ReadsWithWindowsMatchingRules) {
  TempDir::Write(file,
                 "; comment\r\n[LastCesty]\r\n  PC = /home/u \r\nPDA=\r\n"
                 "[lastcesty]\r\nPC=second\r\n[Other]\r\nx=1\r\n");
  EXPECT_EQ(ReadProfileString(file, "LASTCESTY", "pc", "def"), "/home/u");
  EXPECT_EQ(ReadProfileString(file, "LastCesty", "PDA", "def"), "");  // present, empty
  EXPECT_EQ(ReadProfileString(file, "LastCesty", "Missing", "def"), "def");
  EXPECT_EQ(ReadProfileString(file, "Nowhere", "x", "def"), "def");
  EXPECT_EQ(ReadProfileString(dir / "absent.ini", "Other", "x", "def"), "def");
}

TEST_F(Profile, ValuesAreTakenAsTheyStandWithoutQuoting) {
  TempDir::Write(file, "[S]\nq=\"quoted\"\nsemi=a;b\n");
  EXPECT_EQ(ReadProfileString(file, "S", "q", ""), "\"quoted\"");
  EXPECT_EQ(ReadProfileString(file, "S", "semi", ""), "a;b");
}

TEST_F(Profile, WriteReplacesInPlaceAndKeepsEveryOtherLineByteForByte) {
  const std::string before =
      "; my notes \xE8\r\n[Prihlasovanie]\r\nusername=old\r\n\r\n[Kdeukladatdata]\nCesta=/x\n";
  TempDir::Write(file, before);
  WriteProfileString(file, "prihlasovanie", "USERNAME", "nov\xFD");
  EXPECT_EQ(
      TempDir::Read(file),
      "; my notes \xE8\r\n[Prihlasovanie]\r\nUSERNAME=nov\xFD\r\n\r\n[Kdeukladatdata]\nCesta=/x\n");
}

TEST_F(Profile, NewKeyGoesToTheEndOfItsSectionAndNewSectionToTheEndOfTheFile) {
  TempDir::Write(file, "[A]\r\nx=1\r\n\r\n[B]\r\ny=2");
  WriteProfileString(file, "A", "z", "3");
  WriteProfileString(file, "C", "k", "v");
  EXPECT_EQ(TempDir::Read(file), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n[C]\r\nk=v\r\n");
}

mode_t ModeOf(const std::filesystem::path& file) {
  struct stat st {};
  EXPECT_EQ(::stat(file.c_str(), &st), 0);
  return st.st_mode & 07777;
}

TEST_F(Profile, EveryWriteLeavesAFileOnlyItsOwnerCanRead) {
  WriteProfileString(file, "Prihlasovanie", "password", "tajne");
  EXPECT_EQ(TempDir::Read(file), "[Prihlasovanie]\r\npassword=tajne\r\n");
  EXPECT_EQ(ModeOf(file), 0600u);
  for (mode_t before : {0644u, 0666u, 0700u}) {
    ASSERT_EQ(::chmod(file.c_str(), before), 0);
    WriteProfileString(file, "Prihlasovanie", "password", "ine");
    EXPECT_EQ(ModeOf(file), 0600u) << std::oct << before;
  }
  // The old fixed temporary name is neither followed nor left behind.
  std::filesystem::create_symlink(dir / "planted", dir / "Vireska.ini.tmp~");
  WriteProfileString(file, "A", "x", "1");
  EXPECT_FALSE(std::filesystem::exists(dir / "planted"));
  EXPECT_EQ(TempDir::Names(dir.path()),
            (std::vector<std::string>{"Vireska.ini", "Vireska.ini.tmp~"}));
}

TEST_F(Profile, LinkedSettingsFileIsWrittenAtItsTargetAndStaysALink) {
  const auto elsewhere = dir / "kept" / "mine.ini";
  TempDir::Write(elsewhere, "[A]\r\nx=1\r\n");
  ASSERT_EQ(::chmod(elsewhere.c_str(), 0644), 0);
  std::filesystem::create_symlink("kept/mine.ini", file);
  WriteProfileString(file, "A", "x", "2");
  EXPECT_TRUE(std::filesystem::is_symlink(file));
  EXPECT_EQ(TempDir::Read(elsewhere), "[A]\r\nx=2\r\n");
  EXPECT_EQ(ModeOf(elsewhere), 0600u);
  EXPECT_EQ(TempDir::Names(dir / "kept"), std::vector<std::string>{"mine.ini"});
  EXPECT_EQ(ReadProfileString(file, "A", "x", ""), "2");

  // The file the link names is not made yet: the write makes it, the link stays.
  std::filesystem::remove(elsewhere);
  WriteProfileString(file, "A", "x", "3");
  EXPECT_TRUE(std::filesystem::is_symlink(file));
  EXPECT_EQ(TempDir::Read(elsewhere), "[A]\r\nx=3\r\n");
  EXPECT_EQ(ModeOf(elsewhere), 0600u);
}

// A folder name with line breaks must not bring a section or a key of its own: the login would
// post the password to the address it names.
TEST_F(Profile, ValueCannotAddLinesSectionsOrKeys) {
  TempDir::Write(file, "[Weby]\r\nsk=http://127.0.0.1:8080\r\n[LastCesty]\r\nPDA=\\\r\n");
  using namespace std::string_literals;
  const std::string hostile = "mapy\r\n[Weby]\nsk=http://elsewhere\rcom=x\0end"s;
  WriteProfileString(file, "LastCesty", "PC", hostile);
  EXPECT_EQ(ReadProfileString(file, "LastCesty", "PC", "-"),
            "mapy??[Weby]?sk=http://elsewhere?com=x?end");
  EXPECT_EQ(ReadProfileString(file, "Weby", "sk", "-"), "http://127.0.0.1:8080");
  EXPECT_EQ(ReadProfileString(file, "Weby", "com", "-"), "-");
  EXPECT_EQ(ReadProfileString(file, "LastCesty", "PDA", "-"), "\\");
  // A lone CR written by another program ends its line for the reader too.
  TempDir::Write(file, "[Weby]\r\nsk=http://a\rcom=http://b\r\n");
  EXPECT_EQ(ReadProfileString(file, "Weby", "sk", "-"), "http://a");
  EXPECT_EQ(ReadProfileString(file, "Weby", "com", "-"), "http://b");
}

TEST_F(Profile, UnwritableFileRaisesTheMessageAndKeepsItsContent) {
  TempDir::Write(file, "[A]\r\nx=1\r\n");
  std::filesystem::permissions(
      file, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  try {
    WriteProfileString(file, "A", "x", "2");
    FAIL() << "no error raised";
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Message(), "Unable to write to " + file.string());
  }
  EXPECT_EQ(TempDir::Read(file), "[A]\r\nx=1\r\n");

  const auto missingFolder = dir / "no-such-folder" / "Vireska.ini";
  EXPECT_THROW(WriteProfileString(missingFolder, "A", "x", "1"), PlatformError);
}

// Runs work on a thread that has given up root's right to pass over file permissions, so a file
// its owner may not read cannot be read there even when the tests run as root.
template <class Work>
void WithoutOverride(Work work) {
  std::exception_ptr failure;
  std::thread([&] {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, caps) == 0) {
      caps[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
      ::syscall(SYS_capset, &header, caps);
    }
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
  }).join();
  if (failure) std::rethrow_exception(failure);
}

// Writing the one new value alone would wipe every other setting (the login among them).
TEST_F(Profile, FileThatCannotBeReadIsLeftAsItWas) {
  const std::string before = "[A]\r\nx=1\r\n[Prihlasovanie]\r\npassword=tajne\r\n";
  TempDir::Write(file, before);
  ASSERT_EQ(::chmod(file.c_str(), 0200), 0);
  try {
    WithoutOverride([&] { WriteProfileString(file, "A", "x", "2"); });
    FAIL() << "no error raised";
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.Message(), Utf8ToAnsi("Súbor nastavení " + file.string() +
                                      " sa nedá prečítať (prístup zamietnutý), preto doň "
                                      "nezapisujem."));
  }
  EXPECT_EQ(TempDir::Read(file), before);
  EXPECT_EQ(ModeOf(file), 0200u);

  // Links in a loop cannot be read either, and stay links.
  std::filesystem::remove(file);
  std::filesystem::create_symlink("loop", file);
  std::filesystem::create_symlink("Vireska.ini", dir / "loop");
  EXPECT_THROW(WriteProfileString(file, "A", "x", "2"), PlatformError);
  EXPECT_THROW(WriteProfileFile(file, before), PlatformError);
  EXPECT_TRUE(std::filesystem::is_symlink(file));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "loop"));
  EXPECT_EQ(TempDir::Names(dir.path()), (std::vector<std::string>{"Vireska.ini", "loop"}));
}

}  // namespace
