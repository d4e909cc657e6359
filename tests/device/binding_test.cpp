// The run-time binding, ConnectDevice and ToWidePath.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "device/link.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/state.h"
#include "support/descriptors.h"
#include "support/device_folder.h"
#include "support/scripted_ui.h"

namespace {

using Clock = std::chrono::steady_clock;

// Chooses the library the next forwarding call loads.
class Binding : public ::testing::Test {
 protected:
  void TearDown() override {
    ::unsetenv("VIRESKA_RAPI");
    platform::SetExecutableDir({});
    rapi::ForgetLibraryForTests();
    ResetSharedState();
  }
  static void Use(const char* library) {
    if (library)
      ::setenv("VIRESKA_RAPI", library, 1);
    else
      ::unsetenv("VIRESKA_RAPI");
    rapi::ForgetLibraryForTests();
  }
  template <typename Fn>
  static Fn Stub(const char* name) {
    void* handle = ::dlopen(VIRESKA_TEST_STUB_RAPI, RTLD_NOW | RTLD_NOLOAD);
    return handle ? reinterpret_cast<Fn>(::dlsym(handle, name)) : nullptr;
  }
  ScriptedUi ui;
};

TEST_F(Binding, MissingLibraryAnswersTheUnavailableValuesAndIsRetriedLater) {
  Use("/nonexistent/libnothing.so");
  EXPECT_FALSE(BindRemoteApi());
  RAPIINIT init{};
  CE_FIND_DATA record{};
  DWORD count = 77, high = 77;
  char buffer[4];
  EXPECT_EQ(CeRapiInit(), 65535);
  EXPECT_EQ(CeRapiInitEx(&init), 65535);
  EXPECT_EQ(init.heRapiInit, nullptr);
  EXPECT_EQ(CeRapiUninit(), 65535);
  EXPECT_EQ(CeFindFirstFile(u"\\*", &record), reinterpret_cast<HANDLE>(65535));
  EXPECT_NE(kRapiUnavailableHandle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeFindNextFile(kRapiUnavailableHandle, &record), 0);
  EXPECT_EQ(CeFindClose(kRapiUnavailableHandle), 0);
  EXPECT_EQ(CeCreateFile(u"\\a", GENERIC_READ, 1, nullptr, OPEN_EXISTING, 0, nullptr),
            reinterpret_cast<HANDLE>(65535));
  EXPECT_EQ(CeReadFile(kRapiUnavailableHandle, buffer, 4, &count, nullptr), 0);
  EXPECT_EQ(CeWriteFile(kRapiUnavailableHandle, buffer, 4, &count, nullptr), 0);
  EXPECT_EQ(count, 77u);  // nothing was called
  EXPECT_EQ(CeCloseHandle(kRapiUnavailableHandle), 0);
  EXPECT_EQ(CeGetLastError(), 65535u);
  EXPECT_EQ(CeCreateDirectory(u"\\a", nullptr), 0);
  EXPECT_EQ(CeRemoveDirectory(u"\\a"), 0);
  EXPECT_EQ(CeDeleteFile(u"\\a"), 0);
  EXPECT_EQ(CeGetFileSize(kRapiUnavailableHandle, &high), 65535u);
  EXPECT_EQ(high, 77u);

  const auto start = Clock::now();
  EXPECT_FALSE(ConnectDevice());
  EXPECT_LT(MsSince(start), 1000);  // nothing to wait for: false at once, not after 5 s

  ::setenv("VIRESKA_RAPI", VIRESKA_TEST_RAPI_LIBRARY, 1);  // the next call loads again
  EXPECT_TRUE(BindRemoteApi());
  EXPECT_TRUE(rapi::HasEntry("CeFindFirstFile"));
}

TEST_F(Binding, WithoutAChoiceTheBundledLibraryBesideTheProgramIsLoaded) {
  Use(nullptr);
  TempDir elsewhere;
  platform::SetExecutableDir(elsewhere.path());  // no library there
  EXPECT_FALSE(BindRemoteApi());
  platform::SetExecutableDir(std::filesystem::path(VIRESKA_TEST_RAPI_LIBRARY).parent_path());
  EXPECT_TRUE(BindRemoteApi());
  for (const char* called : {"CeRapiInit", "CeRapiInitEx", "CeRapiUninit", "CeFindFirstFile",
                             "CeFindNextFile", "CeFindClose", "CeCreateFile", "CeReadFile",
                             "CeWriteFile", "CeCloseHandle", "CeGetLastError", "CeCreateDirectory",
                             "CeRemoveDirectory", "CeDeleteFile", "CeGetFileSize"})
    EXPECT_TRUE(rapi::HasEntry(called)) << called;
  EXPECT_FALSE(rapi::HasEntry("CeFindAllFiles"));
  EXPECT_EQ(std::string(rapi::BoundName(0)), "CeRapiInit");
  EXPECT_EQ(std::string(rapi::BoundName(rapi::kBoundNames - 1)), "CeRapiInvoke");
}

TEST_F(Binding, AMissingEntryAnswersItsUnavailableValueWhileTheOthersForward) {
  Use(VIRESKA_TEST_STUB_RAPI);
  EXPECT_EQ(CeRapiInit(), 7);  // forwarded
  EXPECT_EQ(CeGetLastError(), 1234u);
  CE_FIND_DATA record;
  EXPECT_EQ(CeFindFirstFile(u"\\*", &record), kRapiUnavailableHandle);
  EXPECT_EQ(CeGetFileSize(nullptr, nullptr), 65535u);
  EXPECT_EQ(CeDeleteFile(u"\\x"), 0);
}

TEST_F(Binding, ConnectFailsOnANegativeResultAndEndsTheAttempt) {
  Use(VIRESKA_TEST_STUB_RAPI);
  ASSERT_TRUE(BindRemoteApi());
  auto connectWith = Stub<void (*)(HRESULT, bool)>("StubConnectWith");
  auto uninitCalls = Stub<int (*)()>("StubUninitCalls");
  auto initExCalls = Stub<int (*)()>("StubInitExCalls");
  ASSERT_TRUE(connectWith && uninitCalls && initExCalls);

  connectWith(E_FAIL, true);
  int before = uninitCalls();
  EXPECT_FALSE(ConnectDevice());
  EXPECT_EQ(uninitCalls(), before + 1);

  // Connected: the link stays open, and a second connect tries again without closing it.
  connectWith(S_OK, true);
  before = uninitCalls();
  const int attempts = initExCalls();
  EXPECT_TRUE(ConnectDevice());
  EXPECT_TRUE(ConnectDevice());
  EXPECT_EQ(uninitCalls(), before);
  EXPECT_EQ(initExCalls(), attempts + 2);
}

class Connect : public ::testing::Test {
 protected:
  DeviceFolder device;
  ScriptedUi ui;
};

TEST_F(Connect, AHandheldAnsweringJustWithinTheLimitConnects) {
  DeviceFolder::ConnectDelay(kConnectTimeoutMs - 400);
  EXPECT_TRUE(ConnectDevice());
  CE_FIND_DATA record;
  HANDLE find = CeFindFirstFile(u"\\*", &record);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeGetLastError(), ERROR_FILE_NOT_FOUND);  // connected: an empty root, not "not ready"
}

