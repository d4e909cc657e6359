// Hung mounts (tests/support/stopped_fuse.h): nothing the window does may wait on one.
#include <sys/statvfs.h>

#include <QTest>
#include <atomic>
#include <thread>

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

}  // namespace
