#include "platform/clock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

namespace platform {
namespace {

class RealClock final : public Clock {
 public:
  std::uint32_t TickCount() override {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  void Sleep(std::uint32_t ms) override {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      return;
    }
    // The engine's browser side lives on this thread: a blocked thread would stop the page.
    QDeadlineTimer deadline(static_cast<qint64>(ms), Qt::PreciseTimer);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    while (!deadline.hasExpired()) {
      timer.start(static_cast<int>(deadline.remainingTime()));
      // A quitting application ends every loop at once; the rest of the time is slept plainly.
      if (loop.exec(QEventLoop::ExcludeUserInputEvents) != 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(deadline.remainingTime()));
        break;
      }
    }
  }
};

RealClock realClock;
Clock* current = &realClock;

int sleeping = 0;
std::deque<std::function<void()>> held;

// Each held handler becomes an event of its own again, behind what is already pending.
void ReleaseHeld() {
  std::deque<std::function<void()>> due;
  due.swap(held);
  QCoreApplication* app = QCoreApplication::instance();
  for (std::function<void()>& handler : due) {
    if (app)
      QMetaObject::invokeMethod(
          app, [handler = std::move(handler)]() mutable { RunAwake(std::move(handler)); },
          Qt::QueuedConnection);
    else
      handler();
  }
}

}  // namespace

void SetClock(Clock* clock) {
  current = clock ? clock : &realClock;
}
std::uint32_t GetTickCount() {
  return current->TickCount();
}
void Sleep(std::uint32_t ms) {
  struct Asleep {
    Asleep() { ++sleeping; }
    ~Asleep() {
      if (--sleeping == 0) ReleaseHeld();
    }
  } asleep;
  current->Sleep(ms);
}

bool Sleeping() {
  return sleeping > 0;
}

void RunAwake(std::function<void()> handler) {
  if (sleeping > 0)
    held.push_back(std::move(handler));
  else
    handler();
}

void ProcessMessages() {
  // Until nothing is pending, as the Windows pump does: one pass alone leaves work that the
  // browser engine posts while it runs for the next call, and a page then never loads. The
  // engine may post without end, hence the bound.
  constexpr int kMaxPumpMs = 50;
  if (QCoreApplication::instance())
    QCoreApplication::processEvents(QEventLoop::AllEvents, kMaxPumpMs);
}

namespace {
// A wake from another thread: the dispatcher that waits now, or a wake kept for the next wait
// (one that came between a waiter's last look and its wait).
std::mutex wakeMutex;
QAbstractEventDispatcher* waitingDispatcher = nullptr;
bool wakePending = false;
}  // namespace

void ProcessMessagesWaiting(int maxWaitMs) {
  if (!QCoreApplication::instance()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(maxWaitMs));
    return;
  }
  // processEvents(.., maxtime) does not wait for an event; a short wait on the dispatcher does.
  ProcessMessages();
  QAbstractEventDispatcher* dispatcher =
      QAbstractEventDispatcher::instance(QThread::currentThread());
  if (!dispatcher) return;
  {
    std::lock_guard<std::mutex> lock(wakeMutex);
    if (wakePending) {
      wakePending = false;
      return;
    }
    waitingDispatcher = dispatcher;
  }
  int timerId = dispatcher->registerTimer(maxWaitMs, Qt::PreciseTimer, dispatcher);
  dispatcher->processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
  dispatcher->unregisterTimer(timerId);
  std::lock_guard<std::mutex> lock(wakeMutex);
  waitingDispatcher = nullptr;
  wakePending = false;
}

void WakeWaitingThread() {
  std::lock_guard<std::mutex> lock(wakeMutex);
  if (waitingDispatcher)
    waitingDispatcher->wakeUp();
  else
    wakePending = true;
}

}  // namespace platform
