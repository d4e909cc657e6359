#include "cachelist/cachefile.h"

#include <QBuffer>
#include <QByteArray>
#include <QStringConverter>
#include <QXmlStreamReader>
#include <cstdio>

#include "platform/codepage.h"

namespace {

const AnsiString kNotWellFormed = AnsiLiteral(
    "Súbor nie je správne XML: chyba na riadku %lld, v stĺpci %lld. Zoznam obsahuje kešky pred "
    "chybou.");
const AnsiString kNeitherGpxNorLoc = AnsiLiteral("Súbor je XML, ale nie je GPX ani LOC.");
const AnsiString kDeclaresEntities =
    AnsiLiteral("Súbor si v DTD definuje vlastné entity; taký súbor sa nečíta.");

// The bytes as UTF-16 code units when a byte-order mark says so; the code unit at i otherwise.
struct Units {
  std::string_view bytes;
  size_t start = 0, width = 1;
  bool bigEndian = false;

  explicit Units(std::string_view b) : bytes(b) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {  // bytes: UTF-8's byte-order mark
      start = 3;
    } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {  // bytes
      start = 2;
      width = 2;
      bigEndian = bytes[0] == '\xFE';  // bytes: the big-endian mark
    }
  }
  size_t Count() const { return (bytes.size() - start) / width; }
  unsigned At(size_t i) const {
    const size_t p = start + i * width;
    const auto b0 = static_cast<unsigned char>(bytes[p]);
    if (width == 1) return b0;
    const auto b1 = static_cast<unsigned char>(bytes[p + 1]);
    return bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
  }
  bool StartsWith(size_t i, std::string_view text) const {
    if (Count() - i < text.size()) return false;
    for (size_t k = 0; k < text.size(); ++k)
      if (At(i + k) != static_cast<unsigned char>(text[k])) return false;
    return true;
  }
};

bool IsXmlSpace(unsigned c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// "<gpx" must be the whole name: "<gpxfoo" is some other element.
bool EndsName(const Units& units, size_t i) {
  if (i >= units.Count()) return true;  // cut short: the reader says what is wrong
  const unsigned c = units.At(i);
  return IsXmlSpace(c) || c == '>' || c == '/';
}

AnsiString NotWellFormed(const QXmlStreamReader& xml) {
  char text[256];  // the pattern and two numbers
  std::snprintf(text, sizeof text, kNotWellFormed.c_str(), static_cast<long long>(xml.lineNumber()),
                static_cast<long long>(xml.columnNumber()));
  return text;
}

// The text of the current element, child elements skipped.
QString ElementText(QXmlStreamReader& xml) {
  return xml.readElementText(QXmlStreamReader::SkipChildElements);
}

// The text before the first of the separators (the whole text when none occurs).
QString TextBefore(const QString& text, std::initializer_list<QLatin1String> separators) {
  qsizetype end = text.size();
  for (QLatin1String separator : separators) {
    const qsizetype at = text.indexOf(separator);
    if (at >= 0 && at < end) end = at;
  }
  return text.left(end);
}

bool IsCacheCode(const QString& code) {
  return code.startsWith(QLatin1String("GC"));
}

void Add(std::vector<CacheEntry>& entries, const QString& name, const QString& code) {
  entries.push_back({ToAnsi(name), ToAnsi(code)});
}

// The cache extension of pocket queries, whatever version of its namespace.
bool IsCacheExtension(const QXmlStreamReader& xml) {
  return xml.name() == QLatin1String("cache") &&
         xml.namespaceUri().contains(QLatin1String("groundspeak.com/cache/"));
}

// The extension's own name element (its first non-empty one).
void ReadCacheExtension(QXmlStreamReader& xml, QString& name) {
  const QString ns = xml.namespaceUri().toString();
  while (xml.readNextStartElement()) {
    if (name.isEmpty() && xml.name() == QLatin1String("name") && xml.namespaceUri() == ns)
      name = ElementText(xml);
    else
      xml.skipCurrentElement();
  }
}

// One wpt element. The cache name: the extension's name, else urlname (GPX 1.1: the first
// link's text), else the description up to " by " or ",".
void ReadGpxWaypoint(QXmlStreamReader& xml, const QString& gpx, std::vector<CacheEntry>& out) {
  QString code, extensionName, urlName, desc;
  bool haveCode = false;
  while (xml.readNextStartElement()) {
    const QStringView name = xml.name();
    if (IsCacheExtension(xml)) {
      ReadCacheExtension(xml, extensionName);
    } else if (xml.namespaceUri() != gpx) {
      xml.skipCurrentElement();
    } else if (name == QLatin1String("name") && !haveCode) {
      code = ElementText(xml);
      haveCode = true;
    } else if (name == QLatin1String("urlname") && urlName.isEmpty()) {
      urlName = ElementText(xml);
    } else if (name == QLatin1String("desc") && desc.isEmpty()) {
      desc = ElementText(xml);
    } else if (name == QLatin1String("link") || name == QLatin1String("extensions")) {
      const bool link = name == QLatin1String("link");
      while (xml.readNextStartElement()) {
        if (link && xml.name() == QLatin1String("text") && xml.namespaceUri() == gpx &&
            urlName.isEmpty())
          urlName = ElementText(xml);
        else if (!link && IsCacheExtension(xml))
          ReadCacheExtension(xml, extensionName);
        else
          xml.skipCurrentElement();
      }
    } else {
      xml.skipCurrentElement();
    }
  }
  // A waypoint cut off by a fault is not a cache of the file.
  if (xml.hasError() || !IsCacheCode(code)) return;
  if (!extensionName.isEmpty())
    Add(out, extensionName, code);
  else if (!urlName.isEmpty())
    Add(out, urlName, code);
  else
    Add(out, TextBefore(desc, {QLatin1String(" by "), QLatin1String(",")}), code);
}

void ReadGpx(QXmlStreamReader& xml, std::vector<CacheEntry>& out) {
  // GPX 1.0, 1.1 or none: the file's own namespace is the one of its root.
  const QString gpx = xml.namespaceUri().toString();
  while (xml.readNextStartElement()) {
    if (xml.name() == QLatin1String("wpt") && xml.namespaceUri() == gpx)
      ReadGpxWaypoint(xml, gpx, out);
    else
      xml.skipCurrentElement();
  }
}

// <waypoint><name id="GC1ABCD"><![CDATA[Name by Owner]]></name>...</waypoint>
void ReadLoc(QXmlStreamReader& xml, std::vector<CacheEntry>& out) {
  while (xml.readNextStartElement()) {
    if (xml.name() != QLatin1String("waypoint")) {
      xml.skipCurrentElement();
      continue;
    }
    QString code, name;
    bool haveName = false;
    while (xml.readNextStartElement()) {
      if (xml.name() == QLatin1String("name") && !haveName) {
        code = xml.attributes().value(QLatin1String("id")).toString();
        name = ElementText(xml);
        haveName = true;
      } else {
        xml.skipCurrentElement();
      }
    }
    if (!xml.hasError() && IsCacheCode(code))
      Add(out, TextBefore(name, {QLatin1String(" by ")}), code);
  }
}

}  // namespace

