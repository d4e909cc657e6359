// Sleep as the program sees it: the toolkit and the engine go on, user input and the program's
// own handlers wait until it is over and then come in the order they arrived.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "support/queued_input.h"

namespace {

bool PumpUntil(const std::function<bool()>& done) {
  const std::uint32_t start = platform::GetTickCount();
  while (!done()) {
    if (platform::GetTickCount() - start > 10000) return false;
    platform::ProcessMessagesWaiting(10);
  }
  return true;
}

TEST(Sleep, OtherWorkGoesOnWhileTheProgramsHandlersWaitInArrivalOrder) {
  std::vector<std::string> log;
  auto note = [&](const char* what) { log.emplace_back(what); };
  // Work of the toolkit or the engine runs during the sleep; the program's handlers that
  // arrive meanwhile do not, and one that sleeps itself keeps the later ones waiting.
  QTimer::singleShot(10, [&] {
    note("engine");
    platform::RunAwake([&] { note("A"); });
    platform::RunAwake([&] {
      note("B");
      platform::Sleep(30);
      note("B slept");
    });
    platform::RunAwake([&] { note("C"); });
  });
  const std::uint32_t start = platform::GetTickCount();
  platform::Sleep(100);
  EXPECT_GE(platform::GetTickCount() - start, 100u);
  EXPECT_FALSE(platform::Sleeping());
  note("awake");
  // They come as events of their own, at the next pump, not inside the sleep's return.
  EXPECT_EQ(log, (std::vector<std::string>{"engine", "awake"}));
  ASSERT_TRUE(PumpUntil([&] { return log.size() == 6; }));
  EXPECT_EQ(log, (std::vector<std::string>{"engine", "awake", "A", "B", "B slept", "C"}));

  // Outside a sleep a handler runs at once.
  platform::RunAwake([&] { note("now"); });
  EXPECT_EQ(log.back(), "now");
}

TEST(Sleep, AClickDuringTheSleepIsHandledAfterIt) {
  QWidget window;
  auto* button = new QPushButton(QStringLiteral("Brejk"), &window);
  button->resize(80, 30);
  window.resize(200, 100);
  window.show();
  ASSERT_TRUE(
      PumpUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }));
  int clicks = 0;
  bool clickedAsleep = false;
  QObject::connect(button, &QPushButton::clicked, [&] {
    ++clicks;
    clickedAsleep = platform::Sleeping();
  });

  QTimer::singleShot(10, [&] { QueueClick(button); });
  platform::Sleep(100);
  EXPECT_EQ(clicks, 0);
  ASSERT_TRUE(PumpUntil([&] { return clicks == 1; }));
  EXPECT_FALSE(clickedAsleep);
}

}  // namespace
