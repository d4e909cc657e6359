#include "device/gpsunit.h"

#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <system_error>
#include <vector>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

constexpr char kDescriptionFile[] = "GarminDevice.xml";
constexpr char kMakerFolder[] = "Garmin";
constexpr char kDefaultGpx[] = "Garmin/GPX";
constexpr char kDefaultPhotos[] = "Garmin/GeocachePhotos";
// No device description is near this size; a larger file is not one.
constexpr std::uint64_t kDescriptionLimit = 4u << 20;

bool SameNoCase(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

// The entry of dir named name in any case; nullopt when there is none.
std::optional<fs::path> Child(const fs::path& dir, const std::string& name, bool wantDir) {
  std::error_code error;
  const fs::path exact = dir / name;
  if (wantDir ? fs::is_directory(exact, error) : fs::is_regular_file(exact, error)) return exact;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    std::error_code kind;
    if ((wantDir ? it->is_directory(kind) : it->is_regular_file(kind)) &&
        SameNoCase(it->path().filename().string(), name))
      return it->path();
  }
  return std::nullopt;
}

std::optional<GpsDescription> DescriptionIn(const fs::path& top) {
  const std::optional<fs::path> maker = Child(top, kMakerFolder, true);
  if (!maker) return std::nullopt;
  const std::optional<fs::path> file = Child(*maker, kDescriptionFile, false);
  if (!file) return std::nullopt;
  try {
    return ReadGpsDescription(platform::ReadWholeFile(*file, kDescriptionLimit));
  } catch (const PlatformError&) {
    return std::nullopt;  // unreadable or too large: no unit, as without the file
  }
}

// A data type's file entry: <File><Location><Path>..</Path></Location>
// <TransferDirection>..</TransferDirection></File>.
struct DataFile {
  QString path, direction;
};

DataFile ReadDataFile(QXmlStreamReader& xml) {
  DataFile file;
  while (xml.readNextStartElement()) {
    if (xml.name() == QLatin1String("Location")) {
      while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("Path"))
          file.path = xml.readElementText().trimmed();
        else
          xml.skipCurrentElement();
      }
    } else if (xml.name() == QLatin1String("TransferDirection")) {
      file.direction = xml.readElementText().trimmed();
    } else {
      xml.skipCurrentElement();
    }
  }
  return file;
}

// <DataType><Name>GPSData</Name><File>...</File>...</DataType>: the first folder the unit takes
// data of that type in.
void ReadDataType(QXmlStreamReader& xml, GpsDescription& out) {
  QString name;
  std::vector<DataFile> files;
  while (xml.readNextStartElement()) {
    if (xml.name() == QLatin1String("Name"))
      name = xml.readElementText().trimmed();
    else if (xml.name() == QLatin1String("File"))
      files.push_back(ReadDataFile(xml));
    else
      xml.skipCurrentElement();
  }
  std::string* target = name == QLatin1String("GPSData")          ? &out.gpxFolder
                        : name == QLatin1String("GeocachePhotos") ? &out.photoFolder
                                                                  : nullptr;
  if (!target || !target->empty()) return;
  for (const DataFile& file : files) {
    // Units say "InputToUnit" or "InputOutput" of the folders they read.
    if (file.path.isEmpty() || !file.direction.startsWith(QLatin1String("Input"))) continue;
    QString path = file.path;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.startsWith(QLatin1Char('/'))) path.remove(0, 1);
    while (path.endsWith(QLatin1Char('/'))) path.chop(1);
    if (path.contains(QLatin1String(".."))) continue;  // never outside the unit
    *target = path.toStdString();
    return;
  }
}

}  // namespace

std::optional<GpsDescription> ReadGpsDescription(std::string_view text) {
  QXmlStreamReader xml(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  if (!xml.readNextStartElement() || xml.name() != QLatin1String("Device")) return std::nullopt;
  GpsDescription out;
  while (xml.readNextStartElement()) {
    if (xml.name() == QLatin1String("Model")) {
      while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("Description"))
          out.model = xml.readElementText().simplified().toStdString();
        else
          xml.skipCurrentElement();
      }
    } else if (xml.name() == QLatin1String("MassStorageMode")) {
      while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("DataType"))
          ReadDataType(xml, out);
        else
          xml.skipCurrentElement();
      }
    } else {
      xml.skipCurrentElement();
    }
  }
  if (xml.hasError()) return std::nullopt;
  if (out.gpxFolder.empty()) out.gpxFolder = kDefaultGpx;
  if (out.photoFolder.empty()) out.photoFolder = kDefaultPhotos;
  return out;
}

std::optional<GpsUnit> FindGpsUnit(const fs::path& handheldFolder) {
  if (std::optional<GpsDescription> here = DescriptionIn(handheldFolder))
    return GpsUnit{std::move(*here), {}};
  std::error_code error;
  std::vector<fs::path> below;
  for (fs::directory_iterator it(handheldFolder, error), end; !error && it != end;
       it.increment(error)) {
    std::error_code kind;
    if (it->is_directory(kind)) below.push_back(it->path());
  }
  std::sort(below.begin(), below.end());  // the same unit every time when two are there
  for (const fs::path& top : below)
    if (std::optional<GpsDescription> there = DescriptionIn(top))
      return GpsUnit{std::move(*there), top.filename().string()};
  return std::nullopt;
}

AnsiString GpsHandheldFolder(const GpsUnit& unit, const std::string& folder) {
  std::string path = "\\";
  if (!unit.top.empty()) path += unit.top + "\\";
  for (char c : folder) path += c == '/' ? '\\' : c;
  if (path.back() != '\\') path += '\\';
  return Utf8ToAnsi(path);
}

AnsiString GpsGpxFolder(const std::optional<GpsUnit>& unit, const AnsiString& setting,
                        const fs::path& handheldFolder) {
  if (!setting.empty()) {
    AnsiString path = setting;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.front() != '\\') path.insert(0, 1, '\\');
    if (path.back() != '\\') path += '\\';
    return path;
  }
  if (unit) return GpsHandheldFolder(*unit, unit->description.gpxFolder);
  const std::string native = handheldFolder.string();
  if (native.find("mtp:") != std::string::npos || native.find("/mtp") != std::string::npos) {
    // A phone's storage is the device folder or one of its folders ("Internal storage").
    const char* download = "Download";
    if (Child(handheldFolder, download, true)) return "\\Download\\";
    std::error_code error;
    for (fs::directory_iterator it(handheldFolder, error), end; !error && it != end;
         it.increment(error)) {
      std::error_code kind;
      if (it->is_directory(kind) && Child(it->path(), download, true))
        return Utf8ToAnsi("\\" + it->path().filename().string() + "\\Download\\");
    }
    return "\\Download\\";
  }
  return GpsHandheldFolder(GpsUnit{}, kDefaultGpx);
}
