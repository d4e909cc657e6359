// Any cache text: the export name stays one file name inside the save folder.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "export/exportname.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::string_view cache(reinterpret_cast<const char*>(data) + 1, size - 1);
  const AnsiString name = ExportName(cache, data[0] & 1, (data[0] >> 1) & 1, (data[0] >> 2) & 3);
  if (name.empty() || name[0] != '\\') std::abort();
  for (size_t i = 1; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c == '/' || c == '\\' || c < 0x20) std::abort();
  }
  // "\" + the cache part (as long as the cache text) + one of the suffixes and extensions.
  const std::string_view rest = std::string_view(name).substr(1 + cache.size());
  static const char* const kTails[] = {"_sk.htm",      "_sk.mht",  "_sk_tlac.htm",
                                       "_sk_tlac.mht", "_com.htm", "_com.mht"};
  bool known = false;
  for (const char* tail : kTails) known = known || rest == tail;
  if (!known) std::abort();
  return 0;
}