TEST_F(Connect, AHandheldAnsweringJustPastTheLimitIsGivenUpForGood) {
  DeviceFolder::ConnectDelay(kConnectTimeoutMs + 500);
  const auto start = Clock::now();
  EXPECT_FALSE(ConnectDevice());
  EXPECT_GE(MsSince(start), kConnectTimeoutMs - 50);
  // The abandoned attempt must not open the link when it would have completed.
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  CE_FIND_DATA record;
  EXPECT_EQ(CeFindFirstFile(u"\\*", &record), INVALID_HANDLE_VALUE);
  EXPECT_EQ(CeGetLastError(), ERROR_NOT_READY);
}

TEST_F(Connect, NoRootFolderAndAnInjectedFailureBothFailAtOnce) {
  device.Unplug();
  EXPECT_FALSE(ConnectDevice());
  device.Plug();
  DeviceFolder::Fail("CeRapiInitEx=1167");
  EXPECT_FALSE(ConnectDevice());
  DeviceFolder::Fail("");
  EXPECT_TRUE(ConnectDevice());
}

// Each outcome of a connection gives back every descriptor it took, the connection's event
// descriptor included, by the time ConnectDevice returns (on success: when the link ends).
TEST_F(Connect, EveryOutcomeClosesTheConnectionEvent) {
  using testsupport::Descriptors;
  using testsupport::OpenDescriptors;
  const auto before = OpenDescriptors(Descriptors::All);
  const auto unchanged = [&](const char* outcome) {
    const auto now = OpenDescriptors(Descriptors::All);
    EXPECT_EQ(now, before) << outcome << ": opened "
                           << ::testing::PrintToString(testsupport::Without(now, before))
                           << ", closed "
                           << ::testing::PrintToString(testsupport::Without(before, now));
  };

  EXPECT_TRUE(ConnectDevice());
  CeRapiUninit();
  unchanged("connected");

  DeviceFolder::Fail("CeRapiInitEx=1167");
  EXPECT_FALSE(ConnectDevice());
  DeviceFolder::Fail("");
  unchanged("refused");

  device.Unplug();
  EXPECT_FALSE(ConnectDevice());
  device.Plug();
  unchanged("no handheld");

  DeviceFolder::ConnectDelay(kConnectTimeoutMs + 300);
  EXPECT_FALSE(ConnectDevice());
  unchanged("no answer in time");
}

