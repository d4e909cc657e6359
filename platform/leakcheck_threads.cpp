// Sanitized builds only, in every program that holds the browser engine (platform/leakcheck.h):
// threads the engine starts run unchecked. Our code never runs on them; the engine hands every
// event to the main thread.
#include <dlfcn.h>
#include <pthread.h>
#include <sanitizer/lsan_interface.h>

#include "platform/leakcheck.h"

namespace {

using ThreadRoutine = void* (*)(void*);

struct Start {
  ThreadRoutine routine;
  void* arg;
};

void* EngineThread(void* raw) {
  const Start start = *static_cast<Start*>(raw);
  delete static_cast<Start*>(raw);
  __lsan_disable();
  return start.routine(start.arg);
}

}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, ThreadRoutine routine,
                              void* arg) {
  using Create = int (*)(pthread_t*, const pthread_attr_t*, ThreadRoutine, void*);
  static const auto next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
  if (!platform::OfTheEngine(reinterpret_cast<const void*>(routine)))
    return next(thread, attr, routine, arg);
  Start* start;
  {
    // Not a leak of ours if the process ends before the thread has run.
    __lsan::ScopedDisabler unchecked;
    start = new Start{routine, arg};
  }
  const int result = next(thread, attr, EngineThread, start);
  if (result != 0) delete start;
  return result;
}
