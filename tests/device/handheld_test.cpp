// Which folder is the handheld: the program's choice through the library's own entry, the
// environment over it, the devices offered and the settings tab's hint.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "device/handheld.h"
#include "device/link.h"
#include "device/volumes.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "support/device_folder.h"

namespace {

class ChosenFolder : public ::testing::Test {
 protected:
  void SetUp() override { ::unsetenv(folder_device::kRootVariable); }
  void TearDown() override { rapi::SetDeviceRoot(""); }
  static bool Connects() {
    const bool connected = CeRapiInit() == S_OK;
    CeRapiUninit();
    return connected;
  }
  DeviceFolder device;  // loads the bundled library
  TempDir a, b;
};

TEST_F(ChosenFolder, TakesEffectAtTheNextConnectionAndTheEnvironmentOverridesIt) {
  ASSERT_TRUE(BindRemoteApi());
  EXPECT_TRUE(rapi::HasEntry(folder_device::kSetRootEntry));
  TempDir::Write(a / "in-a.txt", "a");
  rapi::SetDeviceRoot(a.path().string());
  ASSERT_EQ(CeRapiInit(), S_OK);
  EXPECT_EQ(DeviceFolder::FindError(u"\\in-a.txt"), 0u);
  CeRapiUninit();

  rapi::SetDeviceRoot(b.path().string());
  ASSERT_EQ(CeRapiInit(), S_OK);
  EXPECT_EQ(DeviceFolder::FindError(u"\\in-a.txt"), DWORD(ERROR_FILE_NOT_FOUND));
  CeRapiUninit();

  ::setenv(folder_device::kRootVariable, a.path().c_str(), 1);
  ASSERT_EQ(CeRapiInit(), S_OK);
  EXPECT_EQ(DeviceFolder::FindError(u"\\in-a.txt"), 0u);
  CeRapiUninit();
}

TEST_F(ChosenFolder, AFolderThatGoesAwayIsNoHandheldUntilItComesBack) {
  const std::filesystem::path card = a / "card";
  rapi::SetDeviceRoot(card.string());
  EXPECT_FALSE(Connects());
  std::filesystem::create_directory(card);
  EXPECT_TRUE(Connects());
  std::filesystem::remove(card);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ConnectDevice());
  EXPECT_LT(MsSince(start), kConnectTimeoutMs);  // answered at once, not by the time limit
  std::filesystem::create_directory(card);
  EXPECT_TRUE(Connects());
}

TEST_F(ChosenFolder, AnEmptySettingIsPdaBesideTheProgram) {
  platform::SetExecutableDir(a.path());
  EXPECT_EQ(DeviceFolderFor(QString()), a / "PDA");
  EXPECT_EQ(DeviceFolderFor(QStringLiteral("/media/x/SD KARTA")),
            std::filesystem::path("/media/x/SD KARTA"));
  UseDeviceFolder(QString());
  EXPECT_FALSE(Connects());
  std::filesystem::create_directory(a / "PDA");
  EXPECT_TRUE(Connects());
  platform::SetExecutableDir({});
}

// The settings file is code page 1250: what it holds stays as it always was, any other folder
// goes there as a file:// URL and comes back the same, never as "?".
TEST(FolderSetting, KeepsWhatTheCodePageHoldsAndAnyOtherFolderAsAUrl) {
  const AnsiString saved = "/media/jano/Ke\x9Aky";  // as today's and earlier files hold it
  EXPECT_EQ(DeviceFolderToSetting(QStringLiteral("/media/jano/Kešky")), saved);
  EXPECT_EQ(DeviceFolderFromSetting(saved), QStringLiteral("/media/jano/Kešky"));
  EXPECT_EQ(DeviceFolderFromSetting("e:\\PDA"), QStringLiteral("e:\\PDA"));
  EXPECT_EQ(DeviceFolderToSetting(QString()), "");

  const QString cyrillic = QStringLiteral("/media/jano/Кеші 100%");
  const AnsiString url = DeviceFolderToSetting(cyrillic);
  EXPECT_EQ(url, "file:///media/jano/%D0%9A%D0%B5%D1%88%D1%96%20100%25");
  EXPECT_EQ(DeviceFolderFromSetting(url), cyrillic);
  EXPECT_EQ(DeviceFolderFor(FromAnsi(url)), std::filesystem::path("/media/jano/Кеші 100%"));
  const QString japanese = QStringLiteral("/mnt/地図#1");
  EXPECT_EQ(DeviceFolderFromSetting(DeviceFolderToSetting(japanese)), japanese);
}

