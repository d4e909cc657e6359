#include "device/gpsgpx.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <unordered_map>

#include "cachelist/cachefile.h"
#include "platform/codepage.h"
#include "platform/textlines.h"
#include "web/rot13.h"

namespace {

constexpr size_t kNone = std::string_view::npos;
constexpr char kCacheNamespace[] = "http://www.groundspeak.com/cache/1/0/1";

// ---- A walk over the source's tags: only what the writer needs of XML ----

struct Tag {
  enum Kind { Start, End, Empty, Other };
  size_t begin = kNone, end = kNone;  // "<" and past ">"
  std::string_view name;              // as written, prefix included
  Kind kind = Other;
};

size_t Past(std::string_view s, size_t from, std::string_view close) {
  const size_t at = s.find(close, from);
  return at == kNone ? kNone : at + close.size();
}

Tag NextTag(std::string_view s, size_t from) {
  Tag tag;
  tag.begin = s.find('<', from);
  if (tag.begin == kNone) return tag;
  const std::string_view rest = s.substr(tag.begin);
  if (rest.substr(0, 4) == "<!--") {
    tag.end = Past(s, tag.begin + 4, "-->");
  } else if (rest.substr(0, 9) == "<![CDATA[") {
    tag.end = Past(s, tag.begin + 9, "]]>");
  } else if (rest.substr(0, 2) == "<?") {
    tag.end = Past(s, tag.begin + 2, "?>");
  } else if (rest.substr(0, 2) == "<!") {  // a document type, its internal subset included
    const size_t open = s.find_first_of("[>", tag.begin);
    tag.end = open != kNone && s[open] == '[' ? Past(s, open, "]") : open;
    if (tag.end != kNone) tag.end = Past(s, tag.end, ">");
  } else {
    const bool end = rest.substr(0, 2) == "</";
    const size_t nameStart = tag.begin + (end ? 2 : 1);
    const size_t nameEnd = s.find_first_of(" \t\r\n/>", nameStart);
    if (nameEnd == kNone) return {};
    tag.name = s.substr(nameStart, nameEnd - nameStart);
    char quote = 0;
    for (size_t i = nameEnd; i < s.size(); ++i) {
      const char c = s[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        tag.end = i + 1;
        break;
      }
    }
    if (tag.end == kNone) return {};
    tag.kind = end ? Tag::End : s[tag.end - 2] == '/' ? Tag::Empty : Tag::Start;
  }
  if (tag.end == kNone) return {};
  return tag;
}

struct Element {
  size_t begin = 0, contentBegin = 0, contentEnd = 0, end = 0;
  std::string_view name;  // as written
  std::string_view StartTag(std::string_view s) const {
    return s.substr(begin, contentBegin - begin);
  }
  std::string_view Content(std::string_view s) const {
    return s.substr(contentBegin, contentEnd - contentBegin);
  }
};

std::string_view LocalName(std::string_view name) {
  const size_t colon = name.find(':');
  return colon == kNone ? name : name.substr(colon + 1);
}

std::string_view Prefix(std::string_view name) {
  const size_t colon = name.find(':');
  return colon == kNone ? std::string_view() : name.substr(0, colon);
}

// The markup of a cache element's content with its elements' prefix made "groundspeak": readers
// match that prefix as written, not the namespace it stands for. Elements of another prefix,
// text, comments and CDATA stay as they are.
std::string WithCachePrefix(std::string_view content, std::string_view prefix) {
  if (prefix == "groundspeak") return std::string(content);
  std::string out;
  out.reserve(content.size() + content.size() / 8);
  size_t at = 0;
  while (at < content.size()) {
    const size_t lt = content.find('<', at);
    if (lt == kNone) break;
    out += content.substr(at, lt - at);
    const std::string_view rest = content.substr(lt);
    if (rest.substr(0, 9) == "<![CDATA[" || rest.substr(0, 4) == "<!--") {
      const std::string_view close = rest[1] == '[' ? "]]>" : "-->";
      const size_t end = rest.find(close);
      const size_t length = end == kNone ? rest.size() : end + close.size();
      out += rest.substr(0, length);
      at = lt + length;
      continue;
    }
    const size_t nameAt = rest.substr(0, 2) == "</" ? 2 : 1;
    size_t nameEnd = nameAt;
    while (nameEnd < rest.size() && !std::strchr(" \t\r\n/>", rest[nameEnd])) ++nameEnd;
    const std::string_view name = rest.substr(nameAt, nameEnd - nameAt);
    out += rest.substr(0, nameAt);
    if (!name.empty() && name[0] != '?' && name[0] != '!' && Prefix(name) == prefix)
      out += "groundspeak:" + std::string(prefix.empty() ? name : name.substr(prefix.size() + 1));
    else
      out += name;
    at = lt + nameEnd;
  }
  out += content.substr(std::min(at, content.size()));
  return out;
}

// The element whose start tag is tag; nullopt when its end is missing.
std::optional<Element> ElementAt(std::string_view s, const Tag& tag) {
  Element element{tag.begin, tag.end, tag.end, tag.end, tag.name};
  if (tag.kind == Tag::Empty) return element;
  int depth = 1;
  for (Tag next = NextTag(s, tag.end); next.begin != kNone; next = NextTag(s, next.end)) {
    if (next.kind == Tag::Start) ++depth;
    if (next.kind == Tag::End && --depth == 0) {
      element.contentEnd = next.begin;
      element.end = next.end;
      return element;
    }
  }
  return std::nullopt;
}

std::vector<Element> Children(std::string_view s, const Element& parent) {
  std::vector<Element> out;
  size_t at = parent.contentBegin;
  while (at < parent.contentEnd) {
    const Tag tag = NextTag(s, at);
    if (tag.begin == kNone || tag.begin >= parent.contentEnd) break;
    if (tag.kind != Tag::Start && tag.kind != Tag::Empty) {
      at = tag.end;
      continue;
    }
    const std::optional<Element> child = ElementAt(s, tag);
    if (!child) break;
    out.push_back(*child);
    at = child->end;
  }
  return out;
}

const Element* FirstChild(const std::vector<Element>& children, std::string_view local) {
  for (const Element& child : children)
    if (LocalName(child.name) == local) return &child;
  return nullptr;
}

// The attributes of a start tag, each as name and the whole text ` name="value"`.
struct Attribute {
  std::string_view name, value, whole;
};

std::vector<Attribute> Attributes(std::string_view startTag) {
  std::vector<Attribute> out;
  size_t i = startTag.find_first_of(" \t\r\n/>");
  while (i < startTag.size()) {
    const size_t nameStart = startTag.find_first_not_of(" \t\r\n", i);
    if (nameStart == kNone || startTag[nameStart] == '/' || startTag[nameStart] == '>') break;
    const size_t eq = startTag.find('=', nameStart);
    if (eq == kNone) break;
    const size_t quote = startTag.find_first_of("\"'", eq);
    if (quote == kNone) break;
    const size_t close = startTag.find(startTag[quote], quote + 1);
    if (close == kNone) break;
    std::string_view name = startTag.substr(nameStart, eq - nameStart);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    out.push_back(
        {name, startTag.substr(quote + 1, close - quote - 1), startTag.substr(i, close + 1 - i)});
    i = close + 1;
  }
  return out;
}

std::string_view AttributeValue(std::string_view startTag, std::string_view name) {
  for (const Attribute& attribute : Attributes(startTag))
    if (attribute.name == name) return attribute.value;
  return {};
}

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == kNone) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
}

