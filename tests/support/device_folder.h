#pragma once
// A handheld for one test: the bundled folder library, loaded through the real binding, serving
// a temporary folder. The fault switches (device/folder/folder_device.h) start cleared and are
// cleared again at the end; the link starts and ends closed.
#include <dlfcn.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "device/folder/folder_device.h"
#include "device/rapi.h"
#include "device/worker.h"
#include "support/temp_dir.h"

#ifndef VIRESKA_TEST_RAPI_LIBRARY
#error "the test target defines VIRESKA_TEST_RAPI_LIBRARY (tests/device/CMakeLists.txt)"
#endif

class DeviceFolder {
 public:
  DeviceFolder() {
    Settle();
    ClearSwitches();
    ::setenv("VIRESKA_RAPI", VIRESKA_TEST_RAPI_LIBRARY, 1);
    ::setenv(folder_device::kRootVariable, root_.path().c_str(), 1);
    rapi::ForgetLibraryForTests();
    CeRapiUninit();
  }
  ~DeviceFolder() {
    Settle();
    ClearSwitches();
    CeRapiUninit();
    ::unsetenv("VIRESKA_RAPI");
    ::unsetenv(folder_device::kRootVariable);
    rapi::ForgetLibraryForTests();
  }
  DeviceFolder(const DeviceFolder&) = delete;
  DeviceFolder& operator=(const DeviceFolder&) = delete;

  // The handheld's root folder on the PC; "\A\B" of the handheld is root() / "A" / "B".
  const std::filesystem::path& root() const { return root_.path(); }
  std::filesystem::path operator/(const std::string& utf8) const { return root_.path() / utf8; }

  // VIRESKA_PDA_FAIL, e.g. "CeWriteFile=112" or "CeReadFile=31@2".
  static void Fail(const std::string& steps) {
    ::setenv(folder_device::kFailVariable, steps.c_str(), 1);
  }
  static void ConnectDelay(int ms) { SetNumber(folder_device::kConnectDelayVariable, ms); }
  static void WriteDelay(int ms) { SetNumber(folder_device::kWriteDelayVariable, ms); }
  // Points the library at a folder that does not exist: no handheld answers.
  void Unplug() { ::setenv(folder_device::kRootVariable, (root_.path() / "absent").c_str(), 1); }
  void Plug() { ::setenv(folder_device::kRootVariable, root_.path().c_str(), 1); }

  // The error of a search that finds nothing, or 0 when it found something.
  static DWORD FindError(const std::u16string& pattern) {
    CE_FIND_DATA record;
    HANDLE find = CeFindFirstFile(pattern.c_str(), &record);
    if (find != INVALID_HANDLE_VALUE) {
      CeFindClose(find);
      return 0;
    }
    return CeGetLastError();
  }
  // The library's own VireskaReplaceFile, which the binding does not forward.
  static BOOL Replace(const std::u16string& newFile, const std::u16string& target) {
    static const auto entry = reinterpret_cast<folder_device::ReplaceFunction>(::dlsym(
        ::dlopen(VIRESKA_TEST_RAPI_LIBRARY, RTLD_NOW | RTLD_LOCAL), folder_device::kReplaceEntry));
    return entry(newFile.c_str(), target.c_str());
  }
  // Whether the library still has a link open (CeRapiInit without CeRapiUninit).
  static bool LinkOpen() { return FindError(u"\\*") != ERROR_NOT_READY; }
  // Until the handheld's thread has done what it was given (a stopped copy cleans up there, after
  // the window stopped waiting): the environment is changed only while nothing reads it.
  static void Settle() {
    if (!device::WaitIdle(120000)) std::abort();
  }

 private:
  static void SetNumber(const char* variable, int value) {
    ::setenv(variable, std::to_string(value).c_str(), 1);
  }
  static void ClearSwitches() {
    ::unsetenv(folder_device::kFailVariable);
    ::unsetenv(folder_device::kConnectDelayVariable);
    ::unsetenv(folder_device::kWriteDelayVariable);
    ::unsetenv(folder_device::kExitAtVariable);
  }
  TempDir root_;
};

// Milliseconds since start, for the waits the handheld's delays and timeouts cause.
inline long long MsSince(std::chrono::steady_clock::time_point start) {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now() - start).count();
}
