#pragma once
// A GPS unit among the handheld folders: a folder whose "Garmin/GarminDevice.xml" (or one a
// level down, as a phone's or an MTP unit's "Internal Storage/Garmin/...") describes the device.
// The description names the model and the folder each kind of data goes to.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ansi.h"

struct GpsDescription {
  std::string model;        // UTF-8; may be empty
  std::string gpxFolder;    // where GPX files go into the unit, relative to the unit's top, "/"
  std::string photoFolder;  // where geocache photos go, the same way
};

// The description file's own text; nullopt when it is not one.
std::optional<GpsDescription> ReadGpsDescription(std::string_view text);

struct GpsUnit {
  GpsDescription description;
  std::string top;  // the folder below the handheld folder holding "Garmin" ("" or one name)
};

// The unit in a handheld folder (the folder itself or one of its folders); names are matched
// without regard to case, as a FAT card matches them. Reads the disk: call it where a hung
// device may hold the caller (the handheld's thread, a look off the window).
std::optional<GpsUnit> FindGpsUnit(const std::filesystem::path& handheldFolder);

// A folder of the unit relative to its top, as a handheld path: "\Internal Storage\Garmin\GPX\".
AnsiString GpsHandheldFolder(const GpsUnit& unit, const std::string& folder);

// Where "Pošli kešky do GPS" writes when the folder is no unit: "GPS_GPX" when set (a handheld
// path, "\" or "/" separated), else a phone's "\Download\" (its storage is mounted over MTP), else
// "\Garmin\GPX\".
AnsiString GpsGpxFolder(const std::optional<GpsUnit>& unit, const AnsiString& setting,
                        const std::filesystem::path& handheldFolder);
