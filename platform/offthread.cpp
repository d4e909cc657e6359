#include "platform/offthread.h"

#include <mutex>
#include <thread>
#include <utility>

namespace platform {

struct OffThread::Shared {
  std::mutex mutex;
  QObject* owner = nullptr;
};

OffThread::OffThread(QObject* owner) : shared_(std::make_shared<Shared>()) {
  shared_->owner = owner;
}

OffThread::~OffThread() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->owner = nullptr;  // what was posted before goes with the owner's pending events
}

void OffThread::Run(std::function<std::function<void()>()> work) {
  std::thread([shared = shared_, work = std::move(work)] {
    std::function<void()> answer = work();
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (shared->owner)
      QMetaObject::invokeMethod(shared->owner, std::move(answer), Qt::QueuedConnection);
  }).detach();
}

}  // namespace platform
