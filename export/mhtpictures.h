#pragma once
// The pictures of a page exported whole as MHT, for a GPS unit's geocache photos.
#include <string>
#include <string_view>
#include <vector>

struct MhtPicture {
  std::string location;  // the part's Content-Location
  std::string bytes;     // decoded
  bool spoiler = false;  // its link, address, alternative text or caption names a spoiler
};

// The image parts of the archive in its order. An archive that is no MIME message, or has no
// pictures (a page fetched again as text alone), gives none.
std::vector<MhtPicture> MhtPictures(std::string_view mht);

// Where a unit looks for a cache's photos below its photo folder: the code's last character,
// its second-last, the code ("GC1ABCD" -> "D/C/GC1ABCD/"); spoilers one folder further down
// ("D/C/GC1ABCD/Spoilers/").
std::string GpsPhotoFolder(std::string_view code, bool spoiler);

// A JPEG file name for a picture's address ("https://x/img/Most%20A.png" -> "Most A.jpg"),
// different from every name in taken (which it joins). Only letters code page 1250 holds, digits,
// space, "-", "_" and "." are kept.
std::string GpsPhotoName(std::string_view location, std::vector<std::string>& taken);
