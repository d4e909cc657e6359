// The push of an export to the handheld on the real window: it moves in chunks, shows its
// progress, keeps the window working, and the upload time limit ends it.
#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
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
  // One write takes longer than the limit and its first check past it: only the limit can end
  // the push in time, and the window does not wait for the device to let go.
  constexpr int kWriteMs = kUploadLimitMs + 3000;
  DeviceFolder::WriteDelay(kWriteMs);
  bool runningAtClick = false;
  platform::CursorShape cursorAtClick = platform::CursorShape::Default;
  QTimer::singleShot(1500, form.get(), [&] {
    runningAtClick = TransferRunning();
    cursorAtClick = ui.cursors.empty() ? cursorAtClick : ui.cursors.back();
    // A second push from here would share the running one's state: it is refused.
    form->PushExport(PcFile("other.htm"), "\\other.htm");
  });
  const auto start = std::chrono::steady_clock::now();
  form->PushExport(PcFile("page.htm"), "\\page.htm");
  EXPECT_LT(MsSince(start), kWriteMs);

  EXPECT_TRUE(runningAtClick);
  EXPECT_EQ(cursorAtClick, platform::CursorShape::Hourglass);
  EXPECT_EQ(ui.Messages(), (std::vector<AnsiString>{kTransferBusyMessage, kUploadOverrunMessage}));
  EXPECT_FALSE(form->CheckBox1->isChecked());
  EXPECT_FALSE(form->CheckBox1->isEnabled());
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_FALSE(TransferRunning());
  // The stopped push cleans up on the handheld's thread once its write returns, then the link
  // ends.
  DeviceFolder::Settle();
  EXPECT_EQ(TempDir::Read(device / "page.htm"), "old page");
  EXPECT_EQ(DeviceNames(), std::vector<std::string>{"page.htm"});
  EXPECT_FALSE(DeviceFolder::LinkOpen());
}

// While a push runs the window drops its user input, shows the stop control and stops on Esc;
// the stopped push is not started again for the next cache.
TEST_F(Push, InputIsHeldDuringAPushAndEscStopsIt) {
  TempDir::Write(dir / "page.htm", "new page");
  TempDir::Write(device / "page.htm", "old page");
  DeviceFolder::WriteDelay(3000);
  form->show();
  bool stopShown = false, tickKept = false;
  QTimer::singleShot(800, form.get(), [&] {
    stopShown = form->SpeedButton14->isVisible();
    QTest::mouseClick(form->CheckBox1, Qt::LeftButton);  // would untick "->PDA"
    tickKept = form->CheckBox1->isChecked();
    QTest::keyClick(form->CheckListBox1, Qt::Key_Escape);
  });
  const auto start = std::chrono::steady_clock::now();
  form->PushExport(PcFile("page.htm"), "\\page.htm");
  EXPECT_LT(MsSince(start), 3000);
  EXPECT_TRUE(stopShown);
  EXPECT_TRUE(tickKept);
  EXPECT_FALSE(form->SpeedButton14->isVisible());
  EXPECT_FALSE(form->CheckBox1->isChecked());
  EXPECT_TRUE(form->CheckBox1->isEnabled());
  EXPECT_TRUE(ui.shown.empty());
  // Input goes to the window again.
  QTest::mouseClick(form->CheckBox1, Qt::LeftButton);
  EXPECT_TRUE(form->CheckBox1->isChecked());
  DeviceFolder::Settle();
  EXPECT_EQ(TempDir::Read(device / "page.htm"), "old page");
  EXPECT_EQ(DeviceNames(), std::vector<std::string>{"page.htm"});
}

// Closing the window during a push stops the push first: no temporary file stays on the
// handheld and the link ends after the push let go of it.
TEST_F(Push, ClosingTheWindowStopsThePushFirst) {
  TempDir::Write(dir / "page.htm", std::string(3 * kTransferChunk, 'n'));
  TempDir::Write(device / "page.htm", "old page");
  DeviceFolder::WriteDelay(300);
  form->show();
  QTimer::singleShot(100, form.get(), [&] { form->close(); });
  form->PushExport(PcFile("page.htm"), "\\page.htm");
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(AppClosing);
  DeviceFolder::Settle();
  EXPECT_EQ(TempDir::Read(device / "page.htm"), "old page");
  EXPECT_EQ(DeviceNames(), std::vector<std::string>{"page.htm"});
  EXPECT_FALSE(DeviceFolder::LinkOpen());
  EXPECT_TRUE(ui.shown.empty());
}

}  // namespace