// The text of a simple element (a code, a link), a CDATA section's too.
std::string PlainText(std::string_view content) {
  content = Trimmed(content);
  if (content.substr(0, 9) == "<![CDATA[" && content.size() >= 12 &&
      content.substr(content.size() - 3) == "]]>")
    return std::string(content.substr(9, content.size() - 12));
  return std::string(content);
}

std::string Escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // A control character other than a line break or tab is no XML at all.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\n' || c == '\t' || c == '\r') out += c;
    }
  }
  return out;
}

// ---- The caches of the source ----

struct SourceWaypoint {
  std::string code;
  std::string lat, lon;
  // GPX: the element and its children; other sources: what the list and the text say.
  std::optional<Element> element;
  std::vector<Element> children;
  std::string name, typeText;  // waypoint and LOC files (name UTF-8)
};

struct Source {
  std::string text;  // UTF-8 (GPX kept as it stands when it is UTF-8 already)
  bool gpx = false;
  std::vector<SourceWaypoint> waypoints;
};

void ReadGpxSource(Source& source) {
  const std::string_view s = source.text;
  Tag root = NextTag(s, 0);
  while (root.begin != kNone && root.kind == Tag::Other) root = NextTag(s, root.end);
  if (root.begin == kNone || root.kind != Tag::Start) return;
  // A file cut off keeps the waypoints before the cut: the root is closed where the text ends.
  Element top{root.begin, root.end, s.size(), s.size(), root.name};
  if (std::optional<Element> whole = ElementAt(s, root)) top = *whole;
  for (const Element& child : Children(s, top)) {
    if (LocalName(child.name) != "wpt") continue;
    SourceWaypoint waypoint;
    waypoint.element = child;
    waypoint.children = Children(s, child);
    const std::string_view startTag = child.StartTag(s);
    waypoint.lat = std::string(AttributeValue(startTag, "lat"));
    waypoint.lon = std::string(AttributeValue(startTag, "lon"));
    if (const Element* name = FirstChild(waypoint.children, "name"))
      waypoint.code = PlainText(name->Content(s));
    source.waypoints.push_back(std::move(waypoint));
  }
}

