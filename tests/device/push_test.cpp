// The push of an export to the handheld on the real window: it moves in chunks, shows its
// progress, keeps the window working, and the upload time limit ends it.
#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <chrono>

#include "device/transfer.h"
#include "export/uploadlimit.h"
#include "support/device_folder.h"
#include "support/form_fixture.h"

namespace {

class Push : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->CheckBox1->setEnabled(true);
    form->CheckBox1->setChecked(true);
  }
  AnsiString PcFile(const std::string& name) { return platform::FromNativePath(dir / name); }
  std::vector<std::string> DeviceNames() const { return TempDir::Names(device.root()); }
  DeviceFolder device;
};

TEST_F(Push, ProgressFillsTheBarAndTheFileArrivesWhole) {
  const std::string bytes(3 * kTransferChunk + 5, 'p');
  TempDir::Write(dir / "page.htm", bytes);
  TempDir::Write(device / "page.htm", "old");
  form->PushExport(PcFile("page.htm"), "\\page.htm");
  EXPECT_EQ(TempDir::Read(device / "page.htm"), bytes);
  EXPECT_EQ(form->ProgressBar1->value(), form->ProgressBar1->maximum());
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_EQ(DeviceNames(), std::vector<std::string>{"page.htm"});
}

TEST_F(Push, TheLimitEndsASlowPushWhileTheWindowGoesOnWorking) {
  TempDir::Write(dir / "page.htm", "new page");
  TempDir::Write(dir / "other.htm", "other page");
  TempDir::Write(device / "page.htm", "old page");
  // One write takes far longer than the limit: only the limit can end the push in time.
  constexpr int kWriteMs = 30000;
  DeviceFolder::WriteDelay(kWriteMs);
  bool runningAtClick = false;
  platform::CursorShape cursorAtClick = platform::CursorShape::Default;
  QTimer::singleShot(1500, form.get(), [&] {
    runningAtClick = TransferRunning();
    cursorAtClick = ui.cursors.empty() ? cursorAtClick : ui.cursors.back();
    form->SpeedButton11->click();  // "Brejk"
    // A second push from here would share the running one's state: it is refused.
    form->PushExport(PcFile("other.htm"), "\\other.htm");
  });
  const auto start = std::chrono::steady_clock::now();
  form->PushExport(PcFile("page.htm"), "\\page.htm");
  EXPECT_LT(MsSince(start), kWriteMs);

  EXPECT_TRUE(runningAtClick);
  EXPECT_EQ(cursorAtClick, platform::CursorShape::Hourglass);
  EXPECT_TRUE(PageReady);  // the click was handled during the push
  EXPECT_EQ(ui.Messages(), (std::vector<AnsiString>{kTransferBusyMessage, kUploadOverrunMessage}));
  EXPECT_FALSE(form->CheckBox1->isChecked());
  EXPECT_FALSE(form->CheckBox1->isEnabled());
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_FALSE(TransferRunning());
  EXPECT_EQ(TempDir::Read(device / "page.htm"), "old page");
  EXPECT_EQ(DeviceNames(), std::vector<std::string>{"page.htm"});
}

}  // namespace
