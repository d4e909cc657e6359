// The folder handheld over a real FAT file system, as a memory card has: a FAT image mounted in
// user space (dosfstools and fusefat). Where the machine has no FUSE the tests skip and say why.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "device/transfer.h"
#include "device/volumes.h"
#include "platform/paths.h"
#include "platform/state.h"
#include "support/device_folder.h"
#include "support/scripted_ui.h"

namespace {

bool Quiet(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}
std::string Quoted(const std::filesystem::path& path) {
  return "'" + path.string() + "'";
}

class FatCard : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
      GTEST_SKIP() << "no usable /dev/fuse: a FAT image cannot be mounted on this machine";
    if (!Quiet("command -v mkfs.vfat") || !Quiet("command -v fusefat") ||
        !Quiet("command -v fusermount"))
      GTEST_SKIP() << "mkfs.vfat, fusefat or fusermount missing (scripts/setup.sh installs them)";
    const std::filesystem::path image = work / "card.img";
    std::filesystem::create_directory(card);
    TempDir::Write(image, "");
    std::filesystem::resize_file(image, 16u << 20);
    if (!Quiet("mkfs.vfat " + Quoted(image))) GTEST_SKIP() << "mkfs.vfat could not make the image";
    if (!Quiet("fusefat -o rw+ " + Quoted(image) + " " + Quoted(card)))
      GTEST_SKIP() << "fusefat could not mount the image (FUSE not permitted here?)";
    mounted = true;
    truncates = TruncatesInPlace(card);
    ::setenv(folder_device::kRootVariable, card.c_str(), 1);
    ASSERT_EQ(CeRapiInit(), S_OK);
  }
  void TearDown() override {
    CeRapiUninit();
    if (mounted) Quiet("fusermount -u " + Quoted(card) + " || fusermount -uz " + Quoted(card));
    ResetSharedState();
  }
  static std::vector<std::u16string> Names(const std::u16string& pattern) {
    std::vector<std::u16string> names;
    CE_FIND_DATA record;
    HANDLE find = CeFindFirstFile(pattern.c_str(), &record);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(record.cFileName);
    while (CeFindNextFile(find, &record));
    CeFindClose(find);
    return names;
  }
  // Whether the driver shortens a file it has served when it is opened for rewriting.
  static bool TruncatesInPlace(const std::filesystem::path& dir) {
    const std::filesystem::path probe = dir / "probe.bin";
    TempDir::Write(probe, std::string(8192, 'x'));
    TempDir::Read(probe);
    TempDir::Write(probe, "y");
    const bool shortened = std::filesystem::file_size(probe) == 1;
    std::filesystem::remove(probe);
    return shortened;
  }
  AnsiString Pc(const std::string& name) const { return platform::FromNativePath(pc / name); }

  DeviceFolder device;  // the binding and the library; its own folder is not used
  TempDir work, pc;
  const std::filesystem::path card = work / "card";
  bool mounted = false;
  bool truncates = true;
  ScriptedUi ui;
};

