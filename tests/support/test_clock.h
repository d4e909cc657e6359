#pragma once
// A clock the test moves by hand; Sleep advances it instead of waiting.
#include "platform/clock.h"

class TestClock : public platform::Clock {
 public:
  explicit TestClock(std::uint32_t start = 0) : now(start) { platform::SetClock(this); }
  ~TestClock() override { platform::SetClock(nullptr); }
  std::uint32_t TickCount() override { return now; }
  void Sleep(std::uint32_t ms) override { now += ms; }
  std::uint32_t now;
};
