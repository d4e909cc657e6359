// A remote API library with only a few entries and test controls: the binding must forward
// what it has and answer the unavailable values for the rest.
#include <sys/eventfd.h>

#include <cstdint>

#include "device/rapi_types.h"

#define STUB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
HRESULT connectResult = S_OK;
bool signalConnect = true;
int uninitCalls = 0;
int initExCalls = 0;
}  // namespace

STUB_EXPORT HRESULT CeRapiInit(void) {
  return 7;
}

STUB_EXPORT HRESULT CeRapiUninit(void) {
  ++uninitCalls;
  return 8;
}

STUB_EXPORT HRESULT CeRapiInitEx(RAPIINIT* init) {
  ++initExCalls;
  int fd = ::eventfd(signalConnect ? 1 : 0, EFD_CLOEXEC);
  init->heRapiInit = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd));
  init->hrRapiInit = connectResult;
  return S_OK;
}

STUB_EXPORT DWORD CeGetLastError(void) {
  return 1234;
}

// Test controls.
STUB_EXPORT void StubConnectWith(HRESULT result, bool signal) {
  connectResult = result;
  signalConnect = signal;
}
STUB_EXPORT int StubUninitCalls(void) {
  return uninitCalls;
}
STUB_EXPORT int StubInitExCalls(void) {
  return initExCalls;
}
