// Any bytes as a waypoint file: no crash, and every entry has the shape the lists rely on.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cachelist/waypoint.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const CacheEntry& e : ReadWaypointText(text)) {
    if (e.code.size() < 2 || e.code[0] != 'G' || e.code[1] != 'C') std::abort();
    if (e.name.size() > 99 || e.code.size() > 4096) std::abort();
    if (e.code.find_first_of("\r\n") != std::string::npos) std::abort();
  }
  return 0;
}
