#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST_F(Profile, FirstWriteCreatesAFileOnlyItsOwnerCanRead) {
  WriteProfileString(file, "Prihlasovanie", "password", "tajne");
  EXPECT_EQ(TempDir::Read(file), "[Prihlasovanie]\r\npassword=tajne\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_FALSE(std::filesystem::exists(dir / "Vireska.ini.tmp~"));
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

}  // namespace