bool IsXmlCacheFile(std::string_view bytes) {
  const Units units(bytes);
  size_t i = 0;
  while (i < units.Count() && IsXmlSpace(units.At(i))) ++i;
  if (units.StartsWith(i, "<?xml")) return i + 5 < units.Count() && IsXmlSpace(units.At(i + 5));
  return (units.StartsWith(i, "<gpx") || units.StartsWith(i, "<loc")) && EndsName(units, i + 4);
}

CacheFileRead ReadXmlCacheFile(std::string_view bytes) {
  CacheFileRead result;
  // Read through a device, so the reader decodes a few kilobytes at a time instead of the
  // whole file at once.
  QBuffer device;
  device.setData(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
  device.open(QIODevice::ReadOnly);
  QXmlStreamReader xml(&device);

  while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) {
    // The reader never fetches an external subset, but it does expand the internal entities.
    if (xml.tokenType() == QXmlStreamReader::DTD && !xml.entityDeclarations().isEmpty()) {
      result.error = kDeclaresEntities;
      return result;
    }
  }
  if (xml.isStartElement()) {
    if (xml.name() == QLatin1String("gpx")) {
      ReadGpx(xml, result.entries);
    } else if (xml.name() == QLatin1String("loc")) {
      ReadLoc(xml, result.entries);
    } else {
      result.error = kNeitherGpxNorLoc;
      return result;
    }
  }
  // What follows the root must still be well-formed.
  while (!xml.atEnd()) xml.readNext();
  if (xml.hasError()) result.error = NotWellFormed(xml);
  return result;
}

CacheFileRead ReadCacheFile(std::string_view bytes) {
  if (IsXmlCacheFile(bytes)) return ReadXmlCacheFile(bytes);
  return {ReadWaypointText(bytes), {}};
}

QString CacheFileText(std::string_view bytes) {
  if (!IsXmlCacheFile(bytes)) return FromAnsi(bytes);
  const QByteArrayView data(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QString encoding;
  if (auto marked = QStringConverter::encodingForData(data)) {
    encoding = QString::fromLatin1(QStringConverter::nameForEncoding(*marked));
  } else {
    // The declaration, when there is one, opens the file.
    QXmlStreamReader xml(data.first(std::min<qsizetype>(data.size(), 4096)).toByteArray());
    if (xml.readNext() == QXmlStreamReader::StartDocument)
      encoding = xml.documentEncoding().toString();
  }
  return DecodeText(bytes, encoding);
}
