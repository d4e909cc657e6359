#include "platform/clock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <chrono>
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
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
};

RealClock realClock;
Clock* current = &realClock;

}  // namespace

void SetClock(Clock* clock) {
  current = clock ? clock : &realClock;
}
std::uint32_t GetTickCount() {
  return current->TickCount();
}
void Sleep(std::uint32_t ms) {
  current->Sleep(ms);
}

void ProcessMessages() {
  // Until nothing is pending, as the Windows pump does: one pass alone leaves work that the
  // browser engine posts while it runs for the next call, and a page then never loads. The
  // engine may post without end, hence the bound.
  constexpr int kMaxPumpMs = 50;
  if (QCoreApplication::instance())
    QCoreApplication::processEvents(QEventLoop::AllEvents, kMaxPumpMs);
}

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
  int timerId = dispatcher->registerTimer(maxWaitMs, Qt::PreciseTimer, dispatcher);
  dispatcher->processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
  dispatcher->unregisterTimer(timerId);
}

}  // namespace platform
