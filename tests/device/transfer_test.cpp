// The two whole-file copies through the real binding and the folder handheld.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <random>
#include <string>

#include "device/transfer.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/state.h"
#include "support/device_folder.h"
#include "support/scripted_ui.h"

namespace {

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(random() & 0xFF);
  return out;
}

class Transfer : public ::testing::Test {
 protected:
  void TearDown() override { ResetSharedState(); }

  AnsiString Pc(const std::string& utf8Name) const {
    return platform::FromNativePath(pc.path() / utf8Name);
  }
  std::vector<std::string> PcFolderNames() const { return TempDir::Names(pc.path()); }

  DeviceFolder device;
  TempDir pc;
  ScriptedUi ui;
};

TEST_F(Transfer, FilesCrossByteForByteBothWays) {
  // Empty, one byte, both sides of a chunk, and several chunks.
  const size_t sizes[] = {0, 1, kTransferChunk, kTransferChunk + 1, 10'000'000};
  std::filesystem::create_directories(device / "Storage Card/MHT");
  for (size_t size : sizes) {
    SCOPED_TRACE(size);
    const std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
    TempDir::Write(pc / "out.bin", bytes);
    CopyToDevice(Pc("out.bin"), "\\Storage Card\\MHT\\f.bin");
    EXPECT_EQ(TempDir::Read(device / "Storage Card/MHT/f.bin"), bytes);
    CopyFromDevice("\\Storage Card\\MHT\\f.bin", Pc("back.bin"));
    EXPECT_EQ(TempDir::Read(pc / "back.bin"), bytes);
    EXPECT_EQ(WideBuffer, nullptr);
  }
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(PcFolderNames(), (std::vector<std::string>{"back.bin", "out.bin"}));
}