void ReadLocSource(Source& source) {
  QXmlStreamReader xml(QByteArray::fromStdString(source.text));
  while (xml.readNextStartElement()) {
    if (xml.name() != QLatin1String("waypoint")) {
      if (xml.name() != QLatin1String("loc")) xml.skipCurrentElement();
      continue;
    }
    SourceWaypoint waypoint;
    while (xml.readNextStartElement()) {
      if (xml.name() == QLatin1String("name") && waypoint.code.empty()) {
        waypoint.code = xml.attributes().value(QLatin1String("id")).toString().toStdString();
        const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
        waypoint.typeText = text.toStdString();
        waypoint.name = text.left(text.indexOf(QLatin1String(" by "))).toStdString();
      } else if (xml.name() == QLatin1String("coord")) {
        waypoint.lat = xml.attributes().value(QLatin1String("lat")).toString().toStdString();
        waypoint.lon = xml.attributes().value(QLatin1String("lon")).toString().toStdString();
        xml.skipCurrentElement();
      } else {
        xml.skipCurrentElement();
      }
    }
    if (!waypoint.code.empty()) source.waypoints.push_back(std::move(waypoint));
  }
}

// OziExplorer: "1,name,48.392100,18.394400,...,description (GC1ABCD),...".
void ReadWaypointSource(std::string_view bytes, Source& source) {
  size_t start = 0;
  while (start < bytes.size()) {
    const platform::LineEnd end = platform::FindLineEnd(bytes, start);
    const std::string_view line = bytes.substr(start, end.end - start);
    start = end.next;
    const std::optional<CacheEntry> entry = ReadWaypointLine(line);
    if (!entry) continue;
    std::vector<std::string_view> fields;
    for (size_t at = 0; at <= line.size() && fields.size() < 4;) {
      const size_t comma = std::min(line.find(',', at), line.size());
      fields.push_back(Trimmed(line.substr(at, comma - at)));
      at = comma + 1;
    }
    if (fields.size() < 4) continue;
    SourceWaypoint waypoint;
    waypoint.code = entry->code;
    waypoint.lat = std::string(fields[2]);
    waypoint.lon = std::string(fields[3]);
    waypoint.name = AnsiToUtf8(entry->name);
    waypoint.typeText = AnsiToUtf8(line);
    source.waypoints.push_back(std::move(waypoint));
  }
}

