// Any bytes as a cache file: no crash, every entry is a cache, and only XML can fail.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cachelist/cachefile.h"

namespace {

void CheckEntries(const CacheFileRead& read) {
  for (const CacheEntry& e : read.entries)
    if (e.code.size() < 2 || e.code[0] != 'G' || e.code[1] != 'C') std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CacheFileRead read = ReadCacheFile(bytes);
  CheckEntries(read);
  if (!read.error.empty() && !IsXmlCacheFile(bytes)) std::abort();
  // The XML reader on its own too, so the mutations need not keep the file's opening.
  CheckEntries(ReadXmlCacheFile(bytes));
  (void)CacheFileText(bytes);
  return 0;
}
