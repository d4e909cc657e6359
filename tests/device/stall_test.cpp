// Hung mounts (tests/support/stopped_fuse.h): nothing the window does may wait on one.
#include <sys/statvfs.h>

#include <QListWidget>
#include <QTest>
#include <atomic>
#include <thread>

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

}  // namespace