Source ReadSource(std::string_view bytes) {
  Source source;
  if (!IsXmlCacheFile(bytes)) {
    ReadWaypointSource(bytes, source);
    return source;
  }
  const CacheFileEncoding encoding = CacheFileTextEncoding(bytes);
  const bool utf8 = encoding.name.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0 ||
                    encoding.name.compare(QLatin1String("utf8"), Qt::CaseInsensitive) == 0;
  if (utf8) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);  // bytes: UTF-8's mark
    source.text = std::string(bytes);
  } else {
    source.text = DecodeText(bytes, encoding.name).toUtf8().toStdString();
  }
  // The root says which: LOC's is <loc>.
  Tag root = NextTag(source.text, 0);
  while (root.begin != kNone && root.kind == Tag::Other) root = NextTag(source.text, root.end);
  source.gpx = root.begin != kNone && LocalName(root.name) == "gpx";
  if (source.gpx) {
    ReadGpxSource(source);
  } else {
    // The declaration names the old encoding: the reader is given the text without it.
    const size_t declaration = source.text.rfind("?>", root.begin == kNone ? 0 : root.begin);
    if (source.text.substr(0, 5) == "<?xml" && declaration != kNone)
      source.text.erase(0, declaration + 2);
    ReadLocSource(source);
  }
  return source;
}

// ---- Writing ----

// The cache type a name or description says, as the extension names types.
std::string TypeFromText(const std::string& text) {
  static const std::pair<const char*, const char*> kTypes[] = {
      {"Traditional", "Traditional Cache"}, {"Multi", "Multi-cache"},
      {"Mystery", "Unknown Cache"},         {"Puzzle", "Unknown Cache"},
      {"Unknown Cache", "Unknown Cache"},   {"Earth", "Earthcache"},
      {"Letterbox", "Letterbox Hybrid"},    {"Wherigo", "Wherigo Cache"},
      {"Virtual", "Virtual Cache"},         {"Webcam", "Webcam Cache"},
      {"CITO", "Cache In Trash Out Event"}, {"Event", "Event Cache"}};
  const QString haystack = QString::fromStdString(text);
  for (const auto& [word, type] : kTypes)
    if (haystack.contains(QLatin1String(word), Qt::CaseInsensitive)) return type;
  return "Unknown";
}

bool IsNumber(const std::string& text) {
  if (text.empty()) return false;
  char* end = nullptr;
  std::strtod(text.c_str(), &end);
  return *end == '\0';
}

class Ids {
 public:
  long long Take(std::string_view sourceId, std::string_view code) {
    if (!sourceId.empty() && sourceId.find_first_not_of("0123456789") == kNone &&
        sourceId.size() < 18 && Free(std::atoll(std::string(sourceId).c_str())))
      return Use(std::atoll(std::string(sourceId).c_str()));
    if (const long long fromCode = GcCodeId(code); fromCode > 0 && Free(fromCode))
      return Use(fromCode);
    while (!Free(next_)) ++next_;
    return Use(next_);
  }

 private:
  bool Free(long long id) const { return id > 0 && used_.count(id) == 0; }
  long long Use(long long id) {
    used_.insert(id);
    return id;
  }
  std::set<long long> used_;
  long long next_ = 1'000'000'000;  // far above the sites' own ids
};

class Writer {
 public:
  Writer(const Source& source, const GpsGpxRequest& request) : s_(source.text), request_(request) {}

