// The folder the program chose as the handheld, handed over through the library's own entry.
#include <mutex>

#include "device/folder/folder_device.h"
#include "device/folder/resolve.h"

#define RAPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace folder_device {
namespace {

// A connection attempt may look the root up on a thread of its own.
std::mutex chosenMutex;
std::optional<std::string> chosen;

}  // namespace

void SetChosenRoot(const char* folder) {
  std::lock_guard<std::mutex> lock(chosenMutex);
  if (folder && *folder)
    chosen = std::string(folder);
  else
    chosen.reset();
}

std::optional<std::string> ChosenRoot() {
  std::lock_guard<std::mutex> lock(chosenMutex);
  return chosen;
}

}  // namespace folder_device

RAPI_EXPORT void VireskaSetPdaRoot(const char* folder) {
  folder_device::SetChosenRoot(folder);
}