TEST_F(Transfer, ExistingTargetsAreReplacedWholeKeepingThePcFilesMode) {
  TempDir::Write(device / "f.txt", "new");
  TempDir::Write(pc / "f.txt", "a much longer old content");
  ::chmod((pc / "f.txt").c_str(), 0640);
  CopyFromDevice("\\f.txt", Pc("f.txt"));
  EXPECT_EQ(TempDir::Read(pc / "f.txt"), "new");
  struct stat st {};
  ::stat((pc / "f.txt").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  TempDir::Write(pc / "g.txt", "pc");
  TempDir::Write(device / "g.txt", "older and longer");
  CopyToDevice(Pc("g.txt"), "\\g.txt");
  EXPECT_EQ(TempDir::Read(device / "g.txt"), "pc");
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Transfer, ALinkOnThePcSideIsWrittenThrough) {
  TempDir::Write(device / "f.txt", "fresh");
  TempDir::Write(pc / "real.txt", "stale");
  std::filesystem::create_symlink("real.txt", pc / "link.txt");
  CopyFromDevice("\\f.txt", Pc("link.txt"));
  EXPECT_TRUE(std::filesystem::is_symlink(pc / "link.txt"));
  EXPECT_EQ(TempDir::Read(pc / "real.txt"), "fresh");
}

TEST_F(Transfer, AMissingSourceFailsAtTheSourceAndCreatesNothing) {
  TempDir::Write(pc / "keep.txt", "pc copy");
  std::filesystem::create_directories(device / "Storage Card");
  CopyFromDevice("\\Storage Card\\none.txt", Pc("keep.txt"));
  EXPECT_EQ(TempDir::Read(pc / "keep.txt"), "pc copy");
  EXPECT_FALSE(std::filesystem::exists(device / "Storage Card/none.txt"));

  TempDir::Write(device / "keep.txt", "handheld copy");
  CopyToDevice(Pc("none.txt"), "\\keep.txt");
  EXPECT_EQ(TempDir::Read(device / "keep.txt"), "handheld copy");
  EXPECT_FALSE(std::filesystem::exists(pc / "none.txt"));
  EXPECT_EQ(ui.Messages(),
            (std::vector<AnsiString>{"Error: Could not open remote file.",
                                     Utf8ToAnsi("Error: neviem otvoriť file v PC ") +
                                         Pc("none.txt") + Utf8ToAnsi(": súbor neexistuje.")}));
  EXPECT_EQ(WideBuffer, nullptr);
}

TEST_F(Transfer, APcSourceThatIsNotAFileIsRefusedWithoutWaitingForAPeer) {
  // A FIFO without a writer would hold an ordinary open for good.
  ASSERT_EQ(::mkfifo((pc / "pipe").c_str(), 0600), 0);
  TempDir::Write(device / "pipe", "handheld copy");
  EXPECT_EQ(CopyToDevice(Pc("pipe"), "\\pipe"), TransferEnd::Failed);
  EXPECT_EQ(ui.Messages(), std::vector<AnsiString>{"Error: " + Pc("pipe") +
                                                   " nie je oby\xE8"
                                                   "ajn\xFD s\xFA"
                                                   "bor, ned\xE1 sa kop\xEDrova\x9D."});
  EXPECT_EQ(TempDir::Read(device / "pipe"), "handheld copy");
}

TEST_F(Transfer, AMissingTargetFolderFailsAtTheTargetStep) {
  TempDir::Write(device / "f.txt", "x");
  TempDir::Write(pc / "f.txt", "x");
  CopyFromDevice("\\f.txt", Pc("nodir/f.txt"));
  CopyToDevice(Pc("f.txt"), "\\nodir\\f.txt");
  EXPECT_EQ(
      ui.Messages(),
      (std::vector<AnsiString>{
          "Error: Could not create local file.",
          Utf8ToAnsi("Error: neviem vytvoriť file v PDA \\nodir\\f.txt: priečinok neexistuje.")}));
  EXPECT_FALSE(std::filesystem::exists(pc / "nodir"));
  EXPECT_FALSE(std::filesystem::exists(device / "nodir"));
}

struct InjectedCase {
  const char* fail;
  bool toDevice;
  const char* message;
};

class InjectedTransfer : public Transfer, public ::testing::WithParamInterface<InjectedCase> {};

TEST_P(InjectedTransfer, EveryHandheldStepFailureShowsItsMessageAndLeavesNoPcDebris) {
  const InjectedCase& c = GetParam();
  const std::string bytes = RandomBytes(9'000'000, 7);  // several chunks
  TempDir::Write(device / "f.bin", bytes);
  TempDir::Write(pc / "f.bin", bytes);
  TempDir::Write(pc / "old.bin", "old");
  DeviceFolder::Fail(c.fail);
  if (c.toDevice)
    CopyToDevice(Pc("f.bin"), "\\new.bin");
  else
    CopyFromDevice("\\f.bin", Pc("old.bin"));
  EXPECT_EQ(ui.Messages(), std::vector<AnsiString>{c.message});
  // A failed copy to the PC leaves the old file as it was and no temporary file.
  EXPECT_EQ(TempDir::Read(pc / "old.bin"), "old");
  EXPECT_EQ(PcFolderNames(), (std::vector<std::string>{"f.bin", "old.bin"}));
  EXPECT_EQ(WideBuffer, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, InjectedTransfer,
    ::testing::Values(
        InjectedCase{"CeCreateFile=2", false, "Error: Could not open remote file."},
        InjectedCase{"CeGetFileSize=6", false, "Error #6: Could not allocate file buffer."},
        InjectedCase{"CeReadFile=30", false, "Error #30: Could not read remote file."},
        InjectedCase{"CeReadFile=1117@3", false, "Error #1117: Could not read remote file."},
        InjectedCase{"CeReadFile=4294967295", false,
                     "Error #4294967295: Could not read remote file."},
        InjectedCase{"CeCreateFile=5", true,
                     "Error: neviem vytvori\x9D file v PDA \\new.bin: pr\xEDstup zamietnut\xFD."},
        InjectedCase{"CeWriteFile=112", true, "Error #112: neviem zap\xEDsa\x9D file do PDA."},
        InjectedCase{"CeWriteFile=112@2", true, "Error #112: neviem zap\xEDsa\x9D file do PDA."}));

TEST_F(Transfer, AFailedPcWriteLeavesTheOldPcFileAndNoTemporaryFile) {
  TempDir::Write(device / "big.bin", RandomBytes(3'000'000, 3));
  TempDir::Write(pc / "big.bin", "old");
  // A file size limit makes the PC write fail part way, as a full disk would.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 1'000'000;
  ::setrlimit(RLIMIT_FSIZE, &small);
  CopyFromDevice("\\big.bin", Pc("big.bin"));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(ui.Messages(),
            std::vector<AnsiString>{"Error #" + std::to_string(WindowsErrorFromErrno(EFBIG)) +
                                    ": Could not write the local file."});
  EXPECT_EQ(TempDir::Read(pc / "big.bin"), "old");
  EXPECT_EQ(PcFolderNames(), std::vector<std::string>{"big.bin"});
}

TEST_F(Transfer, WithoutTheLibraryTheCopiesFailWithTheUnavailableCode) {
  ::setenv("VIRESKA_RAPI", "/nonexistent/libnothing.so", 1);
  rapi::ForgetLibraryForTests();
  TempDir::Write(pc / "f.txt", "");
  CopyFromDevice("\\f.txt", Pc("g.txt"));
  CopyToDevice(Pc("f.txt"), "\\f.txt");
  EXPECT_EQ(ui.Messages(),
            (std::vector<AnsiString>{"Error #65535: Could not read remote file.",
                                     "Error #65535: neviem zap\xEDsa\x9D file do PDA."}));
  EXPECT_EQ(PcFolderNames(), std::vector<std::string>{"f.txt"});
}

TEST_F(Transfer, OnlyASuccessfulCopyToTheHandheldEndsTheLink) {
  TempDir::Write(pc / "f.txt", "x");
  CopyToDevice(Pc("f.txt"), "\\f.txt");
  EXPECT_FALSE(DeviceFolder::LinkOpen());
  CopyFromDevice("\\f.txt", Pc("g.txt"));
  EXPECT_TRUE(DeviceFolder::LinkOpen());
}

TEST_F(Transfer, WhileClosingTheCopyToTheHandheldStartsTheLinkAndTouchesNothing) {
  AppClosing = true;
  TempDir::Write(pc / "f.txt", "x");
  CopyToDevice(Pc("f.txt"), "\\f.txt");
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_FALSE(std::filesystem::exists(device / "f.txt"));
  EXPECT_TRUE(DeviceFolder::LinkOpen());
  EXPECT_EQ(WideBuffer, nullptr);
}

TEST_F(Transfer, NonAsciiNamesRoundTripBetweenCodePage1250AndTheHandheld) {
  const std::string utf8 = "\xC5\xBDlt\xC3\xBD k\xC3\xB4\xC5\x88.mht";  // Žltý kôň.mht
  TempDir::Write(pc / utf8, "obsah");
  std::filesystem::create_directories(device / "Ke\xC5\xA1ky");          // Kešky
  const AnsiString deviceName = "\\Ke\x9Aky\\\x8Elt\xFD k\xF4\xF2.mht";  // code page 1250
  CopyToDevice(Pc(utf8), deviceName);
  EXPECT_EQ(TempDir::Read(device / ("Ke\xC5\xA1ky/" + utf8)), "obsah");
  CopyFromDevice(deviceName, Pc("x").substr(0, Pc("x").size() - 1) + "sp\xE4\x9D.mht");
  EXPECT_EQ(TempDir::Read(pc / "sp\xC3\xA4\xC5\xA5.mht"), "obsah");  // späť.mht
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Transfer, OneFileAsSourceAndTargetStaysAsItWasBothWays) {
  // The PC side looks into the handheld's own folder, as with a memory card.
  const std::string bytes = RandomBytes(kTransferChunk + 9, 11);
  TempDir::Write(device / "f.bin", bytes);
  const AnsiString same = platform::FromNativePath(device / "f.bin");
  CopyToDevice(same, "\\f.bin");
  EXPECT_EQ(TempDir::Read(device / "f.bin"), bytes);
  CopyFromDevice("\\F.BIN", same);
  EXPECT_EQ(TempDir::Read(device / "f.bin"), bytes);
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(device.root()), {}), 1);
}

