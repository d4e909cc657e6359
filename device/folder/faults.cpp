#include "device/folder/faults.h"

#include <unistd.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "device/folder/folder_device.h"

namespace folder_device {
namespace {

std::mutex countsMutex;
std::map<std::string, unsigned long> counts;

std::uint32_t Number(const char* variable) {
  const char* text = std::getenv(variable);
  if (!text || !*text) return 0;
  unsigned long value = std::strtoul(text, nullptr, 10);
  return value > 0xFFFFFFFFul ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
}

// The items of a list "STEP<rest>[,STEP<rest>...]" that name the step, each as "<rest>".
template <typename F>
void ForStep(const char* variable, std::string_view step, F&& f) {
  const char* spec = std::getenv(variable);
  if (!spec) return;
  std::string_view rest(spec);
  while (!rest.empty()) {
    const size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    if (item.substr(0, step.size()) == step) f(std::string(item.substr(step.size())));
  }
}

// "@K" or nothing: from which call on.
unsigned long FromCall(const char* text) {
  return *text == '@' ? std::strtoul(text + 1, nullptr, 10) : 1;
}

}  // namespace

std::optional<std::uint32_t> InjectedFailure(const char* step) {
  unsigned long call;
  {
    std::lock_guard<std::mutex> lock(countsMutex);
    call = ++counts[step];
  }
  ForStep(kExitAtVariable, step, [call](const std::string& rest) {
    if ((rest.empty() || rest[0] == '@') && call >= FromCall(rest.c_str())) ::_exit(kExitAtCode);
  });
  std::optional<std::uint32_t> failure;
  ForStep(kFailVariable, step, [call, &failure](const std::string& rest) {
    if (failure || rest.empty() || rest[0] != '=') return;
    char* end = nullptr;
    const unsigned long error = std::strtoul(rest.c_str() + 1, &end, 10);
    if (call >= FromCall(end)) failure = static_cast<std::uint32_t>(error);
  });
  return failure;
}

void ResetStepCounts() {
  std::lock_guard<std::mutex> lock(countsMutex);
  counts.clear();
}

std::uint32_t ConnectDelayMs() {
  return Number(kConnectDelayVariable);
}
std::uint32_t WriteDelayMs() {
  return Number(kWriteDelayVariable);
}

}  // namespace folder_device
