#pragma once
// Cache files as the geocaching sites hand them out: GPX 1.0 and 1.1 (with or without the cache
// extension of pocket queries) and LOC, beside the OziExplorer waypoint file. The format is
// known from the content, never from the file's name.
#include <QString>
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
CacheFileRead ReadXmlCacheFile(std::string_view bytes);

// The reader the content asks for.
CacheFileRead ReadCacheFile(std::string_view bytes);

// The file's text as the text tab shows it: XML decoded from its own encoding, anything else
// from code page 1250.
QString CacheFileText(std::string_view bytes);
