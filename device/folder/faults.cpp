#include "device/folder/faults.h"

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

}  // namespace

std::optional<std::uint32_t> InjectedFailure(const char* step) {
  unsigned long call;
  {
    std::lock_guard<std::mutex> lock(countsMutex);
    call = ++counts[step];
  }
  const char* spec = std::getenv(kFailVariable);
  if (!spec || !*spec) return std::nullopt;
  std::string_view rest(spec);
  const std::string_view wanted(step);
  while (!rest.empty()) {
    size_t comma = rest.find(',');
    std::string_view item = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    size_t equals = item.find('=');
    if (equals == std::string_view::npos || item.substr(0, equals) != wanted) continue;
    std::string value(item.substr(equals + 1));
    char* end = nullptr;
    unsigned long error = std::strtoul(value.c_str(), &end, 10);
    unsigned long from = 1;
    if (end && *end == '@') from = std::strtoul(end + 1, nullptr, 10);
    if (call >= from) return static_cast<std::uint32_t>(error);
  }
  return std::nullopt;
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