TEST_F(FatCard, ListsCopiesBothWaysAndCreatesAndRemovesFolders) {
  CeCreateDirectory(u"\\Storage Card", nullptr);
  CeCreateDirectory(u"\\Storage Card\\MHT", nullptr);
  const std::string page(300'000, 'x');
  TempDir::Write(pc / "page.mht", page);
  CopyToDevice(Pc("page.mht"), "\\Storage Card\\MHT\\Cache page.mht");
  EXPECT_TRUE(TempDir::Read(card / "Storage Card/MHT/Cache page.mht") == page);
  CopyFromDevice("\\Storage Card\\MHT\\Cache page.mht", Pc("back.mht"));
  EXPECT_TRUE(TempDir::Read(pc / "back.mht") == page);
  EXPECT_EQ(Names(u"\\Storage Card\\MHT\\*"), std::vector<std::u16string>{u"Cache page.mht"});
  CeDeleteFile(u"\\Storage Card\\MHT\\Cache page.mht");
  CeRemoveDirectory(u"\\Storage Card\\MHT");
  EXPECT_EQ(Names(u"\\Storage Card\\*"), std::vector<std::u16string>{});
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(FatCard, ACopyReplacesAFileWholeAndLeavesNothingAside) {
  TempDir::Write(pc / "page.mht", std::string(300'000, 'x'));
  CopyToDevice(Pc("page.mht"), "\\page.mht");
  TempDir::Read(card / "page.mht");  // now in the page cache, as after a look at the card
  TempDir::Write(pc / "page.mht", "short");
  CopyToDevice(Pc("page.mht"), "\\page.mht");
  ASSERT_EQ(CeRapiInit(), S_OK);
  EXPECT_EQ(Names(u"\\*"), std::vector<std::u16string>{u"page.mht"});
  EXPECT_TRUE(ui.shown.empty());
  const auto size = std::filesystem::file_size(card / "page.mht");
  if (size != 5 && !truncates)
    GTEST_SKIP() << "this FAT driver does not truncate a file it has served (" << size
                 << " bytes left): a copy that rewrites the target in place keeps the old tail "
                    "here; one written aside and renamed into place does not";
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(TempDir::Read(card / "page.mht"), "short");
}

TEST_F(FatCard, NamesThatDifferOnlyInCaseAreOneName) {
  CeCreateDirectory(u"\\Storage Card", nullptr);
  TempDir::Write(pc / "a.wpt", "first");
  CopyToDevice(Pc("a.wpt"), "\\Storage Card\\Kese.wpt");
  TempDir::Write(pc / "a.wpt", "second");
  ASSERT_EQ(CeRapiInit(), S_OK);
  CopyToDevice(Pc("a.wpt"), "\\STORAGE CARD\\KESE.WPT");
  ASSERT_EQ(CeRapiInit(), S_OK);
  EXPECT_EQ(Names(u"\\storage card\\*").size(), 1u);
  EXPECT_EQ(TempDir::Read(card / "Storage Card/Kese.wpt"), "second");
  EXPECT_TRUE(ui.shown.empty());
}

// The driver finds a name in any case and renames over an existing file: the replace keeps the
// name the card has.
TEST_F(FatCard, AReplaceRenamesOverTheTargetAndKeepsTheCardsSpelling) {
  CeCreateDirectory(u"\\Storage Card", nullptr);
  TempDir::Write(card / "Storage Card/Kese.wpt", "old");
  TempDir::Write(card / "Storage Card/KESE.WPT.~vireska", "new");
  EXPECT_TRUE(
      DeviceFolder::Replace(u"\\STORAGE CARD\\KESE.WPT.~vireska", u"\\STORAGE CARD\\KESE.WPT"))
      << CeGetLastError();
  EXPECT_EQ(Names(u"\\Storage Card\\*"), std::vector<std::u16string>{u"Kese.wpt"});
  EXPECT_EQ(TempDir::Read(card / "Storage Card/Kese.wpt"), "new");
}

// A card's own driver may refuse names outside ASCII; then the copy must say so and leave
// nothing behind, never report success.
TEST_F(FatCard, SlovakNamesArriveWholeOrTheCopySaysItFailed) {
  const std::string utf8Name = "\xC5\xBDlt\xC3\xA1 ke\xC5\xA1ka.mht";  // "Žltá keška.mht"
  TempDir::Write(pc / "k.mht", "obsah");
  CopyToDevice(Pc("k.mht"), "\\\x8Elt\xE1 ke\x9Aka.mht");
  CeRapiInit();  // a failed copy leaves the link open
  const std::vector<std::u16string> names = Names(u"\\*");
  if (ui.shown.empty()) {
    EXPECT_EQ(names, std::vector<std::u16string>{u"\u017Dlt\u00E1 ke\u0161ka.mht"});
    EXPECT_EQ(TempDir::Read(card / utf8Name), "obsah");
  } else {
    EXPECT_EQ(ui.shown[0].text.rfind("Error", 0), 0u) << ui.shown[0].text;
    EXPECT_TRUE(names.empty());
  }
}

TEST_F(FatCard, TheDeviceListFindsTheMountedCardWithItsFreeSpace) {
  const std::vector<DeviceVolume> found =
      DeviceVolumes(SystemVolumes({work.path().string()}), {work.path().string()});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].folder, card.string());
  EXPECT_GT(found[0].freeBytes, 0);
}

}  // namespace
