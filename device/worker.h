#pragma once
// The handheld's thread. Every call into the handheld's library is made on this one thread, in
// the order the window asked for them, so a device that stops answering holds up that thread and
// never the window: the window waits for a job while it goes on painting and running its timers,
// with user input held back (platform/hold.h) except the way to stop.
//
// A stop never waits on the device either: the window stops waiting at once and the job, told to
// stop, cleans up on its own thread when the device lets it. Jobs posted later run after it.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

namespace device {

// What a job and the window that waits for it share.
class Job {
 public:
  // On the handheld's thread, after each piece of work.
  void Progress(std::uint64_t done, std::uint64_t total);
  bool StopRequested() const { return stop_.load(std::memory_order_acquire); }

  // On the window's thread. A job told to stop before it began does not run at all.
  void RequestStop();
  bool Started() const { return started_.load(std::memory_order_acquire); }
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  std::uint64_t Done() const { return done_.load(std::memory_order_relaxed); }
  std::uint64_t Total() const { return total_.load(std::memory_order_relaxed); }
  bool Progressed() const { return progressed_.load(std::memory_order_acquire); }
  // Blocks the calling thread until the job changes (progress, start, end) or ms pass.
  void WaitChange(int ms);
  // What the work raised, once finished (Await raises it again on the window's thread).
  std::exception_ptr Error() const { return error_; }

 private:
  friend class Worker;
  void Notify();
  std::atomic<bool> stop_{false}, started_{false}, finished_{false}, progressed_{false};
  std::atomic<std::uint64_t> done_{0}, total_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t changes_ = 0;
  std::exception_ptr error_;
  static constexpr long long kProgressWakeMs = 20;
  long long lastWake_ = 0;  // the handheld's thread's own
};

// Runs work on the handheld's thread after every job posted before it. Nothing of the window may
// be touched there: work reads what it captured and reports through the job and its own results.
std::shared_ptr<Job> Post(std::function<void(Job&)> work);
// Work nobody waits for (ending the link after a stop or at close).
void PostAndForget(std::function<void()> work);

enum class WaitEnd { Finished, Stopped, TimedOut };

struct WaitOptions {
  // On the window's thread, whenever the job reported progress since the last call.
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
  // A job that has not begun after this many milliseconds (the handheld's thread is held by an
  // earlier one) is told to stop and the wait ends TimedOut. Negative: no limit.
  int startLimitMs = -1;
};

// Waits on the window's thread for the job: events are handled meanwhile and user input is held,
// except the stop (StopAwaited). Stopped: the wait was stopped and the job told to stop, which it
// may not have done yet. Without an application object it simply blocks until the end.
WaitEnd Await(const std::shared_ptr<Job>& job, const WaitOptions& options = {});

// Post and Await in one.
inline WaitEnd Run(std::function<void(Job&)> work, const WaitOptions& options = {}) {
  return Await(Post(std::move(work)), options);
}

// Whether the calling thread is the handheld's.
bool OnDeviceThread();

// Whether the window is waiting for a job now.
bool Awaiting();
// Ends the wait in progress (Esc, the stop control, the upload time limit, closing the window),
// telling its job to stop. Nothing happens when nothing is awaited.
void StopAwaited();

// Blocks until every job posted so far has ended, at most ms; false when one still runs. For the
// program's exit and for tests that look at the handheld after a stop.
bool WaitIdle(int ms);

}  // namespace device