TEST(OtherLibrary, WithoutTheEntryTheChoiceIsNotAskedOf) {
  ::setenv("VIRESKA_RAPI", VIRESKA_TEST_STUB_RAPI, 1);
  rapi::ForgetLibraryForTests();
  ASSERT_TRUE(BindRemoteApi());
  EXPECT_FALSE(rapi::HasEntry(folder_device::kSetRootEntry));
  rapi::SetDeviceRoot("/nonexistent");
  CeRapiInit();  // the stub answers as it always does; nothing else is called
  rapi::SetDeviceRoot("");
  ::unsetenv("VIRESKA_RAPI");
  rapi::ForgetLibraryForTests();
}

TEST(DeviceList, OffersRemovableMediaAndPhonesOnly) {
  const std::vector<MountedVolume> mounted = {
      {"/", "", 100, true},
      {"/home", "", 100, true},
      {"/media", "", 1, true},  // the folder itself is no device
      {"/media/jano/SDKARTA", "SDKARTA", 1536 * 1024 * 1024LL, true},
      {"/run/media/jano/GARMIN", "", 2048, true},
      {"/mnt/sd", "Ka\xC5\xA1tie\xC4\xBE", 512, true},  // UTF-8 label: bytes of "Kaštieľ"
      {"/mnt/ru", "\xD0\x9A\xD0\xB0\xD1\x80\xD1\x82\xD0\xB0", 1, true},  // bytes of "Карта"
      {"/mnt/gone", "GONE", 1, false},
      {"/mnt2/x", "", 1, true},
      {"/run/user/1000/gvfs/mtp:host=Xiaomi_Redmi%20Note", "", -1, true},
  };
  const std::vector<DeviceVolume> found =
      DeviceVolumes(mounted, {"/media", "/run/media", "/mnt", "/run/user/1000/gvfs"});
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found[0].folder, "/media/jano/SDKARTA");
  EXPECT_EQ(DeviceVolumeText(found[0]),
            QStringLiteral("SDKARTA [/media/jano/SDKARTA] voľné 1,5 GB"));
  EXPECT_EQ(DeviceVolumeText(found[1]), QStringLiteral("Карта [/mnt/ru] voľné 1 B"));
  EXPECT_EQ(DeviceVolumeText(found[2]), QStringLiteral("Kaštieľ [/mnt/sd] voľné 512 B"));
  EXPECT_EQ(DeviceVolumeText(found[3]),
            QStringLiteral("GARMIN [/run/media/jano/GARMIN] voľné 2,0 kB"));
  EXPECT_EQ(DeviceVolumeText(found[4]),
            QStringLiteral("Xiaomi_Redmi Note [/run/user/1000/gvfs/mtp:host=Xiaomi_Redmi%20Note]"));
  // One that does not answer shows no free space, not even what it had.
  EXPECT_EQ(DeviceVolumeText(DeviceVolumes({{"/media/SD", "", 1024, true, false}}, {"/media"})[0]),
            QStringLiteral("SD [/media/SD] neodpovedá"));
}

TEST(FolderHint, SaysWhenTheFolderIsMissingOrHasNoStorageCard) {
  TempDir root;
  const AnsiString card = "\\Storage Card\\MHT\\";
  EXPECT_NE(DeviceFolderHint(root / "absent", {card}), "");
  const AnsiString missing = DeviceFolderHint(root.path(), {"\\WPT\\", card});
  EXPECT_NE(missing.find("Storage Card"), AnsiString::npos);
  EXPECT_EQ(DeviceFolderHint(root.path(), {"\\MHT\\", "\\WPT\\"}), "");
  std::filesystem::create_directory(root / "STORAGE CARD");  // matched as the handheld does
  EXPECT_EQ(DeviceFolderHint(root.path(), {"\\storage card\\mht\\"}), "");
}

}  // namespace
