#pragma once
// Leak checking of sanitized builds (nothing in other builds). The browser engine does its own
// work on the main thread from the toolkit's event dispatch, and on threads of its own, and
// keeps some of what it allocates there for the life of the process. That work runs unchecked;
// every handler of ours that the engine calls from it is checked again. So no suppression has to
// name the engine's library, which would also hide a leak of ours under one of its frames.
class QObject;

namespace platform {

#ifdef VIRESKA_LEAK_CHECK
// Whether the address lies in one of the engine's libraries.
bool OfTheEngine(const void* address);

// An event dispatched to one of the engine's objects runs unchecked.
class EngineWork {
 public:
  explicit EngineWork(const QObject* receiver);
  ~EngineWork();
  EngineWork(const EngineWork&) = delete;
  EngineWork& operator=(const EngineWork&) = delete;

 private:
  bool unchecked_;
};

// Code of ours is checked, also when the engine calls it from unchecked work.
class OwnWork {
 public:
  OwnWork();
  ~OwnWork();
  OwnWork(const OwnWork&) = delete;
  OwnWork& operator=(const OwnWork&) = delete;

 private:
  int resumed_;
};
#else
class EngineWork {
 public:
  explicit EngineWork(const QObject*) {}
};
class OwnWork {
 public:
  OwnWork() {}  // NOLINT(modernize-use-equals-default): keeps a guard from being unused
};
#endif

}  // namespace platform