class WidePath : public ::testing::Test {
 protected:
  void TearDown() override { FreeWideBuffer(); }
};

TEST_F(WidePath, ConvertsCodePage1250OneUnitPerCharacter) {
  WideBufferScope scope;
  LPCWSTR wide = ToWidePath(
      "\\Ke\x9Aky\\\xC8"
      "erven\xFD \x8Elt\xFD.mht");
  EXPECT_EQ(wide, WideBuffer);
  EXPECT_EQ(std::u16string(wide), u"\\Ke\u0161ky\\\u010Cerven\u00FD \u017Dlt\u00FD.mht");
  EXPECT_EQ(std::u16string(ToWidePath("")), u"");
}

TEST_F(WidePath, FiveHundredElevenCharactersFitAndOneMoreIsRefusedUntouched) {
  WideBufferScope scope;
  const AnsiString fits = "\\" + std::string(510, 'a');
  ToWidePath(fits);
  EXPECT_EQ(std::u16string(WideBuffer).size(), 511u);
  EXPECT_EQ(WideBuffer[511], u'\0');

  std::fill(WideBuffer, WideBuffer + kWideBufferUnits, u'#');
  const AnsiString tooLong = "\\" + std::string(511, 'b');
  try {
    ToWidePath(tooLong);
    ADD_FAILURE() << "no error";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Message(), "Cesta v PDA je dlh\x9A\xED ako 511 znakov: " + tooLong);
  }
  EXPECT_EQ(std::u16string(WideBuffer, kWideBufferUnits), std::u16string(kWideBufferUnits, u'#'));
}

TEST_F(WidePath, AllocatesTheBufferWhenACommandDidNot) {
  ASSERT_EQ(WideBuffer, nullptr);
  EXPECT_EQ(std::u16string(ToWidePath("\\x")), u"\\x");
  EXPECT_NE(WideBuffer, nullptr);
  {
    WideBufferScope scope;  // reuses it, frees it at the end
  }
  EXPECT_EQ(WideBuffer, nullptr);
}

}  // namespace
