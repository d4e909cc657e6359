#pragma once
// Cache files as the geocaching sites hand them out: GPX 1.0 and 1.1 (with or without the cache
// extension of pocket queries) and LOC, beside the OziExplorer waypoint file. The format is
// known from the content, never from the file's name.
#include <QString>
#include <cstdint>
#include <string_view>
#include <vector>

#include "cachelist/waypoint.h"

// The caches a file gave, in file order, and what the user is told when the file could not be
// read through (empty when it could). Entries read before a fault stay.
struct CacheFileRead {
  std::vector<CacheEntry> entries;
  AnsiString error;
};

// Whether the bytes are XML: after a byte-order mark and white space they begin with an XML
// declaration or a <gpx or <loc element. Anything else is a waypoint file.
bool IsXmlCacheFile(std::string_view bytes);

// GPX and LOC: one entry for every cache whose code begins with "GC", the name converted from
// the file's encoding to code page 1250. A document that declares entities is not read at all:
// their expansion could grow without bound, and no cache file needs them.
// The elements no list reads (descriptions, logs, attributes...) are stepped over tag by tag
// without being decoded: of them only the nesting of their tags is checked. whole = true
// decodes every element, as a file in a multi-byte encoding other than UTF-8 always is.
CacheFileRead ReadXmlCacheFile(std::string_view bytes, bool whole = false);

// The reader the content asks for.
CacheFileRead ReadCacheFile(std::string_view bytes);

// The encoding the text tab decodes a file with: code page 1250 for a waypoint file; for XML its
// byte-order mark's, else its declaration's, else UTF-8. lineByLine: the bytes CR and LF are
// its line breaks (UTF-8 and the 8-bit encodings), so each line can be decoded on its own.
struct CacheFileEncoding {
  QString name;
  bool lineByLine = true;
};
CacheFileEncoding CacheFileTextEncoding(std::string_view bytes);

// The file's text as the text tab shows it, decoded whole.
QString CacheFileText(std::string_view bytes);

// The most memory an opened file may hold: its bytes (kept for the text tab) and its entries.
inline constexpr std::uint64_t kCacheFileMemoryLimit = std::uint64_t{1} << 30;
// What an opened file holds: its bytes and its entries with their names and codes.
std::uint64_t CacheFileMemory(std::string_view bytes, const std::vector<CacheEntry>& entries);
