#include "platform/leakcheck.h"

#ifdef VIRESKA_LEAK_CHECK
#include <dlfcn.h>
#include <sanitizer/lsan_interface.h>

#include <QObject>
#include <cstring>

namespace platform {
namespace {

// How many unchecked scopes of the engine this thread is in.
thread_local int engineDepth = 0;

}  // namespace

bool OfTheEngine(const void* address) {
  Dl_info info;
  return dladdr(address, &info) != 0 && info.dli_fname != nullptr &&
         std::strstr(info.dli_fname, "libQt6WebEngine") != nullptr;
}

// The class's virtual table lies in the library that defines the class. It is read, not
// called through: the engine's classes are built without the type information that the
// sanitizer's check of a virtual call needs.
EngineWork::EngineWork(const QObject* receiver)
    : unchecked_(receiver != nullptr &&
                 OfTheEngine(*reinterpret_cast<const void* const*>(receiver))) {
  if (!unchecked_) return;
  __lsan_disable();
  ++engineDepth;
}

EngineWork::~EngineWork() {
  if (!unchecked_) return;
  --engineDepth;
  __lsan_enable();
}

OwnWork::OwnWork() : resumed_(engineDepth) {
  for (int i = 0; i < resumed_; ++i) __lsan_enable();
  engineDepth = 0;
}

OwnWork::~OwnWork() {
  for (int i = 0; i < resumed_; ++i) __lsan_disable();
  engineDepth = resumed_;
}

}  // namespace platform
#endif