  void Cache(const SourceWaypoint& waypoint, const CacheEntry& listed,
             const std::vector<const SourceWaypoint*>& children) {
    out_ += "  <wpt lat=\"" + waypoint.lat + "\" lon=\"" + waypoint.lon + "\">\n";
    const auto hint = request_.hints.find(listed.code);
    const std::string* hintText = nullptr;
    std::string hintUtf8;
    if (hint != request_.hints.end()) {
      hintUtf8 = Escaped(AnsiToUtf8(hint->second));
      hintText = &hintUtf8;
    }
    const std::string name = Escaped(AnsiToUtf8(listed.name));
    const Element* cache = waypoint.element ? FindCache(waypoint.children) : nullptr;
    if (waypoint.element) {
      GpxChildren(waypoint, cache ? "" : name);
    } else {
      out_ += "    <time>" + request_.time + "</time>\n    <name>" + Escaped(waypoint.code) +
              "</name>\n    <desc>" + name + "</desc>\n    <urlname>" + name +
              "</urlname>\n    <sym>Geocache</sym>\n";
    }
    const long long id =
        ids_.Take(cache ? AttributeValue(cache->StartTag(s_), "id") : "", waypoint.code);
    if (cache) {
      CarriedCache(*cache, id, name, hintText);
    } else {
      const std::string typeText = waypoint.element ? TextOf(waypoint.children, "type") + " " +
                                                          TextOf(waypoint.children, "desc")
                                                    : waypoint.typeText;
      const std::string type = TypeFromText(typeText);
      if (!waypoint.element) out_ += "    <type>Geocache|" + type + "</type>\n";
      out_ += "    <groundspeak:cache id=\"" + std::to_string(id) +
              "\" available=\"True\" archived=\"False\" xmlns:groundspeak=\"" + kCacheNamespace +
              "\">\n      <groundspeak:name>" + name + "</groundspeak:name>\n" +
              "      <groundspeak:type>" + type + "</groundspeak:type>\n";
      if (hintText)
        out_ += "      <groundspeak:encoded_hints>" + *hintText + "</groundspeak:encoded_hints>\n";
      out_ += "    </groundspeak:cache>\n";
    }
    out_ += "  </wpt>\n";
    for (const SourceWaypoint* child : children) {
      out_ += "  <wpt lat=\"" + child->lat + "\" lon=\"" + child->lon + "\">\n";
      GpxChildren(*child, "");
      out_ += "  </wpt>\n";
    }
  }

  std::string Take() { return std::move(out_); }

 private:
  // The cache extension directly under the waypoint or in its <extensions>.
  const Element* FindCache(const std::vector<Element>& children) {
    if (const Element* cache = FirstChild(children, "cache")) return cache;
    if (const Element* extensions = FirstChild(children, "extensions")) {
      extensionChildren_ = Children(s_, *extensions);
      return FirstChild(extensionChildren_, "cache");
    }
    return nullptr;
  }

  std::string TextOf(const std::vector<Element>& children, std::string_view local) const {
    const Element* child = FirstChild(children, local);
    return child ? PlainText(child->Content(s_)) : std::string();
  }

  // GPX 1.0's own elements of a waypoint, in its order; GPX 1.1's link as url and urlname.
  void GpxChildren(const SourceWaypoint& waypoint, const std::string& fallbackName) {
    const std::vector<Element>& children = waypoint.children;
    static const char* const kOrder[] = {"ele",  "time", "magvar", "geoidheight", "name", "cmt",
                                         "desc", "src",  "url",    "urlname",     "sym",  "type"};
    const Element* link = FirstChild(children, "link");
    for (const char* local : kOrder) {
      const std::string_view name = local;
      const Element* child = FirstChild(children, name);
      if (child) {
        out_ += "    <" + std::string(name) + ">" + std::string(child->Content(s_)) + "</" +
                std::string(name) + ">\n";
      } else if (name == "time") {
        out_ += "    <time>" + request_.time + "</time>\n";
      } else if (name == "url" && link) {
        out_ += "    <url>" + std::string(AttributeValue(link->StartTag(s_), "href")) + "</url>\n";
      } else if (name == "urlname" && link) {
        const std::vector<Element> linkChildren = Children(s_, *link);
        if (const Element* text = FirstChild(linkChildren, "text"))
          out_ += "    <urlname>" + std::string(text->Content(s_)) + "</urlname>\n";
      } else if (name == "urlname" && !fallbackName.empty()) {
        out_ += "    <urlname>" + fallbackName + "</urlname>\n";
      }
    }
  }

