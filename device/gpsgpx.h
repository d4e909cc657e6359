#pragma once
// The caches of an opened cache file as a GPS unit reads them: GPX 1.0 with the cache extension
// 1.0.1 directly under each wpt (units list a cache only then), one unique id per cache, split
// into files a unit takes whole.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cachelist/waypoint.h"
#include "platform/ansi.h"

// The most caches a unit takes from one file.
inline constexpr std::size_t kGpsCachesPerFile = 2000;

struct GpsGpxRequest {
  // The chosen caches of the list (code and the list's name, code page 1250); each code once.
  std::vector<CacheEntry> caches;
  // Decoded hints of scanned pages by GC code (code page 1250): they replace the file's own.
  std::map<AnsiString, AnsiString> hints;
  std::string time;   // "2026-12-09T01:02:03Z": for caches whose source gives none
  std::string title;  // the file's <name> (UTF-8)
  std::size_t perFile = kGpsCachesPerFile;
};

// One file's bytes (UTF-8) and the caches in it.
struct GpsGpxFile {
  std::string bytes;
  std::size_t caches = 0;
  std::vector<AnsiString> codes;  // of the caches in it, in its order
};

// The cache file's bytes (GPX, LOC or waypoint file) to one GPX file per perFile caches, in the
// order of the source. From GPX each cache's extension elements are carried over byte for byte
// (the hint only replaced when a scanned page gave one), with its child waypoints (codes that
// differ from the cache's only in the first two letters); from a waypoint or LOC file the code,
// name, coordinates and the type its text names. A cache the source does not have is left out.
std::vector<GpsGpxFile> WriteGpsGpx(std::string_view bytes, const GpsGpxRequest& request);

// "Zlaté Moravce50km" and a count of files: "Zlaté Moravce50km.gpx", or "..._1.gpx", "..._2.gpx".
std::vector<AnsiString> GpsGpxFileNames(const AnsiString& base, std::size_t files);

// The cache's id from its GC code, as the sites number them (GC + hex up to GCFFFF, base 31
// beyond); 0 when the code is none.
long long GcCodeId(std::string_view code);

// The hint of a scanned page (the encoded markup the page scan found) as the unit shows it:
// letters decoded, line breaks for <br>, character references resolved, other tags dropped.
AnsiString DecodedHint(std::string_view encodedMarkup);
