// Any bytes as a cache file: no crash, every entry is a cache, and only XML can fail. Skipping
// the elements no list reads changes nothing: a whole read lists no cache the skimming one does
// not list in the same place, and a file read whole without fault reads the same skimmed.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cachelist/cachefile.h"

namespace {

void CheckEntries(const CacheFileRead& read) {
  for (const CacheEntry& e : read.entries)
    if (e.code.size() < 2 || e.code[0] != 'G' || e.code[1] != 'C') std::abort();
}

bool StartsWith(const CacheFileRead& read, const CacheFileRead& prefix) {
  if (read.entries.size() < prefix.entries.size()) return false;
  for (size_t i = 0; i < prefix.entries.size(); ++i)
    if (read.entries[i].name != prefix.entries[i].name ||
        read.entries[i].code != prefix.entries[i].code)
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CacheFileRead read = ReadCacheFile(bytes);
  CheckEntries(read);
  if (!read.error.empty() && !IsXmlCacheFile(bytes)) std::abort();
  // The XML reader on its own too, so the mutations need not keep the file's opening.
  const CacheFileRead skimmed = ReadXmlCacheFile(bytes), whole = ReadXmlCacheFile(bytes, true);
  CheckEntries(skimmed);
  if (!StartsWith(skimmed, whole)) std::abort();
  if (whole.error.empty() &&
      (!skimmed.error.empty() || skimmed.entries.size() != whole.entries.size()))
    std::abort();
  (void)CacheFileText(bytes);
  return 0;
}
