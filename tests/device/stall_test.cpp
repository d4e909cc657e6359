// Hung mounts (tests/support/stopped_fuse.h): nothing the window does may wait on one.
#include <sys/statvfs.h>

#include <QListWidget>
#include <QTest>
#include <atomic>
#include <thread>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "device/link.h"
#include "device/transfer.h"
#include "export/uploadlimit.h"
#include "support/device_folder.h"
#include "support/form_fixture.h"
#include "support/stopped_fuse.h"

namespace {

class StoppedCard : public WithStoppedFuse<> {};

// What the fixture promises the tests that use it.
TEST_F(StoppedCard, HoldsEveryCallUntilContinued) {
  StoppedFuse& card = Mount(BelowMedia("SD"));
  EXPECT_TRUE(stopped_fuse::Mounted("/media/SD"));
  card.Stop();
  std::atomic<int> answer{1};
  std::thread look([&] {
    struct statvfs info {};
    answer = ::statvfs(card.Folder().c_str(), &info);
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return card.Waiting() == 1; }, 20'000));
  EXPECT_EQ(answer, 1);
  card.Continue();
  look.join();
  EXPECT_EQ(answer, 0);
}

class HungVolumes : public WithStoppedFuse<FormTest> {
 protected:
  // The device list's line that begins so, or none.
  QListWidgetItem* Listed(const QString& start) const {
    for (int row = 0; row < form->ListBox1->count(); ++row)
      if (form->ListBox1->item(row)->text().startsWith(start)) return form->ListBox1->item(row);
    return nullptr;
  }
  bool WaitListed(const QString& start) {
    return QTest::qWaitFor([&] { return Listed(start) != nullptr; }, 20'000);
  }
};

// A share elsewhere whose server went away and a card whose driver hangs: the window starts and
// stays live, the list says which volume does not answer and still follows the others, and no
// look at the card piles up behind the one that waits.
TEST_F(HungVolumes, TheWindowStartsAndTheListMarksTheVolumeThatDoesNotAnswer) {
  TempDir::Write(Ini(), "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\n");
  StoppedFuse& share = Mount(work / "share");  // outside the folders where devices are looked for
  StoppedFuse& card = Mount(BelowMedia("SD"));
  share.Stop();
  card.Stop();
  bool handled = false;
  QMetaObject::invokeMethod(
      form.get(), [&] { handled = true; }, Qt::QueuedConnection);
  form->show();
  form->activateWindow();
  ASSERT_TRUE(WaitListed(QStringLiteral("SD [/media/SD] neodpovedá")));
  EXPECT_TRUE(handled);
  form->PageControl1->setCurrentWidget(form->TabSheet7);
  EXPECT_TRUE(form->TabSheet7->isVisible());
  // Choosing it would have the hint look into it on the window thread.
  EXPECT_FALSE(Listed(QStringLiteral("SD"))->flags() & Qt::ItemIsEnabled);

  // A card plugged in and pulled out again meanwhile.
  std::filesystem::create_directory("/media/GPS");
  ASSERT_EQ(::mount("gps", "/media/GPS", "tmpfs", 0, "size=1m"), 0);
  EXPECT_TRUE(WaitListed(QStringLiteral("GPS [/media/GPS] voľné")));
  ::umount2("/media/GPS", MNT_DETACH);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Listed(QStringLiteral("GPS")); }, 20'000));
  EXPECT_EQ(card.Waiting(), 1);
  EXPECT_EQ(share.Waiting(), 0);

  card.Continue();
  EXPECT_TRUE(WaitListed(QStringLiteral("SD [/media/SD] voľné")));
  EXPECT_TRUE(ui.shown.empty());
}

// The handheld on a card whose driver hangs: the window gives up or stops without waiting on it,
// and the copy cleans up once the card answers again.
class HungHandheld : public WithStoppedFuse<FormTest> {
 protected:
  void SetUp() override {
    WithStoppedFuse<FormTest>::SetUp();
    if (IsSkipped()) return;
    card = &Mount(work / "card");
    ::setenv(folder_device::kRootVariable, card->Folder().c_str(), 1);
    TempDir::Write(card->Folder() / "page.htm", "old page");
    TempDir::Write(dir / "page.htm", std::string(3 * kTransferChunk, 'n'));
  }
  std::vector<std::string> CardNames() const { return TempDir::Names(card->Folder()); }
  AnsiString PcFile(const std::string& name) { return platform::FromNativePath(dir / name); }

  DeviceFolder device;  // the binding and the library; its own folder is not used
  StoppedFuse* card = nullptr;
};

TEST_F(HungHandheld, ThePushEndsAtItsLimitWhileTheCardStillHangs) {
  form->CheckBox1->setEnabled(true);
  form->CheckBox1->setChecked(true);
  DeviceFolder::WriteDelay(200);  // the card stops once the copy is under way
  QTimer::singleShot(300, form.get(), [&] { card->Stop(); });
  form->PushExport(PcFile("page.htm"), "\\page.htm");
  // Back from the push with the card still stopped: the window never waited on it.
  EXPECT_GE(card->Waiting(), 1);
  EXPECT_EQ(ui.Messages(), std::vector<AnsiString>{kUploadOverrunMessage});
  EXPECT_FALSE(form->CheckBox1->isEnabled());
  card->Continue();
  DeviceFolder::Settle();
  EXPECT_EQ(TempDir::Read(card->Folder() / "page.htm"), "old page");
  EXPECT_EQ(CardNames(), std::vector<std::string>{"page.htm"});
}

TEST_F(HungHandheld, TheUserStopsAFileManagerCopyAndTheWindowGoesOn) {
  TempDir::Write(Ini(), "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\n[LastCesty]\r\nPDA=\\\r\nPC=" +
                            platform::FromNativePath(dir.path()) + "\r\n");
  form->FormActivate();
  form->show();
  form->PageControl1->setCurrentWidget(form->TabSheet8);
  form->Refre1->trigger();
  const QRect cell = form->StringGrid2->visualRect(form->StringGrid2->Cells()->index(
      [&] {
        for (int row = 1; row < form->StringGrid2->RowCount(); ++row)
          if (form->StringGrid2->Cell(0, row) == "page.htm") return row;
        return -1;
      }(),
      0));
  QTest::mouseClick(form->StringGrid2->viewport(), Qt::LeftButton, {}, cell.center());
  ui.modalAnswers.push_back([] { return platform::mrYes; });
  card->Stop();
  bool stopShown = false;
  QTimer::singleShot(800, form.get(), [&] {
    stopShown = form->SpeedButton14->isVisible();
    QTest::mouseClick(form->SpeedButton14, Qt::LeftButton);
  });
  form->KopirovaniesborudoPDA1->trigger();
  EXPECT_TRUE(stopShown);
  // The listing after it gives up on the card instead of waiting behind the stopped copy.
  EXPECT_EQ(form->StatusBar3->PanelText(1), kDeviceNotAnswering);
  EXPECT_FALSE(form->CheckBox1->isEnabled());
  EXPECT_GE(card->Waiting(), 1);
  EXPECT_TRUE(ui.shown.empty());
  card->Continue();
  DeviceFolder::Settle();
  EXPECT_EQ(TempDir::Read(card->Folder() / "page.htm"), "old page");
  EXPECT_EQ(CardNames(), std::vector<std::string>{"page.htm"});
}

// The handheld folder chosen on "Nastavenia" is on a card that hangs: the window starts, and the
// hint says so.
TEST_F(HungHandheld, AChosenFolderThatHangsIsSaidNotToAnswer) {
  TempDir::Write(Ini(), "[Kdeukladatdata]\r\nWPTsubor=/x.wpt\r\nPDA_Koren=" +
                            platform::FromNativePath(card->Folder()) + "\r\n");
  card->Stop();
  form->show();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return form->Label14->text().contains(QStringLiteral("neodpovedá")); }, 20'000));
  form->PageControl1->setCurrentWidget(form->TabSheet7);
  EXPECT_TRUE(form->TabSheet7->isVisible());
  card->Continue();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return !form->Label14->text().contains(QStringLiteral("neodpovedá")); }, 20'000));
}

}  // namespace
