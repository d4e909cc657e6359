#pragma once
// GetTickCount/Sleep and the message pump, replaceable in tests.
#include <cstdint>
#include <functional>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t TickCount() = 0;  // milliseconds, wraps at 2^32
  // The wait itself. The real clock lets the toolkit and the browser engine work meanwhile
  // (their browser side runs on this thread) but handles no user input.
  virtual void Sleep(std::uint32_t ms) = 0;
};

// nullptr restores the real clock.
void SetClock(Clock* clock);

std::uint32_t GetTickCount();
// The thread sleeps as far as the program can tell: no user input is handled and none of the
// program's own event handlers runs (those that go through RunAwake wait until it is over),
// while the browser engine goes on loading.
void Sleep(std::uint32_t ms);

// True while Sleep runs.
bool Sleeping();
// A handler of the program's own events (a browser event, its timer): runs now, or, when it
// arrives during a Sleep, as an event of its own after the Sleep, in arrival order, as the
// message would have waited for a sleeping thread.
void RunAwake(std::function<void()> handler);

// Handles the pending events of the GUI thread and returns (Application->ProcessMessages).
void ProcessMessages();
// One pass of a busy wait: handles pending events, waiting at most maxWaitMs for one to arrive,
// so such a loop does not spin a core.
void ProcessMessagesWaiting(int maxWaitMs);
// Ends the wait of ProcessMessagesWaiting now, or the next one at once; any thread may call it
// (work on another thread that finished, or made progress).
void WakeWaitingThread();

}  // namespace platform
