#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace {

TEST(Paths, DriveLettersMapToTheirRoots) {
  TempDir d;
  platform::SetDriveRootsForTests({d.path()});
  EXPECT_EQ(platform::ToNativePath("c:\\"), std::filesystem::path("/"));
  EXPECT_EQ(platform::ToNativePath("C:\\etc\\x"), std::filesystem::path("/etc/x"));
  EXPECT_EQ(platform::ToNativePath("d:\\a\\b"), d.path() / "a/b");
  EXPECT_EQ(platform::DriveOf(d.path() / "a"), 'D');
  EXPECT_EQ(platform::DriveOf("/usr"), 'C');
  EXPECT_EQ(platform::JoinPcPath("/a/", "b"), "/a/b");
  EXPECT_EQ(platform::JoinPcPath("/a", "b"), "/a/b");
  platform::SetDriveRootsForTests({});
}

// An installed program's folder is read-only: the settings move to the user's configuration
// folder (an administrator's settings file beside the program starting them, once, readable by
// the user only) and the default handheld to the user's data folder.
TEST(WriteFolders, ReadOnlyProgramFolderMovesWhatTheProgramWritesToTheUsersFolders) {
  namespace fs = std::filesystem;
  TempDir program, user;
  platform::SetExecutableDir(program.path());
  const std::string preset = "[Kdeukladatdata]\r\nWPTsubor=/x/a.wpt\r\n";
  TempDir::Write(program / "Vireska.ini", preset);
  const fs::path config = user / "config/Vireska", data = user / "data/Vireska";

  platform::ChooseWriteFolders(false, config, data);
  EXPECT_EQ(platform::SettingsFolder(), config);
  EXPECT_EQ(platform::DefaultDeviceRoot(), data / "PDA");
  EXPECT_EQ(TempDir::Read(config / "Vireska.ini"), preset);
  EXPECT_EQ(fs::status(config / "Vireska.ini").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(fs::status(config).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(std::distance(fs::directory_iterator(config), {}), 1);  // no temporary left
  EXPECT_FALSE(fs::exists(data));  // the handheld folder is the user's to make

  // Only the first time: the user's own file is never replaced by the preset.
  TempDir::Write(config / "Vireska.ini", "[LastCesty]\r\nPC=/mine\r\n");
  platform::ChooseWriteFolders(false, config, data);
  EXPECT_EQ(TempDir::Read(config / "Vireska.ini"), "[LastCesty]\r\nPC=/mine\r\n");

  // No preset: nothing is written until the program writes its settings.
  fs::remove_all(user.path());
  fs::remove(program / "Vireska.ini");
  platform::ChooseWriteFolders(false, config, data);
  EXPECT_TRUE(fs::is_directory(config));
  EXPECT_FALSE(fs::exists(config / "Vireska.ini"));

  platform::ChooseWriteFolders(true, config, data);
  EXPECT_EQ(platform::SettingsFolder(), program.path());
  EXPECT_EQ(platform::DefaultDeviceRoot(), program.path() / "PDA");
  EXPECT_TRUE(platform::FolderWritable(program.path()));
  platform::SetExecutableDir({});
}

// A link where the user keeps the settings elsewhere: the preset goes where it points, even to a
// file not made yet, and the link stays.
TEST(WriteFolders, PresetGoesThroughTheUsersLink) {
  namespace fs = std::filesystem;
  TempDir program, user;
  platform::SetExecutableDir(program.path());
  TempDir::Write(program / "Vireska.ini", "[LastCesty]\r\nPC=/x\r\n");
  fs::permissions(program / "Vireska.ini", fs::perms(0644));
  const fs::path config = user / "config", kept = user / "kept/Vireska.ini";
  fs::create_directories(kept.parent_path());
  fs::create_directories(config);
  fs::create_symlink(kept, config / "Vireska.ini");

  platform::ChooseWriteFolders(false, config, user / "data");
  EXPECT_TRUE(fs::is_symlink(config / "Vireska.ini"));
  EXPECT_EQ(TempDir::Read(kept), "[LastCesty]\r\nPC=/x\r\n");
  EXPECT_EQ(fs::status(kept).permissions() & fs::perms::all, fs::perms(0600));
  EXPECT_EQ(TempDir::Names(config), std::vector<std::string>{"Vireska.ini"});
  platform::SetExecutableDir({});
}

// Another user who can change the preset could send the login to a site of their own.
TEST(WriteFolders, PresetAnotherUserCanChangeIsRefusedWithAMessage) {
  namespace fs = std::filesystem;
  TempDir program, user;
  platform::SetExecutableDir(program.path());
  const fs::path preset = program / "Vireska.ini", mine = user / "config/Vireska.ini";
  TempDir::Write(preset, "[Weby]\r\nsk=http://elsewhere\r\n");
  const AnsiString refused = Utf8ToAnsi("Predvolené nastavenia " + preset.string() +
                                        " nepoužívam: môže ich meniť iný používateľ. "
                                        "Začínam so základnými nastaveniami.");
  auto choose = [&](fs::perms mode, uid_t owner) {
    fs::remove_all(user.path() / "config");
    fs::permissions(preset, mode);
    if (::geteuid() == 0) {
      EXPECT_EQ(::chown(preset.c_str(), owner, 0), 0);
    }
    ScriptedUi ui;
    platform::ChooseWriteFolders(false, user / "config", user / "data");
    platform::ShowSettingsNotice();
    platform::ShowSettingsNotice();  // once
    return std::make_pair(fs::exists(mine), ui.Messages());
  };
  using Seen = std::pair<bool, std::vector<AnsiString>>;
  EXPECT_EQ(choose(fs::perms(0664), ::geteuid()), Seen(false, {refused}));
  EXPECT_EQ(choose(fs::perms(0646), ::geteuid()), Seen(false, {refused}));
  EXPECT_EQ(choose(fs::perms(0644), ::geteuid()), Seen(true, {}));
  if (::geteuid() == 0) {  // only root can give a file to another user
    EXPECT_EQ(choose(fs::perms(0644), 4321), Seen(false, {refused}));
    EXPECT_EQ(choose(fs::perms(0600), 0), Seen(true, {}));
  }
  platform::SetExecutableDir({});
}

}  // namespace
