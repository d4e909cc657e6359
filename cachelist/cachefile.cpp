#include "cachelist/cachefile.h"

#include <QByteArray>
#include <QIODevice>
#include <QStringConverter>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdio>
#include <cstring>

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

AnsiString NotWellFormed(long long line, long long column) {
  char text[256];  // the pattern and two numbers
  std::snprintf(text, sizeof text, kNotWellFormed.c_str(), line, column);
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

// A waypoint is listed when its code is a cache's, named by the extension's name, else urlname
// (GPX 1.1: the first link's text), else the description up to " by " or ",".
void AddGpxCache(std::vector<CacheEntry>& out, const QString& code, const QString& extensionName,
                 const QString& urlName, const QString& desc) {
  if (!IsCacheCode(code)) return;
  if (!extensionName.isEmpty())
    Add(out, extensionName, code);
  else if (!urlName.isEmpty())
    Add(out, urlName, code);
  else
    Add(out, TextBefore(desc, {QLatin1String(" by "), QLatin1String(",")}), code);
}

// The cache extension of pocket queries, whatever version of its namespace.
constexpr char kCacheExtension[] = "groundspeak.com/cache/";
bool IsCacheExtension(const QXmlStreamReader& xml) {
  return xml.name() == QLatin1String("cache") &&
         xml.namespaceUri().contains(QLatin1String(kCacheExtension));
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

void ReadGpxWaypoint(QXmlStreamReader& xml, const QString& gpx, std::vector<CacheEntry>& out) {
  QString code, extensionName, urlName, desc;
  bool haveCode = false;
  while (xml.readNextStartElement()) {
    const QStringView name = xml.name();
    if (IsCacheExtension(xml)) {
      ReadCacheExtension(xml, extensionName);
    } else if (xml.namespaceUri() != gpx) {  // NOLINT(bugprone-branch-clone): before any name
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
  if (!xml.hasError()) AddGpxCache(out, code, extensionName, urlName, desc);
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

// ---- Skimming: the elements no list reads are stepped over without decoding them ----
//
// A pocket query is mostly descriptions and logs. Decoding and tokenising them cost most of the
// open, so the bytes are first walked tag by tag (a memchr for each "<"), and the reader is
// given every byte except the elements the lists never read. Comments, CDATA sections and
// processing instructions are passed whole, so a "<" inside them is never taken for a tag, and
// a quoted attribute value may hold ">". The nesting of the skipped tags is checked; their text
// is not. Which elements are kept goes by local name alone: a few more than the reader needs
// (one of another namespace), never fewer, so the reader decides as it always did.

constexpr size_t kNone = std::string_view::npos;

struct Span {
  size_t begin, end;
};

struct Skimmed {
  std::vector<Span> kept;  // what the reader is given, in file order
  size_t fault = kNone;    // where a skipped element is broken: the file's fault
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool StartsWith(std::string_view s, size_t at, std::string_view text) {
  return s.compare(at, text.size(), text) == 0;
}

// One piece of markup, from its "<" to past its ">".
struct Markup {
  enum Kind { kStart, kEmpty, kEnd, kOther, kBroken } kind = kBroken;
  std::string_view name;  // of an element's tag
  size_t end = 0;         // past the markup; for a broken one, where the reader would stop
};

Markup Broken(size_t at) {
  return {Markup::kBroken, {}, at};
}

// A comment, CDATA section or processing instruction starting at at, ended by close.
Markup Passed(std::string_view s, size_t at, size_t open, std::string_view close) {
  const size_t end = s.find(close, at + open);
  return end == kNone ? Broken(s.size()) : Markup{Markup::kOther, {}, end + close.size()};
}

// A table per stop set: most of a big file's tags are read in the loops below.
struct ByteSet {
  bool has[256] = {};
  constexpr explicit ByteSet(std::string_view bytes) {
    for (char c : bytes) has[static_cast<unsigned char>(c)] = true;
  }
  constexpr bool operator()(char c) const { return has[static_cast<unsigned char>(c)]; }
};
constexpr ByteSet kEndsName(" \t\r\n>/<");
constexpr ByteSet kInTag("><\"'");

Markup ReadMarkup(std::string_view s, size_t at) {
  const size_t size = s.size();
  if (at + 1 >= size) return Broken(size);
  const char c = s[at + 1];
  if (c == '?') return Passed(s, at, 2, "?>");
  if (c == '!') {
    if (StartsWith(s, at, "<!--")) return Passed(s, at, 4, "-->");
    if (StartsWith(s, at, "<![CDATA[")) return Passed(s, at, 9, "]]>");
    // The reader stops past the first character that breaks the opening, or at the end.
    const std::string_view opening = at + 2 < size && s[at + 2] == '[' ? "<![CDATA[" : "<!--";
    size_t p = at + 2;
    while (p < size && p - at < opening.size() && s[p] == opening[p - at]) ++p;
    return Broken(p == size ? size : p + 1);
  }
  const bool end = c == '/';
  const size_t name = at + (end ? 2 : 1);
  size_t p = name;
  while (p < size && !kEndsName(s[p])) ++p;
  if (p == size) return Broken(size);
  if (p == name) return Broken(p + 1);
  Markup m{end ? Markup::kEnd : Markup::kStart, s.substr(name, p - name), 0};
  if (end) {
    while (p < size && IsSpace(s[p])) ++p;
    if (p == size) return Broken(size);
    if (s[p] != '>') return Broken(p + 1);
    m.end = p + 1;
    return m;
  }
  // Up to the ">" that is not inside a quoted value.
  for (; p < size; ++p) {
    const char b = s[p];
    if (!kInTag(b)) continue;
    if (b == '>') break;
    if (b == '<') return Broken(p + 1);
    if (b == '"' || b == '\'') {
      p = s.find(b, p + 1);
      if (p == kNone) return Broken(size);
    }
  }
  if (p == size) return Broken(size);
  if (s[p - 1] == '/') m.kind = Markup::kEmpty;
  m.end = p + 1;
  return m;
}

size_t NextTag(std::string_view s, size_t from) {
  if (from >= s.size()) return kNone;
  const void* lt = std::memchr(s.data() + from, '<', s.size() - from);
  return lt ? static_cast<size_t>(static_cast<const char*>(lt) - s.data()) : kNone;
}

// Past the end tag of the element named name whose content begins at from; kNone when the
// element is broken, fault then saying where.
size_t ElementEnd(std::string_view s, size_t from, std::string_view name,
                  std::vector<std::string_view>& open, size_t& fault) {
  open.assign(1, name);
  for (size_t at = NextTag(s, from); at != kNone; at = NextTag(s, at)) {
    const Markup m = ReadMarkup(s, at);
    if (m.kind == Markup::kBroken) {
      fault = m.end;
      return kNone;
    }
    if (m.kind == Markup::kStart) {
      open.push_back(m.name);
    } else if (m.kind == Markup::kEnd) {
      if (m.name != open.back()) {
        fault = m.end;  // the reader too stops past the mismatched tag
        return kNone;
      }
      open.pop_back();
      if (open.empty()) return m.end;
    }
    at = m.end;
  }
  fault = s.size();
  return kNone;
}

// Past a document type declaration, its internal subset included.
size_t DoctypeEnd(std::string_view s, size_t at) {
  bool subset = false;
  for (size_t p = at + 9; p < s.size(); ++p) {
    const char c = s[p];
    if (subset && (StartsWith(s, p, "<!--") || StartsWith(s, p, "<?"))) {
      const Markup m = ReadMarkup(s, p);
      if (m.kind == Markup::kBroken) return kNone;
      p = m.end - 1;
    } else if (c == '"' || c == '\'') {
      p = s.find(c, p + 1);
      if (p == kNone) return kNone;
    } else if (c == '[') {
      subset = true;
    } else if (c == ']') {
      subset = false;
    } else if (c == '>' && !subset) {
      return p + 1;
    }
  }
  return kNone;
}

std::string_view LocalName(std::string_view name) {
  const size_t colon = name.rfind(':');
  return colon == kNone ? name : name.substr(colon + 1);
}

// What an element is to the lists: skipped, kept whole (its text names something), or one
// whose children are looked at.
enum class Part { kSkip, kKeep, kGpx, kWpt, kLink, kExtensions, kCache, kLoc, kWaypoint };

Part ChildPart(Part parent, std::string_view name) {
  switch (parent) {
    case Part::kGpx:
      return name == "wpt" ? Part::kWpt : Part::kSkip;
    case Part::kWpt:
      if (name == "name" || name == "urlname" || name == "desc") return Part::kKeep;
      if (name == "link") return Part::kLink;
      if (name == "extensions") return Part::kExtensions;
      return name == "cache" ? Part::kCache : Part::kSkip;
    case Part::kLink:
      return name == "text" ? Part::kKeep : Part::kSkip;
    case Part::kExtensions:
      return name == "cache" ? Part::kCache : Part::kSkip;
    case Part::kCache:
    case Part::kWaypoint:
      return name == "name" ? Part::kKeep : Part::kSkip;
    case Part::kLoc:
      return name == "waypoint" ? Part::kWaypoint : Part::kSkip;
    default:
      return Part::kSkip;
  }
}

bool AllSpace(std::string_view s, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i)
    if (!IsSpace(s[i])) return false;
  return true;
}

Skimmed Skim(std::string_view s) {
  Skimmed out;
  // Anything unexpected before the root, or a root of another kind: the reader gets it all.
  Skimmed whole{{{0, s.size()}}, kNone};
  Markup root;
  for (size_t at = NextTag(s, 0);; at = NextTag(s, root.end)) {
    if (at == kNone) return whole;
    if (StartsWith(s, at, "<!DOCTYPE")) {
      root.end = DoctypeEnd(s, at);
      if (root.end == kNone) return whole;
      continue;
    }
    root = ReadMarkup(s, at);
    if (root.kind == Markup::kStart) break;
    if (root.kind != Markup::kOther) return whole;
  }
  const std::string_view rootName = LocalName(root.name);
  if (rootName != "gpx" && rootName != "loc") return whole;

  struct Open {
    Part part;
    std::string_view name;
  };
  std::vector<Open> containers{{rootName == "gpx" ? Part::kGpx : Part::kLoc, root.name}};
  std::vector<std::string_view> open;
  size_t keptFrom = 0, skippedTo = kNone;
  // A fault outside the skipped elements ends the skimming: the reader reads the rest and
  // finds it.
  for (size_t at = NextTag(s, root.end); at != kNone && !containers.empty();) {
    const Markup m = ReadMarkup(s, at);
    if (m.kind == Markup::kBroken) break;
    if (m.kind == Markup::kOther) {
      at = NextTag(s, m.end);
      continue;
    }
    if (m.kind == Markup::kEnd) {
      if (m.name != containers.back().name) break;
      containers.pop_back();
      at = NextTag(s, m.end);
      continue;
    }
    const Part part = ChildPart(containers.back().part, LocalName(m.name));
    if (part != Part::kSkip && part != Part::kKeep) {
      if (m.kind == Markup::kStart) containers.push_back({part, m.name});
      at = NextTag(s, m.end);
      continue;
    }
    size_t end = m.end, fault = kNone;
    if (m.kind == Markup::kStart) end = ElementEnd(s, m.end, m.name, open, fault);
    if (end == kNone && part == Part::kKeep) break;
    if (end == kNone) {
      out.kept.push_back({keptFrom, at});
      out.fault = fault;
      return out;
    }
    if (part == Part::kSkip) {
      // White space between two skipped elements goes with them: fewer pieces to hand over.
      if (keptFrom != skippedTo || !AllSpace(s, keptFrom, at)) out.kept.push_back({keptFrom, at});
      keptFrom = skippedTo = end;
    }
    at = NextTag(s, end);
  }
  out.kept.push_back({keptFrom, s.size()});
  return out;
}

// The kept spans one after another, as the reader reads them.
class SpansDevice final : public QIODevice {
 public:
  SpansDevice(std::string_view bytes, const std::vector<Span>& spans)
      : bytes_(bytes), spans_(spans) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }
  bool isSequential() const override { return true; }

 protected:
  qint64 readData(char* data, qint64 maxSize) override {
    size_t done = 0;
    const auto max = static_cast<size_t>(maxSize);
    while (done < max && span_ < spans_.size()) {
      const Span& span = spans_[span_];
      const size_t count = std::min(span.end - at_, max - done);
      std::memcpy(data + done, bytes_.data() + at_, count);
      done += count;
      at_ += count;
      if (at_ == span.end && ++span_ < spans_.size()) at_ = spans_[span_].begin;
    }
    return static_cast<qint64>(done);
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  std::string_view bytes_;
  const std::vector<Span>& spans_;
  size_t span_ = 0;
  size_t at_ = spans_.empty() ? 0 : spans_[0].begin;
};

// ---- Where a fault is, counted as the reader counts: lines end at LF, CR LF and a lone CR
// (a CR last in the file is not yet a break), columns are UTF-16 units ----

// UTF-16 units of one byte: a UTF-8 continuation byte adds none, a four-byte lead two.
int Units16(unsigned char b, bool utf8) {
  if (!utf8) return 1;
  return (b & 0xC0) == 0x80 ? 0 : (b >= 0xF0 ? 2 : 1);
}

size_t BomSize(std::string_view s, bool utf8) {
  return utf8 && StartsWith(s, 0, "\xEF\xBB\xBF") ? 3 : 0;  // bytes of the UTF-8 mark
}

// The file offset of the reader's character offset in the kept spans.
size_t FileOffset(std::string_view s, const std::vector<Span>& kept, long long characters,
                  bool utf8) {
  long long count = 0;
  const size_t bom = BomSize(s, utf8);
  for (const Span& span : kept)
    for (size_t i = std::max(span.begin, bom); i < span.end; ++i) {
      const int units = Units16(static_cast<unsigned char>(s[i]), utf8);
      if (units > 0 && count >= characters) return i;
      count += units;
    }
  return s.size();
}

AnsiString NotWellFormedAt(std::string_view s, size_t offset, bool utf8) {
  long long line = 1, column = 0;
  for (size_t i = BomSize(s, utf8); i < offset; ++i) {
    const char c = s[i];
    if (c == '\n' || (c == '\r' && i + 1 < s.size())) {
      if (c == '\r' && i + 1 < offset && s[i + 1] == '\n') ++i;
      ++line;
      column = 0;
    } else {
      column += Units16(static_cast<unsigned char>(c), utf8);
    }
  }
  return NotWellFormed(line, column);
}

// The encoding the declaration names, when the file opens with one.
QString DeclaredEncoding(std::string_view bytes) {
  QXmlStreamReader xml(
      QByteArray(bytes.data(), static_cast<qsizetype>(std::min<size_t>(bytes.size(), 4096))));
  if (xml.readNext() == QXmlStreamReader::StartDocument) return xml.documentEncoding().toString();
  return {};
}

// The encoding of XML: its byte-order mark's, else its declaration's, else UTF-8.
QString XmlEncoding(std::string_view bytes) {
  const QByteArrayView data(bytes.data(), static_cast<qsizetype>(bytes.size()));
  if (auto marked = QStringConverter::encodingForData(data))
    return QString::fromLatin1(QStringConverter::nameForEncoding(*marked));
  const QString declared = DeclaredEncoding(bytes);
  return declared.isEmpty() ? QStringLiteral("UTF-8") : declared;
}

// Whether the encoding is UTF-8, by what its decoder makes of a UTF-8 letter: the reader
// takes names the way the decoder does ("utf8", "UTF-8", ...). UTF-8 too when it is unknown:
// the reader refuses such a file, and the text tab shows it as UTF-8.
bool IsUtf8(const QString& encoding) {
  QStringDecoder decoder(encoding.toLatin1().constData());
  return !decoder.isValid() ||
         QString(decoder.decode(QByteArrayView("\xC4\x8D"))) == u"\u010D";  // bytes of "č" in UTF-8
}

// Whether every byte is one character and ASCII stays itself: lines and tags can then be
// found in the bytes.
bool IsAsciiBytewise(const QString& encoding) {
  if (IsUtf8(encoding)) return true;
  QStringDecoder decoder(encoding.toLatin1().constData());
  char all[256];
  for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
  const QString text = decoder.decode(QByteArrayView(all, 256));
  if (text.size() != 256) return false;
  for (int i = 0; i < 128; ++i)
    if (text[i] != QChar(i)) return false;
  return true;
}

// ---- The usual file in one pass, without the reader ----
//
// A pocket query as the sites write it is plain XML: a declaration, namespaces declared on the
// elements, names as text or CDATA with the predefined and character references. Such a file
// is read in one pass over its bytes: the skipped elements walked as above, the few the lists
// read parsed here. Anything else where the lists read (a DTD, a comment or a child element in
// a name, another entity, a CR, a name that is not ASCII, text between elements, a fault of any
// kind) hands the whole file to the reader instead, so what is listed and what is reported are
// always the reader's.

class Scanner {
 public:
  Scanner(std::string_view bytes, const QString& encoding, bool utf8)
      : s_(bytes),
        utf8_(utf8),
        decoder_(encoding.toLatin1().constData(), QStringConverter::Flag::Stateless) {}

  // False when the reader must read the file.
  bool Run(std::vector<CacheEntry>& out) {
    size_t at = NextTag(s_, 0);
    Markup root;
    for (; at != kNone; at = NextTag(s_, root.end)) {
      root = ReadMarkup(s_, at);  // a document type is broken here: the reader takes it
      if (root.kind != Markup::kOther) break;
    }
    if (at == kNone || root.kind != Markup::kStart) return false;
    // The prolog is small: the reader itself checks it, up to the root's start tag.
    QXmlStreamReader prolog(QByteArray(s_.data(), static_cast<qsizetype>(root.end)));
    while (!prolog.atEnd() && prolog.readNext() != QXmlStreamReader::StartElement) {
    }
    if (prolog.hasError() || !prolog.isStartElement()) return false;

    Tag tag;
    std::string_view local, ns;
    if (!Enter(at, tag, local, ns) || tag.empty) return false;
    size_t p = tag.end;
    if (local == "gpx" && !ScanGpx(p, tag.name, ns, out)) return false;
    if (local == "loc" && !ScanLoc(p, tag.name, out)) return false;
    if (local != "gpx" && local != "loc") return false;
    return AllSpace(s_, p, s_.size());
  }

 private:
  struct Attribute {
    std::string_view name, value;
  };
  struct Tag {
    std::string_view name;
    bool empty = false;
    size_t end = 0;
    std::vector<Attribute> attributes;
  };
  struct Declaration {
    std::string_view prefix, uri;
  };
  enum class Next { kChild, kEnd, kOther };

  // An ASCII XML name with at most one colon inside it.
  bool Name(size_t& p, std::string_view& name) const {
    const size_t start = p;
    size_t colon = kNone;
    for (; p < s_.size(); ++p) {
      const char c = s_[p];
      const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
      if (p == start && !letter) return false;
      if (c == ':') {
        if (colon != kNone) return false;
        colon = p;
      } else if (!letter && !(c >= '0' && c <= '9') && c != '.' && c != '-') {
        break;
      }
    }
    name = s_.substr(start, p - start);
    return colon == kNone || colon + 1 < p;
  }

  // A reference at s_[p] == '&': its end, and the character it stands for.
  size_t Reference(size_t p, char32_t& c) const {
    const size_t semicolon = s_.find(';', p);
    if (semicolon == kNone || semicolon - p > 12) return kNone;
    const std::string_view name = s_.substr(p + 1, semicolon - p - 1);
    static const std::pair<std::string_view, char32_t> kPredefined[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [entity, character] : kPredefined)
      if (name == entity) {
        c = character;
        return semicolon + 1;
      }
    if (name.size() < 2 || name[0] != '#') return kNone;
    const bool hex = name[1] == 'x';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) return kNone;
    c = 0;
    for (char d : digits) {
      int v = d >= '0' && d <= '9' ? d - '0' : -1;
      if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
      if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
      if (v < 0) return kNone;
      c = c * (hex ? 16 : 10) + static_cast<char32_t>(v);
      if (c > 0x10FFFF) return kNone;
    }
    // The characters XML allows.
    const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                         (c >= 0xE000 && c <= 0xFFFD) || c >= 0x10000;
    return allowed ? semicolon + 1 : kNone;
  }

  // Characters as they stand, decoded from the file's encoding.
  bool AppendCharacters(size_t from, size_t to, QString* out) {
    const std::string_view bytes = s_.substr(from, to - from);
    bool ascii = true;
    for (char b : bytes) {
      const auto u = static_cast<unsigned char>(b);
      if (u < 0x20 && u != '\t' && u != '\n') return false;  // a CR is normalised by the reader
      ascii = ascii && u < 0x80;
    }
    if (ascii) {
      if (out) out->append(QLatin1String(bytes.data(), static_cast<qsizetype>(bytes.size())));
      return true;
    }
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (utf8_) {
      // U+FFFE and U+FFFF are no XML characters.
      static const char kNonCharacters[][4] = {"\xEF\xBF\xBE", "\xEF\xBF\xBF"};  // UTF-8 bytes
      if (!view.isValidUtf8() || bytes.find(kNonCharacters[0]) != kNone ||
          bytes.find(kNonCharacters[1]) != kNone)
        return false;
      if (out) out->append(QString::fromUtf8(view));
      return true;
    }
    const QString text = decoder_.decode(view);
    if (decoder_.hasError()) return false;
    if (out) out->append(text);
    return true;
  }

  // Text with references, as between tags or in an attribute value.
  bool AppendText(size_t from, size_t to, QString* out) {
    while (from < to) {
      const void* amp = std::memchr(s_.data() + from, '&', to - from);
      const size_t run = amp ? static_cast<size_t>(static_cast<const char*>(amp) - s_.data()) : to;
      if (s_.substr(from, run - from).find("]]>") != kNone) return false;
      if (!AppendCharacters(from, run, out)) return false;
      if (run == to) break;
      char32_t c = 0;
      from = Reference(run, c);
      if (from == kNone || from > to) return false;
      if (out) out->append(QString::fromUcs4(&c, 1));
    }
    return true;
  }

  bool ParseTag(size_t at, Tag& tag) {
    size_t p = at + 1;
    tag.attributes.clear();
    if (!Name(p, tag.name)) return false;
    for (;;) {
      const size_t space = p;
      while (p < s_.size() && IsSpace(s_[p])) ++p;
      if (p + 1 >= s_.size()) return false;
      if (s_[p] == '>' || (s_[p] == '/' && s_[p + 1] == '>')) {
        tag.empty = s_[p] == '/';
        tag.end = p + (tag.empty ? 2 : 1);
        break;
      }
      Attribute attribute;
      if (p == space || !Name(p, attribute.name)) return false;
      while (p < s_.size() && IsSpace(s_[p])) ++p;
      if (p >= s_.size() || s_[p] != '=') return false;
      ++p;
      while (p < s_.size() && IsSpace(s_[p])) ++p;
      if (p >= s_.size() || (s_[p] != '"' && s_[p] != '\'')) return false;
      const size_t close = s_.find(s_[p], p + 1);
      if (close == kNone) return false;
      attribute.value = s_.substr(p + 1, close - p - 1);
      // Checked as the reader checks it, but not decoded: no list reads it (but the LOC id).
      if (attribute.value.find('<') != kNone || !AppendText(p + 1, close, nullptr)) return false;
      for (const Attribute& other : tag.attributes)
        if (LocalName(other.name) == LocalName(attribute.name)) return false;
      tag.attributes.push_back(attribute);
      p = close + 1;
    }
    return true;
  }

  static bool IsReservedNamespace(std::string_view uri) {
    return uri == "http://www.w3.org/2000/xmlns/" || uri == "http://www.w3.org/XML/1998/namespace";
  }

  bool Resolve(std::string_view name, std::string_view& local, std::string_view& uri) const {
    const size_t colon = name.find(':');
    const std::string_view prefix = colon == kNone ? std::string_view() : name.substr(0, colon);
    local = colon == kNone ? name : name.substr(colon + 1);
    for (auto it = declarations_.rbegin(); it != declarations_.rend(); ++it)
      if (it->prefix == prefix) {
        uri = it->uri;
        return true;
      }
    uri = {};
    return prefix.empty();
  }

  // A kept element's start tag: parsed, its namespaces declared, its name resolved.
  bool Enter(size_t at, Tag& tag, std::string_view& local, std::string_view& uri) {
    if (!ParseTag(at, tag)) return false;
    for (const Attribute& attribute : tag.attributes) {
      const bool plain = attribute.name == "xmlns";
      if (!plain && attribute.name.substr(0, 6) != "xmlns:") continue;
      const std::string_view prefix = plain ? std::string_view() : attribute.name.substr(6);
      for (char c : attribute.value)
        if (c == '&' || static_cast<unsigned char>(c) >= 0x80) return false;
      if (prefix == "xml" || prefix == "xmlns" || IsReservedNamespace(attribute.value) ||
          (!plain && attribute.value.empty()))
        return false;
      declarations_.push_back({prefix, attribute.value});
    }
    std::string_view attributeUri;
    for (const Attribute& attribute : tag.attributes) {
      const size_t colon = attribute.name.find(':');
      if (colon == kNone || attribute.name.substr(0, colon) == "xmlns" ||
          attribute.name.substr(0, colon) == "xml")
        continue;
      if (!Resolve(attribute.name, local, attributeUri)) return false;
    }
    return Resolve(tag.name, local, uri) && tag.name.substr(0, 4) != "xml:";
  }

  // The next child of the element named name whose content goes on at p; kEnd past its end.
  Next NextChild(size_t& p, std::string_view name, Markup& child, size_t& at) const {
    at = NextTag(s_, p);
    if (at == kNone || !AllSpace(s_, p, at)) return Next::kOther;
    child = ReadMarkup(s_, at);
    if (child.kind == Markup::kEnd && child.name == name) {
      p = child.end;
      return Next::kEnd;
    }
    return child.kind == Markup::kStart || child.kind == Markup::kEmpty ? Next::kChild
                                                                        : Next::kOther;
  }

  bool Skip(const Markup& child, size_t& p) {
    size_t fault = kNone;
    p = child.kind == Markup::kEmpty ? child.end
                                     : ElementEnd(s_, child.end, child.name, open_, fault);
    return p != kNone;
  }

  // The text of a kept element: text, references and CDATA sections up to its end tag.
  bool Text(const Tag& tag, QString* out, size_t& p) {
    if (out) out->clear();
    p = tag.end;
    if (tag.empty) return true;
    for (;;) {
      const size_t lt = NextTag(s_, p);
      if (lt == kNone || !AppendText(p, lt, out)) return false;
      if (StartsWith(s_, lt, "<![CDATA[")) {
        const size_t end = s_.find("]]>", lt + 9);
        if (end == kNone || !AppendCharacters(lt + 9, end, out)) return false;
        p = end + 3;
        continue;
      }
      const Markup m = ReadMarkup(s_, lt);
      if (m.kind != Markup::kEnd || m.name != tag.name) return false;
      p = m.end;
      return true;
    }
  }

  // Runs body(child, at) for every child of the element tag, from p on; false when body or the
  // file says the reader must read it.
  template <typename Body>
  bool Children(size_t& p, const Tag& tag, Body body) {
    if (tag.empty) return true;
    Markup child;
    size_t at = 0;
    for (;;) {
      const Next next = NextChild(p, tag.name, child, at);
      if (next == Next::kEnd) break;
      if (next == Next::kOther || !body(child, at)) return false;
    }
    return true;
  }

  bool ScanGpx(size_t& p, std::string_view root, std::string_view gpx,
               std::vector<CacheEntry>& out) {
    Tag rootTag;
    rootTag.name = root;
    return Children(p, rootTag, [&](const Markup& child, size_t at) {
      if (ChildPart(Part::kGpx, LocalName(child.name)) == Part::kSkip) return Skip(child, p);
      const size_t scope = declarations_.size();
      Tag wpt;
      std::string_view local, ns;
      if (!Enter(at, wpt, local, ns) || ns != gpx) return false;
      p = wpt.end;
      QString code, extensionName, urlName, desc;
      bool haveCode = false;
      const bool read = Children(p, wpt, [&](const Markup& element, size_t elementAt) {
        if (ChildPart(Part::kWpt, LocalName(element.name)) == Part::kSkip) return Skip(element, p);
        const size_t elementScope = declarations_.size();
        Tag tag;
        std::string_view name, uri;
        if (!Enter(elementAt, tag, name, uri)) return false;
        bool ok = true;
        if (name == "cache" && uri.find(kCacheExtension) != kNone) {
          ok = ScanCacheExtension(p, tag, uri, extensionName);
        } else if (uri != gpx) {  // NOLINT(bugprone-branch-clone): before any name is compared
          return false;           // the reader steps over it token by token
        } else if (name == "name" && !haveCode) {
          ok = Text(tag, &code, p);
          haveCode = true;
        } else if (name == "urlname" && urlName.isEmpty()) {
          ok = Text(tag, &urlName, p);
        } else if (name == "desc" && desc.isEmpty()) {
          ok = Text(tag, &desc, p);
        } else if (name == "link" || name == "extensions") {
          const bool link = name == "link";
          p = tag.end;
          ok = Children(p, tag, [&](const Markup& inner, size_t innerAt) {
            const Part part =
                ChildPart(link ? Part::kLink : Part::kExtensions, LocalName(inner.name));
            if (part == Part::kSkip) return Skip(inner, p);
            const size_t innerScope = declarations_.size();
            Tag innerTag;
            std::string_view innerName, innerUri;
            if (!Enter(innerAt, innerTag, innerName, innerUri)) return false;
            bool innerOk = false;
            if (link)
              innerOk =
                  Text(innerTag, innerUri == gpx && urlName.isEmpty() ? &urlName : nullptr, p);
            else if (innerUri.find(kCacheExtension) != kNone)
              innerOk = ScanCacheExtension(p, innerTag, innerUri, extensionName);
            declarations_.resize(innerScope);
            return innerOk;
          });
        } else if (ChildPart(Part::kWpt, name) == Part::kKeep) {
          ok = Text(tag, nullptr, p);  // read and left, as the reader leaves it
        } else {
          return false;
        }
        declarations_.resize(elementScope);
        return ok;
      });
      declarations_.resize(scope);
      if (read) AddGpxCache(out, code, extensionName, urlName, desc);
      return read;
    });
  }

  bool ScanCacheExtension(size_t& p, const Tag& cache, std::string_view ns, QString& name) {
    p = cache.end;
    return Children(p, cache, [&](const Markup& child, size_t at) {
      if (ChildPart(Part::kCache, LocalName(child.name)) == Part::kSkip) return Skip(child, p);
      const size_t scope = declarations_.size();
      Tag tag;
      std::string_view local, uri;
      if (!Enter(at, tag, local, uri)) return false;
      const bool ok = Text(tag, name.isEmpty() && uri == ns ? &name : nullptr, p);
      declarations_.resize(scope);
      return ok;
    });
  }

  bool ScanLoc(size_t& p, std::string_view root, std::vector<CacheEntry>& out) {
    Tag rootTag;
    rootTag.name = root;
    return Children(p, rootTag, [&](const Markup& child, size_t at) {
      if (ChildPart(Part::kLoc, LocalName(child.name)) == Part::kSkip) return Skip(child, p);
      const size_t scope = declarations_.size();
      Tag waypoint;
      std::string_view local, ns;
      if (!Enter(at, waypoint, local, ns)) return false;
      p = waypoint.end;
      QString code, name;
      bool haveName = false;
      const bool read = Children(p, waypoint, [&](const Markup& element, size_t elementAt) {
        if (ChildPart(Part::kWaypoint, LocalName(element.name)) == Part::kSkip)
          return Skip(element, p);
        const size_t elementScope = declarations_.size();
        Tag tag;
        std::string_view elementName, uri;
        if (!Enter(elementAt, tag, elementName, uri)) return false;
        bool ok = true;
        if (!haveName) {
          haveName = true;
          for (const Attribute& attribute : tag.attributes) {
            if (attribute.name != "id") continue;
            // The reader turns white space in a value into spaces: leave that to it.
            if (attribute.value.find_first_of("\t\n\r") != kNone) return false;
            const auto from = static_cast<size_t>(attribute.value.data() - s_.data());
            ok = AppendText(from, from + attribute.value.size(), &code);
          }
          ok = ok && Text(tag, &name, p);
        } else {
          ok = Text(tag, nullptr, p);
        }
        declarations_.resize(elementScope);
        return ok;
      });
      declarations_.resize(scope);
      if (read && IsCacheCode(code)) Add(out, TextBefore(name, {QLatin1String(" by ")}), code);
      return read;
    });
  }

  std::string_view s_;
  bool utf8_;
  QStringDecoder decoder_;
  std::vector<Declaration> declarations_;
  std::vector<std::string_view> open_;
};
// Through the reader: every element tokenised when whole, else the skipped ones left out.
CacheFileRead ReadThroughReader(std::string_view bytes, bool whole) {
  CacheFileRead result;
  const QString encoding = XmlEncoding(bytes);
  const bool utf8 = IsUtf8(encoding);
  const Skimmed skimmed =
      whole || !IsAsciiBytewise(encoding) ? Skimmed{{{0, bytes.size()}}, kNone} : Skim(bytes);
  // Read through a device, so the reader decodes a few kilobytes at a time instead of the
  // whole file at once.
  SpansDevice device(bytes, skimmed.kept);
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
  if (!xml.hasError()) return result;
  if (skimmed.kept.size() == 1 && skimmed.kept[0].end == bytes.size()) {
    // Nothing skipped: the reader's own count is the file's.
    result.error = NotWellFormed(xml.lineNumber(), xml.columnNumber());
    return result;
  }
  // The reader ran out where a skipped element broke: the fault is in that element.
  const size_t fault =
      skimmed.fault != kNone && xml.error() == QXmlStreamReader::PrematureEndOfDocumentError
          ? skimmed.fault
          : FileOffset(bytes, skimmed.kept, xml.characterOffset(), utf8);
  result.error = NotWellFormedAt(bytes, fault, utf8);
  return result;
}

}  // namespace

bool IsXmlCacheFile(std::string_view bytes) {
  const Units units(bytes);
  size_t i = 0;
  while (i < units.Count() && IsXmlSpace(units.At(i))) ++i;
  if (units.StartsWith(i, "<?xml")) return i + 5 < units.Count() && IsXmlSpace(units.At(i + 5));
  return (units.StartsWith(i, "<gpx") || units.StartsWith(i, "<loc")) && EndsName(units, i + 4);
}

CacheFileEncoding CacheFileTextEncoding(std::string_view bytes) {
  if (!IsXmlCacheFile(bytes)) return {QStringLiteral("windows-1250"), true};
  const QString name = XmlEncoding(bytes);
  return {name, IsAsciiBytewise(name)};
}

CacheFileRead ReadXmlCacheFile(std::string_view bytes, bool whole) {
  const QString encoding = XmlEncoding(bytes);
  CacheFileRead result;
  if (!whole && IsAsciiBytewise(encoding) &&
      Scanner(bytes, encoding, IsUtf8(encoding)).Run(result.entries))
    return result;
  return ReadThroughReader(bytes, whole);
}

CacheFileRead ReadCacheFile(std::string_view bytes) {
  if (IsXmlCacheFile(bytes)) return ReadXmlCacheFile(bytes);
  return {ReadWaypointText(bytes), {}};
}

QString CacheFileText(std::string_view bytes) {
  if (!IsXmlCacheFile(bytes)) return FromAnsi(bytes);
  return DecodeText(bytes, CacheFileTextEncoding(bytes).name);
}

std::uint64_t CacheFileMemory(std::string_view bytes, const std::vector<CacheEntry>& entries) {
  // A string's characters are its own allocation unless they fit inside it.
  const auto heap = [](const AnsiString& text) -> std::uint64_t {
    const char* inside = reinterpret_cast<const char*>(&text);
    const bool own = text.data() >= inside && text.data() < inside + sizeof(AnsiString);
    return own ? 0 : text.capacity() + 1;
  };
  std::uint64_t total = bytes.size() + entries.capacity() * sizeof(CacheEntry);
  for (const CacheEntry& entry : entries) total += heap(entry.name) + heap(entry.code);
  return total;
}