// The copy as the handheld's thread runs it, told after each chunk.
struct Control final : TransferControl {
  std::function<void()> afterChunk;
  bool stop = false;
  void Progress(std::uint64_t, std::uint64_t) override {
    if (afterChunk) afterChunk();
  }
  bool Stopped() const override { return stop; }
};

TEST_F(Transfer, AStoppedCopyEndsSilentlyLeavingTheOldTargetAndNoTemporaryFile) {
  const std::string bytes = RandomBytes(3 * kTransferChunk, 5);
  TempDir::Write(pc / "f.bin", bytes);
  TempDir::Write(device / "f.bin", "old handheld");
  TempDir::Write(device / "g.bin", bytes);
  TempDir::Write(pc / "g.bin", "old pc");
  CeRapiInit();
  Control control;
  control.stop = true;
  EXPECT_EQ(PushFile(Pc("f.bin"), "\\f.bin", control).end, TransferEnd::Stopped);
  EXPECT_EQ(PullFile("\\g.bin", Pc("g.bin"), control).end, TransferEnd::Stopped);
  EXPECT_EQ(TempDir::Read(device / "f.bin"), "old handheld");
  EXPECT_EQ(TempDir::Read(pc / "g.bin"), "old pc");
  EXPECT_EQ(PcFolderNames(), (std::vector<std::string>{"f.bin", "g.bin"}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(device.root()), {}), 2);
  StopTransfer();  // none runs: nothing happens
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Transfer, ACopyStartedFromARunningOneIsRefusedAndTheRunningOneCompletes) {
  const std::string bytes = RandomBytes(3 * kTransferChunk + 1, 6);
  TempDir::Write(pc / "f.bin", bytes);
  TempDir::Write(pc / "g.bin", "second");
  std::vector<std::uint64_t> seen;
  CopyToDevice(Pc("f.bin"), "\\f.bin", [&](std::uint64_t done, std::uint64_t total) {
    EXPECT_EQ(total, bytes.size());
    seen.push_back(done);
    CopyToDevice(Pc("g.bin"), "\\g.bin");
    CopyFromDevice("\\f.bin", Pc("h.bin"));
  });
  EXPECT_EQ(TempDir::Read(device / "f.bin"), bytes);
  EXPECT_FALSE(std::filesystem::exists(device / "g.bin"));
  // The waiting side sees the copy's progress as it comes, the whole of it at the end.
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), bytes.size());
  EXPECT_EQ(ui.Messages(), std::vector<AnsiString>(2 * seen.size(), kTransferBusyMessage));
  EXPECT_EQ(PcFolderNames(), (std::vector<std::string>{"f.bin", "g.bin"}));
}

