#pragma once
// GetTickCount/Sleep and the message pump, replaceable in tests.
#include <cstdint>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t TickCount() = 0;  // milliseconds, wraps at 2^32
  virtual void Sleep(std::uint32_t ms) = 0;
};

// nullptr restores the real clock.
void SetClock(Clock* clock);

std::uint32_t GetTickCount();
void Sleep(std::uint32_t ms);

// Handles the pending events of the GUI thread and returns (Application->ProcessMessages).
void ProcessMessages();
// One pass of a busy wait: handles pending events, waiting at most maxWaitMs for one to arrive,
// so such a loop does not spin a core.
void ProcessMessagesWaiting(int maxWaitMs);

}  // namespace platform
