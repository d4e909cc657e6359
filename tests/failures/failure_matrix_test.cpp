// Every handheld step of the two copies, the handheld listing and the file commands made to
// fail through the folder handheld's switches, the connection delayed past its limit, and the
// handheld's folder removed in the middle of a command. Each case checks the exact messages,
// that no file or folder stays open, and what is left on both sides.
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QCheckBox>
#include <QPushButton>
#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/link.h"
#include "device/transfer.h"
#include "filemanager/fm_fixture.h"
#include "platform/state.h"
#include "support/descriptors.h"

namespace {

namespace fs = std::filesystem;

enum class Command {
  CopyToDevice,
  CopyFromDevice,
  Listing,
  CopyToHandheld,
  CopyToPc,
  Delete,
  MakeDir
};
enum class Fault { None, Step, ConnectDelay, RootRemoved, PcSide };

// A file or folder afterwards: "hh:" below the handheld's root, "pc:" in the PC folder.
// Content nullopt: it must not exist; kFolder: a folder.
struct Left {
  std::string where;
  std::optional<std::string> content;
};
const std::string kFolder = "<folder>";

struct Case {
  std::string name;
  Command command = Command::CopyToDevice;
  Fault fault = Fault::None;
  std::string step;  // the failing function, with "@K" when it fails from its K-th call on
  std::vector<std::string> messages;  // "{code}" stands for the error number
  std::vector<Left> left;
  // Handles a failed close leaves open in the handheld until its link ends.
  int heldByDevice = 0;
  // The handheld pane afterwards: the names from row 2 on, and whether "->PDA" can be used.
  std::optional<std::vector<std::string>> handheldRows;
  bool pushEnabled = true;
  std::uint32_t code = 0;
};

const std::string kHandheldWrite = "Error #{code}: neviem zap\xEDsa\x9D file do PDA.";
const std::string kHandheldClose = "Error #{code}: neviem zatvori\x9D file v PDA.";
const std::string kHandheldReplace = "Error #{code}: neviem nahradi\x9D file v PDA.";
const std::string kRemoteSize = "Error #{code}: Could not allocate file buffer.";
const std::string kRemoteRead = "Error #{code}: Could not read remote file.";

const std::string kHhA = "hh:Storage Card/MHT/a.txt", kHhC = "hh:Storage Card/MHT/c.txt";
const std::string kHhSub = "hh:Storage Card/MHT/Sub", kHhFull = "hh:Storage Card/MHT/Full";
const std::string kHhNew = "hh:Storage Card/MHT/Nov\xC3\xBD adres\xC3\xA1r";
const std::string kPcA = "pc:a.txt", kPcC = "pc:c.txt";
const std::vector<std::string> kAllRows = {"Full", "Sub", "a.txt", "c.txt"};

Case Row(std::string name, Command command, Fault fault, std::string step,
         std::vector<std::string> messages, std::vector<Left> left) {
  Case c;
  c.name = std::move(name);
  c.command = command;
  c.fault = fault;
  c.step = std::move(step);
  c.messages = std::move(messages);
  c.left = std::move(left);
  return c;
}
Case Held(Case c, int handles) {
  c.heldByDevice = handles;
  return c;
}
Case Rows(Case c, std::vector<std::string> rows, bool pushEnabled = true) {
  c.handheldRows = std::move(rows);
  c.pushEnabled = pushEnabled;
  return c;
}

// The cases as written, before each failing step is repeated with every error number.
std::vector<Case> Written() {
  using C = Command;
  using F = Fault;
  const std::vector<Left> hhUnchanged = {{kHhA, "HH a"}, {kHhC, "HH c"}};
  const std::vector<Left> pcUnchanged = {{kPcA, "PC a"}, {kPcC, "PC c"}};
  const Left rootGone = {"hh:", std::nullopt};
  const std::vector<std::string> none;
  return {
      // CopyToDevice: PC a.txt over the handheld's a.txt.
      Row("ToDevice", C::CopyToDevice, F::None, "", {}, {{kHhA, "PC a"}, {kPcA, "PC a"}}),
      Row("ToDevice", C::CopyToDevice, F::Step, "CeRapiInit", {kDeviceFileNotCreated},
          {{kHhA, "HH a"}}),
      Row("ToDevice", C::CopyToDevice, F::Step, "CeCreateFile", {kDeviceFileNotCreated},
          {{kHhA, "HH a"}}),
      // The new content goes beside the target: whatever fails, the old file stays whole.
      Row("ToDevice", C::CopyToDevice, F::Step, "CeWriteFile", {kHandheldWrite}, {{kHhA, "HH a"}}),
      Held(Row("ToDevice", C::CopyToDevice, F::Step, "CeCloseHandle", {kHandheldClose},
               {{kHhA, "HH a"}}),
           1),
      Row("ToDevice", C::CopyToDevice, F::Step, "VireskaReplaceFile", {kHandheldReplace},
          {{kHhA, "HH a"}}),
      Row("ToDevice", C::CopyToDevice, F::Step, "CeRapiUninit", {}, {{kHhA, "PC a"}}),
      // CeRapiInit has no limit of its own: the copy waits for the handheld.
      Row("ToDevice", C::CopyToDevice, F::ConnectDelay, "", {}, {{kHhA, "PC a"}}),
      Row("ToDevice", C::CopyToDevice, F::RootRemoved, "",
          {"Error #21: neviem nahradi\x9D file v PDA."}, {rootGone, {kPcA, "PC a"}}),
      Row("ToDevice", C::CopyToDevice, F::PcSide, "", {kPcFileNotOpened}, {{kHhA, "HH a"}}),

      // CopyFromDevice: the handheld's c.txt over PC c.txt, replaced only when it all arrived.
      Row("FromDevice", C::CopyFromDevice, F::None, "", {}, {{kPcC, "HH c"}, {kHhC, "HH c"}}),
      Row("FromDevice", C::CopyFromDevice, F::Step, "CeRapiInit", {kDeviceFileNotOpened},
          {{kPcC, "PC c"}}),
      Row("FromDevice", C::CopyFromDevice, F::Step, "CeCreateFile", {kDeviceFileNotOpened},
          {{kPcC, "PC c"}}),
      Row("FromDevice", C::CopyFromDevice, F::Step, "CeGetFileSize", {kRemoteSize},
          {{kPcC, "PC c"}}),
      Row("FromDevice", C::CopyFromDevice, F::Step, "CeReadFile", {kRemoteRead}, {{kPcC, "PC c"}}),
      Held(Row("FromDevice", C::CopyFromDevice, F::Step, "CeCloseHandle", {}, {{kPcC, "HH c"}}), 1),
      Row("FromDevice", C::CopyFromDevice, F::ConnectDelay, "", {}, {{kPcC, "HH c"}}),
      // The source is open by then: what was opened is read whole.
      Row("FromDevice", C::CopyFromDevice, F::RootRemoved, "", {}, {{kPcC, "HH c"}, rootGone}),
      Row("FromDevice", C::CopyFromDevice, F::PcSide, "", {kPcFileNotCreated}, pcUnchanged),

      // GetDirPDA through "Načítaj adresár PDA": never a message.
      Rows(Row("Listing", C::Listing, F::None, "", {}, {}), kAllRows),
      Rows(Row("Listing", C::Listing, F::Step, "CeRapiInitEx", {}, {}), none, false),
      Rows(Row("Listing", C::Listing, F::Step, "CeFindFirstFile", {}, {}), none),
      Rows(Row("Listing", C::Listing, F::Step, "CeFindNextFile", {}, {}), {"Full"}),
      Rows(Row("Listing", C::Listing, F::Step, "CeFindNextFile@2", {}, {}), {"Full", "Sub"}),
      Rows(Row("Listing", C::Listing, F::Step, "CeFindClose", {}, {}), kAllRows),
      Rows(Row("Listing", C::Listing, F::Step, "CeRapiUninit", {}, {}), kAllRows),
      Rows(Row("Listing", C::Listing, F::ConnectDelay, "", {}, {}), none, false),
      // Removed as the listing begins: no handheld answers (a search that fails once connected
      // is the CeFindFirstFile row above).
      Rows(Row("Listing", C::Listing, F::RootRemoved, "", {}, {}), none, false),

      // "Kopirovanie označených súborov do PDA": PC a.txt and c.txt, one message per file.
      Rows(Row("ToHandheld", C::CopyToHandheld, F::None, "", {}, {{kHhA, "PC a"}, {kHhC, "PC c"}}),
           kAllRows),
      Row("ToHandheld", C::CopyToHandheld, F::Step, "CeRapiInit",
          {kDeviceFileNotCreated, kDeviceFileNotCreated}, hhUnchanged),
      Row("ToHandheld", C::CopyToHandheld, F::Step, "CeCreateFile",
          {kDeviceFileNotCreated, kDeviceFileNotCreated}, hhUnchanged),
      Row("ToHandheld", C::CopyToHandheld, F::Step, "CeWriteFile", {kHandheldWrite, kHandheldWrite},
          hhUnchanged),
      // The listing at the end ends the link, which gives back what the failed closes held.
      Row("ToHandheld", C::CopyToHandheld, F::Step, "CeCloseHandle",
          {kHandheldClose, kHandheldClose}, hhUnchanged),
      Row("ToHandheld", C::CopyToHandheld, F::Step, "VireskaReplaceFile",
          {kHandheldReplace, kHandheldReplace}, hhUnchanged),
      Rows(Row("ToHandheld", C::CopyToHandheld, F::RootRemoved, "", {kDeviceFileNotCreated},
               {rootGone, {kPcA, "PC a"}, {kPcC, "PC c"}}),
           none, false),

      // "Kopirovanie označených súborov do PC": the handheld's a.txt and c.txt, in that order.
      Row("ToPc", C::CopyToPc, F::None, "", {}, {{kPcA, "HH a"}, {kPcC, "HH c"}}),
      Row("ToPc", C::CopyToPc, F::Step, "CeRapiInit", {kDeviceFileNotOpened, kDeviceFileNotOpened},
          pcUnchanged),
      Row("ToPc", C::CopyToPc, F::Step, "CeCreateFile",
          {kDeviceFileNotOpened, kDeviceFileNotOpened}, pcUnchanged),
      Row("ToPc", C::CopyToPc, F::Step, "CeGetFileSize", {kRemoteSize, kRemoteSize}, pcUnchanged),
      Row("ToPc", C::CopyToPc, F::Step, "CeReadFile", {kRemoteRead, kRemoteRead}, pcUnchanged),
      Held(Row("ToPc", C::CopyToPc, F::Step, "CeCloseHandle", {}, {{kPcA, "HH a"}, {kPcC, "HH c"}}),
           2),
      Row("ToPc", C::CopyToPc, F::RootRemoved, "", {kDeviceFileNotOpened},
          {{kPcA, "HH a"}, {kPcC, "PC c"}}),

      // "Vymazanie označených súborov,adresárov": Full (not empty), Sub, a.txt, c.txt.
      Rows(Row("Delete", C::Delete, F::None, "", {},
               {{kHhFull, kFolder},
                {kHhSub, std::nullopt},
                {kHhA, std::nullopt},
                {kHhC, std::nullopt}}),
           {"Full"}),
      Rows(Row("Delete", C::Delete, F::Step, "CeRapiInit", {},
               {{kHhFull, kFolder}, {kHhSub, kFolder}, {kHhA, "HH a"}, {kHhC, "HH c"}}),
           kAllRows),
      Row("Delete", C::Delete, F::Step, "CeDeleteFile", {},
          {{kHhSub, std::nullopt}, {kHhA, "HH a"}, {kHhC, "HH c"}}),
      Row("Delete", C::Delete, F::Step, "CeRemoveDirectory", {},
          {{kHhSub, kFolder}, {kHhA, std::nullopt}, {kHhC, std::nullopt}}),
      Row("Delete", C::Delete, F::Step, "CeRapiUninit", {},
          {{kHhSub, std::nullopt}, {kHhA, std::nullopt}, {kHhC, std::nullopt}}),
      Rows(Row("Delete", C::Delete, F::RootRemoved, "", {}, {rootGone}), none, false),

      // "Vytvor adresár": "Nový adresár" in the handheld's folder.
      Rows(Row("MakeDir", C::MakeDir, F::None, "", {}, {{kHhNew, kFolder}}),
           {"Full", "Nov\xFD adres\xE1r", "Sub", "a.txt", "c.txt"}),
      Rows(Row("MakeDir", C::MakeDir, F::Step, "CeRapiInit", {}, {{kHhNew, std::nullopt}}),
           kAllRows),
      Rows(Row("MakeDir", C::MakeDir, F::Step, "CeCreateDirectory", {}, {{kHhNew, std::nullopt}}),
           kAllRows),
      // Made after the wait; the listing that follows gives up at its limit.
      Rows(Row("MakeDir", C::MakeDir, F::ConnectDelay, "", {}, {{kHhNew, kFolder}}), none, false),
      Rows(Row("MakeDir", C::MakeDir, F::RootRemoved, "", {}, {rootGone}), none, false),
  };
}

// A few error numbers for every failing step: an ordinary one, a full disk, all bits set.
std::vector<Case> AllCases() {
  std::vector<Case> out;
  for (const Case& c : Written()) {
    if (c.fault != Fault::Step) {
      out.push_back(c);
      continue;
    }
    for (std::uint32_t code : {5u, 112u, 4294967295u}) {
      Case one = c;
      one.code = code;
      out.push_back(one);
    }
  }
  return out;
}

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name << " " << c.step << " " << c.code;
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  const Case& c = info.param;
  std::string name = c.name + "_";
  switch (c.fault) {
    case Fault::None:
      name += "Succeeds";
      break;
    case Fault::Step:
      name += c.step + "_" + std::to_string(c.code);
      break;
    case Fault::ConnectDelay:
      name += "ConnectionPastItsLimit";
      break;
    case Fault::RootRemoved:
      name += "RootRemovedMidway";
      break;
    case Fault::PcSide:
      name += "PcSideFails";
      break;
  }
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

std::string WithCode(std::string text, std::uint32_t code) {
  const std::string mark = "{code}";
  if (size_t at = text.find(mark); at != std::string::npos)
    text.replace(at, mark.size(), std::to_string(code));
  return text;
}

// The browser engine of the window opens descriptors of its own on its threads at any time:
// files and folders are what the handheld and the copies hold. The connection's event
// descriptors are counted where no engine runs (the device link's unit tests).
std::vector<std::string> OpenDescriptors() {
  return testsupport::OpenDescriptors(testsupport::Descriptors::FilesAndFolders);
}
using testsupport::Without;

// Removes a folder as soon as the file system reports the event on the watched path, from a
// thread of its own: the command meanwhile goes on.
class RemoveWhen {
 public:
  RemoveWhen(const fs::path& watched, std::uint32_t events, fs::path victim)
      : fd_(::inotify_init1(IN_CLOEXEC)), victim_(std::move(victim)) {
    ::inotify_add_watch(fd_, watched.c_str(), events);
    thread_ = std::thread([this] {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 60000) == 1) {
        std::error_code ec;
        fs::remove_all(victim_, ec);
        removed_ = !ec;
      }
    });
  }
  ~RemoveWhen() { Wait(); }
  bool Wait() {
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return removed_;
  }

 private:
  int fd_;
  fs::path victim_;
  std::thread thread_;
  bool removed_ = false;
};