  // The source's cache element under the extension's 1.0.1 namespace and its usual prefix; a
  // source that uses that prefix keeps its children byte for byte.
  void CarriedCache(const Element& cache, long long id, const std::string& name,
                    const std::string* hint) {
    const std::string_view prefix = Prefix(cache.name);
    out_ += "    <groundspeak:cache id=\"" + std::to_string(id) + "\"";
    for (const Attribute& attribute : Attributes(cache.StartTag(s_))) {
      if (attribute.name == "id" || attribute.name == "xmlns" ||
          attribute.name.substr(0, 6) == "xmlns:")
        continue;
      out_ += attribute.whole;
    }
    out_ += " xmlns:groundspeak=\"" + std::string(kCacheNamespace) + "\">";
    const std::vector<Element> children = Children(s_, cache);
    std::string_view content = cache.Content(s_);
    const size_t base = cache.contentBegin;
    std::string carried;
    size_t at = 0;
    if (!FirstChild(children, "name")) out_ += "<groundspeak:name>" + name + "</groundspeak:name>";
    if (hint) {
      const std::string hinted =
          "<groundspeak:encoded_hints>" + *hint + "</groundspeak:encoded_hints>";
      if (const Element* old = FirstChild(children, "encoded_hints")) {
        carried += WithCachePrefix(content.substr(0, old->begin - base), prefix);
        carried += hinted;
        at = old->end - base;
      } else if (const Element* logs = FirstChild(children, "logs")) {
        carried += WithCachePrefix(content.substr(0, logs->begin - base), prefix);
        carried += hinted;
        at = logs->begin - base;
      } else {
        carried += WithCachePrefix(content, prefix);
        carried += hinted;
        at = content.size();
      }
    }
    out_ += carried + WithCachePrefix(content.substr(at), prefix);
    out_ += "</groundspeak:cache>\n";
  }

  std::string_view s_;
  const GpsGpxRequest& request_;
  std::string out_;
  Ids ids_;
  std::vector<Element> extensionChildren_;
};

std::string Header(const GpsGpxRequest& request) {
  return std::string(
             "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
             "<gpx xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" version=\"1.0\" "
             "creator=\"Vireska\" xsi:schemaLocation=\"http://www.topografix.com/GPX/1/0 "
             "http://www.topografix.com/GPX/1/0/gpx.xsd ") +
         kCacheNamespace + " " + kCacheNamespace +
         "/cache.xsd\" xmlns=\"http://www.topografix.com/GPX/1/0\">\n  <name>" +
         Escaped(request.title) + "</name>\n  <time>" + request.time + "</time>\n";
}

}  // namespace

std::vector<GpsGpxFile> WriteGpsGpx(std::string_view bytes, const GpsGpxRequest& request) {
  const Source source = ReadSource(bytes);
  std::unordered_map<std::string, const CacheEntry*> chosen;
  for (const CacheEntry& entry : request.caches) chosen.emplace(entry.code, &entry);
  // Child waypoints by the code they share with their cache after its first two letters.
  std::unordered_map<std::string, std::vector<const SourceWaypoint*>> children;
  if (source.gpx)
    for (const SourceWaypoint& waypoint : source.waypoints)
      if (waypoint.code.size() > 2 && waypoint.code.compare(0, 2, "GC") != 0 &&
          chosen.count("GC" + waypoint.code.substr(2)))
        children["GC" + waypoint.code.substr(2)].push_back(&waypoint);

  std::vector<GpsGpxFile> files;
  Writer writer(source, request);
  std::set<std::string> written;
  std::size_t inFile = 0;
  const std::size_t perFile = std::max<std::size_t>(request.perFile, 1);
  std::vector<AnsiString> codes;
  const auto close = [&] {
    files.push_back({Header(request) + writer.Take() + "</gpx>\n", inFile, std::move(codes)});
    codes.clear();
    inFile = 0;
  };
  for (const SourceWaypoint& waypoint : source.waypoints) {
    const auto listed = chosen.find(waypoint.code);
    if (listed == chosen.end() || written.count(waypoint.code)) continue;
    if (!IsNumber(waypoint.lat) || !IsNumber(waypoint.lon)) continue;  // nowhere to show it
    written.insert(waypoint.code);
    if (inFile == perFile) close();
    const auto own = children.find(waypoint.code);
    writer.Cache(waypoint, *listed->second,
                 own == children.end() ? std::vector<const SourceWaypoint*>() : own->second);
    ++inFile;
    codes.push_back(waypoint.code);
  }
  if (inFile > 0) close();
  return files;
}

