#include "device/worker.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <deque>
#include <exception>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/hold.h"

namespace device {

void Job::Progress(std::uint64_t done, std::uint64_t total) {
  total_.store(total, std::memory_order_relaxed);
  done_.store(done, std::memory_order_relaxed);
  progressed_.store(true, std::memory_order_release);
  // The window is woken for progress a few dozen times a second, not for every chunk: a bar
  // moves no faster, and each wake costs the copy time.
  using namespace std::chrono;
  const auto now = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  if (now - lastWake_ < kProgressWakeMs && done < total) return;
  lastWake_ = now;
  Notify();
}

void Job::RequestStop() {
  stop_.store(true, std::memory_order_release);
  Notify();
}

void Job::Notify() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++changes_;
  }
  changed_.notify_all();
  platform::WakeWaitingThread();
}

void Job::WaitChange(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  const std::uint64_t seen = changes_;
  changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return changes_ != seen; });
}

namespace {
struct Item {
  std::shared_ptr<Job> job;
  std::function<void(Job&)> work;
};
}  // namespace

namespace {
thread_local bool deviceThread = false;
}  // namespace

// The thread is ended at the program's end only when it is idle: a job held by a device that
// never answers must not keep the program from ending, so then it is left to the process's end
// (and the worker is never destroyed, so that it finds its state when the device answers).
class Worker {
 public:
  Worker()
      : thread_([this] {
          deviceThread = true;
          Loop();
        }) {}

  void Add(Item item) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(std::move(item));
    }
    wake_.notify_all();
  }

  bool WaitIdle(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(ms),
                          [this] { return queue_.empty() && !busy_; });
  }

  // An idle thread ends and is joined; a busy one is let go.
  void End(int ms) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (!idle_.wait_for(lock, std::chrono::milliseconds(ms),
                          [this] { return queue_.empty() && !busy_; })) {
        thread_.detach();
        return;
      }
      quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

 private:
  void Loop() {
    for (;;) {
      Item item;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [this] { return !queue_.empty() || quit_; });
        if (queue_.empty()) return;  // quit
        item = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
      }
      // Held here: the window may have let go of the job after a stop.
      const std::shared_ptr<Job> job = std::move(item.job);
      if (!job->StopRequested()) {
        job->started_.store(true, std::memory_order_release);
        job->Notify();
        try {
          item.work(*job);
        } catch (...) {
          job->error_ = std::current_exception();
        }
      }
      item.work = nullptr;  // what the work captured goes before the job counts as finished
      job->finished_.store(true, std::memory_order_release);
      job->Notify();
      {
        std::lock_guard<std::mutex> lock(mutex_);
        busy_ = false;
      }
      idle_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<Item> queue_;
  bool busy_ = false;
  bool quit_ = false;
  std::thread thread_;  // last: it starts once the rest is there
};

namespace {

Worker* worker = nullptr;  // made on first use, never destroyed: see Worker

Worker& TheWorker() {
  static const bool made = (worker = new Worker, true);
  (void)made;
  return *worker;
}

// At the program's end (tests included) an idle thread is ended, so no thread of ours is left
// running while the process exits.
struct EndAtExit {
  ~EndAtExit() {
    if (worker) worker->End(kEndWaitMs);
  }
  static constexpr int kEndWaitMs = 1000;
} endAtExit;

// The waits in progress, innermost last; each learns of a stop through its flag.
std::vector<bool*> awaited;

bool OnWindowThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

}  // namespace

std::shared_ptr<Job> Post(std::function<void(Job&)> work) {
  auto job = std::make_shared<Job>();
  TheWorker().Add(Item{job, std::move(work)});
  return job;
}

void PostAndForget(std::function<void()> work) {
  Post([work = std::move(work)](Job&) { work(); });
}

WaitEnd Await(const std::shared_ptr<Job>& job, const WaitOptions& options) {
  bool stopped = false;
  awaited.push_back(&stopped);
  struct Pop {
    ~Pop() { awaited.pop_back(); }
  } pop;
  const bool window = OnWindowThread();
  std::optional<platform::HeldInput> held;
  if (window) held.emplace([] { StopAwaited(); });

  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  std::uint64_t reported = ~std::uint64_t{0};
  const auto report = [&] {
    const std::uint64_t done = job->Done();
    if (!options.progress || !job->Progressed() || done == reported) return;
    reported = done;
    options.progress(done, job->Total());
  };
  for (;;) {
    report();
    if (job->Finished()) {
      if (job->Error()) std::rethrow_exception(job->Error());
      return WaitEnd::Finished;
    }
    if (stopped) {
      job->RequestStop();
      return WaitEnd::Stopped;
    }
    int waitMs = 50;
    if (options.startLimitMs >= 0 && !job->Started()) {
      const auto left =
          options.startLimitMs -
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
      if (left <= 0) {
        job->RequestStop();
        // It may have begun just now: then it is waited for as any other.
        if (!job->Started()) return WaitEnd::TimedOut;
        continue;
      }
      waitMs = static_cast<int>(std::min<long long>(waitMs, left));
    }
    if (window)
      platform::ProcessMessagesWaiting(waitMs);
    else
      job->WaitChange(waitMs);
  }
}

bool OnDeviceThread() {
  return deviceThread;
}

bool Awaiting() {
  return !awaited.empty();
}

void StopAwaited() {
  for (bool* stopped : awaited) *stopped = true;
  platform::WakeWaitingThread();
}

bool WaitIdle(int ms) {
  return TheWorker().WaitIdle(ms);
}

}  // namespace device