class FailureMatrix : public FileManagerTest, public ::testing::WithParamInterface<Case> {
 protected:
  void SetUp() override {
    FileManagerTest::SetUp();
    TempDir::Write(pc / "a.txt", "PC a");
    TempDir::Write(pc / "c.txt", "PC c");
    TempDir::Write(device / "Storage Card/MHT/a.txt", "HH a");
    TempDir::Write(device / "Storage Card/MHT/c.txt", "HH c");
    TempDir::Write(device / "Storage Card/MHT/Full/x.txt", "x");
    fs::create_directories(device / "Storage Card/MHT/Sub");
    Start("\\Storage Card\\MHT\\");
  }

  AnsiString Pc(const std::string& name) const { return platform::FromNativePath(pc / name); }
  fs::path Place(const std::string& where) const {
    const std::string rest = where.substr(3);
    return where.rfind("hh:", 0) == 0 ? device.root() / rest : pc.path() / rest;
  }
  void SelectAll(TStringGrid* grid) {
    ClickCell(grid, 0, 1);
    ClickCell(grid, 0, grid->RowCount() - 1, Qt::ShiftModifier);
  }
  // Yes to each question; the handheld's folder goes at question number removeAt.
  void Answer(int questions, int removeAt) {
    for (int i = 1; i <= questions; ++i)
      ui.modalAnswers.push_back([this, i, removeAt] {
        if (i == removeAt) fs::remove_all(device.root());
        return platform::mrYes;
      });
  }
  std::vector<std::string> HandheldRows() const {
    std::vector<std::string> names;
    for (int row = 2; row < form->StringGrid1->RowCount(); ++row)
      names.push_back(form->StringGrid1->Cell(0, row));
    return names;
  }
};