std::vector<AnsiString> GpsGpxFileNames(const AnsiString& base, std::size_t files) {
  if (files == 1) return {base + ".gpx"};
  std::vector<AnsiString> names;
  for (std::size_t i = 1; i <= files; ++i) names.push_back(base + "_" + std::to_string(i) + ".gpx");
  return names;
}

long long GcCodeId(std::string_view code) {
  if (code.size() < 3 || code.substr(0, 2) != "GC") return 0;
  const std::string_view rest = code.substr(2);
  if (rest.size() > 8) return 0;
  if (rest.size() <= 4 && rest.find_first_not_of("0123456789ABCDEF") == kNone)
    return std::stoll(std::string(rest), nullptr, 16);
  // Beyond GCFFFF the sites count in base 31 without the letters easily taken for others.
  const char* digits = "0123456789ABCDEFGHJKMNPQRTVWXYZ";
  long long id = 0;
  for (char c : rest) {
    const char* at = std::strchr(digits, c);
    if (!at || !c) return 0;
    id = id * 31 + (at - digits);
  }
  return std::max(0LL, id - 411120);
}

AnsiString DecodedHint(std::string_view markup) {
  AnsiString out;
  size_t i = 0;
  while (i < markup.size()) {
    const char c = markup[i];
    if (c == '<') {
      const size_t end = markup.find('>', i);
      if (end == kNone) break;
      std::string name(markup.substr(i + 1, end - i - 1));
      name = name.substr(0, name.find_first_of(" /\t"));
      if (QString::fromLatin1(name.c_str()).compare(QLatin1String("br"), Qt::CaseInsensitive) == 0)
        out += '\n';
      i = end + 1;
    } else if (c == '&') {
      const size_t end = markup.find(';', i);
      const std::string_view entity =
          end == kNone || end - i > 10 ? std::string_view() : markup.substr(i + 1, end - i - 1);
      static const std::pair<const char*, char> kNamed[] = {
          {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", ' '}};
      bool known = false;
      for (const auto& [name, value] : kNamed)
        if (entity == name) {
          out += value;
          known = true;
        }
      if (!known && entity.size() > 1 && entity[0] == '#') {
        const bool hex = entity[1] == 'x' || entity[1] == 'X';
        const long code =
            std::strtol(std::string(entity.substr(hex ? 2 : 1)).c_str(), nullptr, hex ? 16 : 10);
        if (code > 0) {
          const auto ucs4 = static_cast<char32_t>(code);
          out += ToAnsi(QString::fromUcs4(&ucs4, 1));
          known = true;
        }
      }
      if (!known) {
        out += '&';
        ++i;
        continue;
      }
      i = end + 1;
    } else {
      const size_t next = markup.find_first_of("<&", i);
      const size_t stop = next == kNone ? markup.size() : next;
      out += Rot13(markup.substr(i, stop - i));
      i = stop;
    }
  }
  // The page's own line breaks and indentation are no part of the hint.
  const size_t first = out.find_first_not_of(" \t\r\n");
  if (first == kNone) return {};
  return out.substr(first, out.find_last_not_of(" \t\r\n") + 1 - first);
}