TEST_F(Transfer, ASourceThatChangesSizeMidwayFailsAndCommitsNothing) {
  const std::string bytes = RandomBytes(2 * kTransferChunk, 8);
  for (const bool grow : {true, false}) {
    SCOPED_TRACE(grow);
    ui.shown.clear();
    TempDir::Write(pc / "f.bin", bytes);
    TempDir::Write(device / "f.bin", "old handheld");
    CeRapiInit();
    Control control;
    control.afterChunk = [&] {
      std::filesystem::resize_file(pc / "f.bin", grow ? 3 * kTransferChunk : kTransferChunk);
    };
    const TransferResult pushed = PushFile(Pc("f.bin"), "\\f.bin", control);
    TempDir::Write(device / "g.bin", bytes);
    TempDir::Write(pc / "g.bin", "old pc");
    control.afterChunk = [&] {
      std::filesystem::resize_file(device / "g.bin", grow ? 3 * kTransferChunk : kTransferChunk);
    };
    const TransferResult pulled = PullFile("\\g.bin", Pc("g.bin"), control);
    EXPECT_EQ(pushed.end, TransferEnd::Failed);
    EXPECT_EQ(pushed.message, kPcSourceChanged);
    EXPECT_EQ(pulled.end, TransferEnd::Failed);
    EXPECT_EQ(pulled.message, kDeviceSourceChanged);
    EXPECT_EQ(TempDir::Read(device / "f.bin"), "old handheld");
    EXPECT_EQ(TempDir::Read(pc / "g.bin"), "old pc");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(device.root()), {}), 2);
    EXPECT_EQ(PcFolderNames(), (std::vector<std::string>{"f.bin", "g.bin"}));
  }
}