TEST_P(FailureMatrix, ReportsExactlyAndKeepsWhatTheRulesKeep) {
  const Case& c = GetParam();
  const bool removeRoot = c.fault == Fault::RootRemoved;
  // The panes as the user sees them before a command of the file manager.
  if (c.command == Command::CopyToHandheld) {
    form->Refre1->trigger();
    SelectAll(form->StringGrid2);
  }
  if (c.command == Command::CopyToPc || c.command == Command::Delete) {
    form->SpeedButton12->click();
    ASSERT_EQ(HandheldRows(), kAllRows);
    SelectAll(form->StringGrid1);
  }
  const int questions = c.command == Command::Delete ? 4 : c.command == Command::MakeDir ? 1 : 2;
  Answer(questions, removeRoot ? (c.command == Command::MakeDir ? 1 : 2) : 0);

  const std::vector<std::string> before = OpenDescriptors();
  if (c.fault == Fault::Step) {
    const size_t at = c.step.find('@');
    DeviceFolder::Fail(c.step.substr(0, at) + "=" + std::to_string(c.code) +
                       (at == std::string::npos ? "" : c.step.substr(at)));
  }
  if (c.fault == Fault::ConnectDelay) DeviceFolder::ConnectDelay(kConnectTimeoutMs + 300);
  std::optional<RemoveWhen> watcher;
  // The folder goes while the new content is on its way; putting it in place then fails.
  if (removeRoot && c.command == Command::CopyToDevice) {
    DeviceFolder::WriteDelay(300);
    watcher.emplace(device / "Storage Card/MHT", IN_CREATE, device.root());
  }
  if (removeRoot && c.command == Command::CopyFromDevice)
    watcher.emplace(pc.path(), IN_CREATE, device.root());
  bool begun = false;
  if (removeRoot && c.command == Command::Listing)
    ui.onCursor = [&](platform::CursorShape shape) {
      if (shape == platform::CursorShape::Hourglass && !begun) {
        begun = true;
        fs::remove_all(device.root());
      }
    };

  const bool pcSide = c.fault == Fault::PcSide;
  switch (c.command) {
    case Command::CopyToDevice:
      CopyToDevice(Pc(pcSide ? "none.txt" : "a.txt"), "\\Storage Card\\MHT\\a.txt");
      break;
    case Command::CopyFromDevice:
      CopyFromDevice("\\Storage Card\\MHT\\c.txt", Pc(pcSide ? "none/c.txt" : "c.txt"));
      break;
    case Command::Listing:
      form->SpeedButton12->click();
      break;
    case Command::CopyToHandheld:
      form->KopirovaniesborudoPDA1->trigger();
      break;
    case Command::CopyToPc:
      form->MenuItem1->trigger();
      break;
    case Command::Delete:
      form->MenuItem2->trigger();
      break;
    case Command::MakeDir:
      form->Vytvoradresr1->trigger();
      break;
  }
  if (watcher) {
    EXPECT_TRUE(watcher->Wait()) << "the handheld's folder was never removed";
  }
  ui.onCursor = nullptr;

  std::vector<std::string> messages;
  for (const std::string& m : c.messages) messages.push_back(WithCode(m, c.code));
  // The push's own two texts go on with the file's path and why (device/transfer.h): here they
  // are matched by their words, the path and the reason being the transfer tests' concern.
  std::vector<std::string> shown = ui.Messages();
  for (size_t i = 0; i < shown.size() && i < messages.size(); ++i) {
    for (const AnsiString& text : {kDeviceFileNotCreated, kPcFileNotOpened}) {
      const std::string words = text.substr(0, text.size() - 1) + " ";
      if (messages[i] == text && shown[i].rfind(words, 0) == 0) shown[i] = text;
    }
  }
  EXPECT_EQ(shown, messages);
  EXPECT_EQ(WideBuffer, nullptr);
  if (!ui.cursors.empty()) {
    EXPECT_EQ(ui.cursors.back(), platform::CursorShape::Default);
  }

  const std::vector<std::string> after = OpenDescriptors();
  EXPECT_EQ(after.size(), before.size() + static_cast<size_t>(c.heldByDevice))
      << "opened: " << ::testing::PrintToString(Without(after, before))
      << "\nclosed: " << ::testing::PrintToString(Without(before, after));
  DeviceFolder::Fail("");
  CeRapiUninit();  // the handheld gives back what its link still held
  EXPECT_EQ(OpenDescriptors().size(), before.size());

  for (const Left& l : c.left) {
    SCOPED_TRACE(l.where);
    const fs::path place = Place(l.where);
    if (!l.content) {
      EXPECT_FALSE(fs::exists(place));
    } else if (*l.content == kFolder) {
      EXPECT_TRUE(fs::is_directory(place));
    } else {
      ASSERT_TRUE(fs::is_regular_file(place));
      EXPECT_EQ(TempDir::Read(place), *l.content);
    }
  }
  for (const auto& entry : fs::directory_iterator(pc.path()))
    EXPECT_NE(entry.path().filename().string().rfind(".vireska-copy", 0), 0u)
        << "a partial copy was left: " << entry.path();
  if (fs::exists(device.root())) {
    for (const auto& entry : fs::recursive_directory_iterator(device.root()))
      EXPECT_EQ(entry.path().filename().string().find(kDeviceTemporarySuffix), std::string::npos)
          << "a partial copy was left: " << entry.path();
  }
  if (c.handheldRows) {
    EXPECT_EQ(HandheldRows(), *c.handheldRows);
    EXPECT_EQ(form->CheckBox1->isEnabled(), c.pushEnabled);
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, FailureMatrix, ::testing::ValuesIn(AllCases()), CaseName);

}  // namespace
