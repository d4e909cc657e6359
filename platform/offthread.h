#pragma once
// Work that may block on a file system that stopped answering (a dead card or network mount): it
// runs on a thread of its own, and its answer comes back to the owner's thread as a queued call.
// Dropping the owner drops every answer still on its way; a thread held by a dead mount outlives
// it harmlessly.
#include <QObject>
#include <functional>
#include <memory>

namespace platform {

class OffThread {
 public:
  explicit OffThread(QObject* owner);
  ~OffThread();
  OffThread(const OffThread&) = delete;
  OffThread& operator=(const OffThread&) = delete;

  // work runs on a new thread; the function it returns runs on the owner's thread afterwards.
  void Run(std::function<std::function<void()>()> work);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace platform