// A push cut off at any step, by a failure of the handheld or by the program's end (a crash, a
// power loss), leaves one file of the target's name holding the old bytes or the new ones, and
// nothing else once the handheld is connected again: in one step where the library can replace,
// in two moves where it cannot.
class CutOffPush : public Transfer, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override { rapi::IgnoreReplaceEntryForTests(!GetParam()); }
  void TearDown() override {
    rapi::IgnoreReplaceEntryForTests(false);
    Transfer::TearDown();
  }
  // The bytes "\\x.bin" holds, once it is the folder's only entry.
  std::string OnlyFile() const {
    EXPECT_EQ(TempDir::Names(device.root()), std::vector<std::string>{"x.bin"});
    return TempDir::Read(device / "x.bin");
  }
  // The push in a child process of its own that the library ends at the step.
  int PushEndedAt(const std::string& step) {
    const pid_t child = ::fork();
    if (child == 0) {
      ::setenv(folder_device::kExitAtVariable, step.c_str(), 1);
      CeRapiInit();
      Control control;
      PushFile(Pc("x.bin"), "\\x.bin", control);
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_P(CutOffPush, LeavesTheOldFileOrTheNewOneAndNoLeftoverAfterTheNextConnection) {
  const bool oneStep = GetParam();
  const std::string before = RandomBytes(100, 1), after = RandomBytes(2 * kTransferChunk + 3, 2);
  std::vector<std::string> steps = {"CeCreateFile", "CeWriteFile@1", "CeWriteFile@2",
                                    "CeCloseHandle"};
  if (oneStep)
    steps.push_back(folder_device::kReplaceEntry);
  else
    steps.insert(steps.end(), {"CeMoveFile@1", "CeMoveFile@2", "CeDeleteFile"});
  TempDir::Write(pc / "x.bin", after);
  for (const std::string& step : steps) {
    SCOPED_TRACE(step);
    TempDir::Write(device / "x.bin", before);
    ASSERT_EQ(PushEndedAt(step), folder_device::kExitAtCode);
    if (oneStep) {  // no moment without the file, even before the repair
      const std::string now = TempDir::Read(device / "x.bin");
      EXPECT_TRUE(now == before || now == after);
    }
    CeRapiInit();
    RepairLeftovers("\\");
    const std::string repaired = OnlyFile();
    EXPECT_TRUE(repaired == before || repaired == after);

    // The same step failing instead: the push says so and leaves the old file, or, failing
    // only to remove the old one, the new file and a leftover that the repair takes away.
    TempDir::Write(device / "x.bin", before);
    const size_t at = step.find('@');
    DeviceFolder::Fail(step.substr(0, at) + "=5" +
                       (at == std::string::npos ? "" : step.substr(at)));
    CeRapiInit();
    Control control;
    const TransferResult result = PushFile(Pc("x.bin"), "\\x.bin", control);
    DeviceFolder::Fail("");
    EXPECT_EQ(result.end, TransferEnd::Failed);
    RepairLeftovers("\\");
    EXPECT_EQ(OnlyFile(), step == "CeDeleteFile" ? after : before);
  }
}

INSTANTIATE_TEST_SUITE_P(Replace, CutOffPush, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "OneStep" : "TwoMoves"; });

TEST_F(Transfer, APushKeepsTheSpellingTheHandheldHasForTheName) {
  TempDir::Write(device / "wpt.txt", "old");
  TempDir::Write(pc / "WPT.TXT", "new");
  for (const bool oneStep : {true, false}) {
    rapi::IgnoreReplaceEntryForTests(!oneStep);
    EXPECT_EQ(CopyToDevice(Pc("WPT.TXT"), "\\WPT.TXT"), TransferEnd::Done);
    EXPECT_EQ(TempDir::Names(device.root()), std::vector<std::string>{"wpt.txt"});
    EXPECT_EQ(TempDir::Read(device / "wpt.txt"), "new");
  }
  rapi::IgnoreReplaceEntryForTests(false);
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Transfer, AHandheldPathTooLongIsAnErrorThatLeavesNothingOpenOrBehind) {
  TempDir::Write(pc / "f.txt", "x");
  const AnsiString tooLong = "\\" + std::string(600, 'a');
  EXPECT_THROW(CopyToDevice(Pc("f.txt"), tooLong), PlatformError);
  EXPECT_THROW(CopyFromDevice(tooLong, Pc("g.txt")), PlatformError);
  EXPECT_EQ(WideBuffer, nullptr);
  EXPECT_EQ(PcFolderNames(), std::vector<std::string>{"f.txt"});
}

}  // namespace
