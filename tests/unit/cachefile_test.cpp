#include <gtest/gtest.h>
#include <sys/resource.h>

#include "cachelist/cachefile.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;  // (name, code), UTF-8

Pairs Listed(const CacheFileRead& read) {
  Pairs out;
  for (const CacheEntry& e : read.entries) out.emplace_back(AnsiToUtf8(e.name), e.code);
  return out;
}

const std::string kGpx10 =
    R"(<gpx xmlns="http://www.topografix.com/GPX/1/0" version="1.0" creator="t">)";
const std::string kGpx11 =
    R"(<gpx xmlns="http://www.topografix.com/GPX/1/1" version="1.1" creator="t">)";

// A pocket query's waypoint: the extension (its namespace declared on it, as they are written)
// with a name of its own, urlname and desc saying other things, and logs with names of their own.
std::string PocketQueryCache(const std::string& code, const std::string& name,
                             const std::string& ns = "http://www.groundspeak.com/cache/1/0/1") {
  return "<wpt lat=\"48.1\" lon=\"18.1\"><time>2010-05-01T00:00:00</time><name>" + code +
         "</name><desc>Popis by autor, Traditional Cache (1.5/2)</desc>"
         "<url>https://example.org/" +
         code +
         "</url><urlname>Odkaz</urlname><sym>Geocache</sym>"
         "<groundspeak:cache id=\"1\" xmlns:groundspeak=\"" +
         ns + "\"><groundspeak:name>" + name +
         "</groundspeak:name><groundspeak:owner>autor</groundspeak:owner>"
         "<groundspeak:long_description html=\"True\">&lt;p&gt;Text&lt;/p&gt;"
         "</groundspeak:long_description><groundspeak:logs><groundspeak:log id=\"7\">"
         "<groundspeak:finder>nieto</groundspeak:finder><groundspeak:text>Name it"
         "</groundspeak:text></groundspeak:log></groundspeak:logs></groundspeak:cache></wpt>\n";
}

TEST(CacheFileFormat, XmlIsKnownFromTheContentAndEverythingElseIsAWaypointFile) {
  for (const std::string& xml : std::vector<std::string>{
           "<?xml version=\"1.0\"?><gpx/>", "\xEF\xBB\xBF \r\n\t<?xml version='1.0'?>",
           "\n  <gpx version=\"1.0\">", "<loc>", "<gpx/>",
           std::string("\xFF\xFE \0<\0?\0x\0m\0l\0 \0", 16),
           std::string("\xFE\xFF\0<\0l\0o\0c\0>", 12)})
    EXPECT_TRUE(IsXmlCacheFile(xml)) << xml;
  for (const std::string other :
       {"", "OziExplorer Waypoint File Version 1.1\r\n", "<gpxx>", "<?xml-stylesheet href='a'?>",
        "<!-- a --><gpx/>", "<kml>", "x<gpx>", "<gp"})
    EXPECT_FALSE(IsXmlCacheFile(other)) << other;

  // A waypoint file goes to its own reader unchanged, even with XML in its text.
  const std::string wpt = "1,A <gpx>,0,0 (GC1)\r\n<gpx> (GC2)\r\n";
  CacheFileRead read = ReadCacheFile(wpt);
  EXPECT_EQ(Listed(read), (Pairs{{"A <gpx>", "GC1"}, {"", "GC2"}}));
  EXPECT_TRUE(read.error.empty());
  EXPECT_EQ(CacheFileText("\x9A"
                          "1"),
            QStringLiteral("š1"));
}

TEST(CacheFileGpx, PocketQueryListsOnlyCachesWithTheExtensionsNameInFileOrder) {
  const std::string file =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" + kGpx10 +
      "<name>PQ</name><desc>Pocket Query</desc>\n" + PocketQueryCache("GCZM001", "Hradná studňa") +
      // child waypoints of the cache: parking and a stage, as the query writes them
      "<wpt lat=\"1\" lon=\"1\"><name>PKZM001</name><desc>Parkovisko</desc></wpt>\n"
      "<wpt lat=\"1\" lon=\"1\"><name>S1ZM001</name><desc>Stage 1</desc></wpt>\n"
      "<wpt lat=\"1\" lon=\"1\"><name>gczm009</name><desc>Malé písmená</desc></wpt>\n" +
      PocketQueryCache("GCZM002", "Pod lesom &amp; &#x10D;",
                       "http://www.groundspeak.com/cache/1/0") +
      "<rte><rtept lat=\"1\" lon=\"1\"><name>GCZM777</name></rtept></rte>"
      "<wpt lat=\"1\" lon=\"1\"><extensions><wpt><name>GCZM888</name></wpt></extensions>"
      "<name>WP</name></wpt>" +
      PocketQueryCache("GCZM001", "Hradná studňa") + "</gpx>\n";
  CacheFileRead read = ReadXmlCacheFile(file);
  EXPECT_EQ(Listed(read), (Pairs{{"Hradná studňa", "GCZM001"},
                                 {"Pod lesom & č", "GCZM002"},
                                 {"Hradná studňa", "GCZM001"}}));
  EXPECT_TRUE(read.error.empty()) << read.error;
}

TEST(CacheFileGpx, TheShippedSampleListsItsCachesAndNotItsParking) {
  CacheFileRead read =
      ReadCacheFile(platform::ReadWholeFile(VIRESKA_SOURCE_DIR "/resources/Tribeč.gpx"));
  EXPECT_TRUE(read.error.empty());
  ASSERT_EQ(read.entries.size(), 5u);
  EXPECT_EQ(AnsiToUtf8(read.entries[1].name), "Hrad Gýmeš – nádvorie");
  EXPECT_EQ(read.entries[4].code, "GCZT005");
}

TEST(CacheFileGpx, WithoutTheExtensionUrlnameThenTheDescriptionNameTheCache) {
  const std::string file =
      kGpx11 +
      // GPX 1.1 carries the extension inside <extensions>, in a later namespace version
      "<wpt lat=\"1\" lon=\"1\"><name>GC1</name><desc>D</desc><extensions>"
      "<c:cache xmlns:c=\"http://www.groundspeak.com/cache/1/0/2\"><c:name>Z rozšírenia</c:name>"
      "</c:cache></extensions></wpt>"
      "<wpt lat=\"1\" lon=\"1\"><name>GC2</name><desc>Popis, Multi</desc>"
      "<link href=\"https://example.org/GC2\"><text>Text odkazu</text></link></wpt>"
      "<wpt lat=\"1\" lon=\"1\"><name>GC3</name><desc>Popis</desc><urlname>Urlname</urlname></wpt>"
      "<wpt lat=\"1\" lon=\"1\"><name>GC4</name><desc>Hrad, veža by Jano, Multi</desc></wpt>"
      "<wpt lat=\"1\" lon=\"1\"><name>GC5</name><desc>Lúka by Jano, Traditional</desc></wpt>"
      "<wpt lat=\"1\" lon=\"1\"><name>GC6</name><desc>Bez oddeľovača</desc></wpt>"
      "<wpt lat=\"1\" lon=\"1\"><name>GC7</name></wpt>"
      // an empty extension name does not win over what else names the cache
      "<wpt lat=\"1\" lon=\"1\"><name>GC8</name><urlname>U8</urlname><extensions>"
      "<c:cache xmlns:c=\"http://www.groundspeak.com/cache/1/0/2\"><c:name/></c:cache>"
      "</extensions></wpt>"
      // elements of other namespaces named like GPX's are not GPX's
      "<wpt lat=\"1\" lon=\"1\"><name>GC9</name><o:urlname xmlns:o=\"urn:other\">Cudzí</o:urlname>"
      "<desc>Vlastný</desc></wpt></gpx>";
  EXPECT_EQ(Listed(ReadXmlCacheFile(file)), (Pairs{{"Z rozšírenia", "GC1"},
                                                   {"Text odkazu", "GC2"},
                                                   {"Urlname", "GC3"},
                                                   {"Hrad", "GC4"},
                                                   {"Lúka", "GC5"},
                                                   {"Bez oddeľovača", "GC6"},
                                                   {"", "GC7"},
                                                   {"U8", "GC8"},
                                                   {"Vlastný", "GC9"}}));
  // No namespace at all reads the same.
  EXPECT_EQ(Listed(ReadXmlCacheFile("<gpx><wpt><name>GC1</name><urlname>U</urlname></wpt></gpx>")),
            (Pairs{{"U", "GC1"}}));
}

TEST(CacheFileLoc, CachesByIdWithTheNameUpToBy) {
  const std::string file =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<loc version=\"1.0\" src=\"site\">\n"
      "<waypoint><name id=\"GCZM001\"><![CDATA[Hradná studňa by Jano, s.r.o.]]></name>"
      "<coord lat=\"48.3\" lon=\"18.4\"/><type>Geocache</type></waypoint>\n"
      "<waypoint><name id=\"PKZM001\"><![CDATA[Parkovisko]]></name></waypoint>\n"
      "<waypoint><coord lat=\"48.3\" lon=\"18.4\"/></waypoint>\n"
      "<waypoint><name id=\"GCZM002\">Bez autora &lt;3</name></waypoint>\n</loc>\n";
  CacheFileRead read = ReadCacheFile(file);
  EXPECT_EQ(Listed(read), (Pairs{{"Hradná studňa", "GCZM001"}, {"Bez autora <3", "GCZM002"}}));
  EXPECT_TRUE(read.error.empty());
}

TEST(CacheFileEncoding, NamesComeFromTheFilesEncodingWithQuestionMarksForTheRest) {
  // UTF-8: Slovak letters stay, letters code page 1250 lacks become "?" one for one.
  CacheFileRead utf8 = ReadXmlCacheFile(
      "\xEF\xBB\xBF<?xml version=\"1.0\"?>" + kGpx10 +
      "<wpt><name>GC1</name><urlname>Ťažký kôň – Москва 東京 😀</urlname></wpt></gpx>");
  ASSERT_EQ(utf8.entries.size(), 1u);
  EXPECT_EQ(utf8.entries[0].name, Utf8ToAnsi("Ťažký kôň – ?????? ?? ?"));

  // A declared 8-bit encoding, in the names and in the text tab alike.
  const std::string cp1250 = "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n" + kGpx10 +
                             "<wpt><name>GC1</name><urlname>\x8E"
                             "a\x9E"
                             "a</urlname></wpt></gpx>";
  EXPECT_EQ(Listed(ReadXmlCacheFile(cp1250)), (Pairs{{"Žaža", "GC1"}}));
  EXPECT_TRUE(CacheFileText(cp1250).contains(QStringLiteral("<urlname>Žaža</urlname>")));
  const std::string latin2 = "<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?>\n" + kGpx10 +
                             "<wpt><name>GC1</name><urlname>\xAE\x61\xBE\x61</urlname></wpt></gpx>";
  EXPECT_EQ(Listed(ReadXmlCacheFile(latin2)), (Pairs{{"Žaža", "GC1"}}));
  EXPECT_TRUE(CacheFileText(latin2).contains(QStringLiteral("<urlname>Žaža</urlname>")));

  // UTF-16 with its mark, and UTF-8 with its mark: the text tab shows the text, not the mark.
  const QString text =
      QStringLiteral("<loc><waypoint><name id=\"GC1\">Čaj</name></waypoint></loc>");
  std::string utf16 = "\xFF\xFE";
  for (QChar c : text)
    utf16 +=
        std::string{static_cast<char>(c.unicode() & 0xFF), static_cast<char>(c.unicode() >> 8)};
  EXPECT_EQ(Listed(ReadCacheFile(utf16)), (Pairs{{"Čaj", "GC1"}}));
  EXPECT_EQ(CacheFileText(utf16), text);
  EXPECT_EQ(CacheFileText("\xEF\xBB\xBF" + text.toStdString()), text);
}

TEST(CacheFileFaults, EntriesBeforeAFaultStayAndTheMessageNamesLineAndColumn) {
  const std::string head = "<?xml version=\"1.0\"?>\n" + kGpx10 + "\n" +
                           PocketQueryCache("GCZM001", "Prvá") +
                           PocketQueryCache("GCZM002", "Druhá");
  // Cut inside the third cache: the first two stay, the cut one is not listed.
  const std::string cut = head + PocketQueryCache("GCZM003", "Tretia").substr(0, 60);
  CacheFileRead read = ReadXmlCacheFile(cut);
  EXPECT_EQ(Listed(read), (Pairs{{"Prvá", "GCZM001"}, {"Druhá", "GCZM002"}}));
  EXPECT_EQ(AnsiToUtf8(read.error),
            "Súbor nie je správne XML: chyba na riadku 5, v stĺpci 60. Zoznam obsahuje kešky pred "
            "chybou.");

  // Mismatched tags and junk after the root: the same message, at the fault.
  for (const std::string& bad :
       {head + "<wpt><name>GC9</name></wptx></gpx>", head + "</gpx><gpx/>"}) {
    CacheFileRead r = ReadXmlCacheFile(bad);
    EXPECT_EQ(r.entries.size(), 2u) << bad;
    EXPECT_EQ(
        AnsiToUtf8(r.error).rfind("Súbor nie je správne XML: chyba na riadku 5, v stĺpci ", 0), 0u)
        << AnsiToUtf8(r.error);
  }
  // Bytes that are not UTF-8, and a declaration with nothing after it, are faults too.
  for (const std::string& bad :
       {head + "<wpt><name>GC\xFF</name></wpt></gpx>", std::string("<?xml version=\"1.0\"?>")})
    EXPECT_EQ(AnsiToUtf8(ReadXmlCacheFile(bad).error).rfind("Súbor nie je správne XML", 0), 0u);

  // Well-formed XML of another kind: nothing listed, and the user is told why.
  CacheFileRead kml =
      ReadXmlCacheFile("<?xml version=\"1.0\"?><kml><Placemark><name>GC1</name></Placemark></kml>");
  EXPECT_TRUE(kml.entries.empty());
  EXPECT_EQ(AnsiToUtf8(kml.error), "Súbor je XML, ale nie je GPX ani LOC.");
}

// Descriptions and logs are stepped over without being decoded: what is inside them must neither
// end them early nor be taken for a cache, and a fault in them is reported where a reader
// decoding every element reports it.
TEST(CacheFileSkipped, ContentThatLooksLikeTagsHidesNoCacheAndEndsNothingEarly) {
  const std::string file =
      "<?xml version=\"1.0\"?>\n" + kGpx10 +
      "<wpt><name>GC1</name><cmt><![CDATA[</cmt></wpt><wpt><name>GC666</name>]]></cmt>"
      "<sym><x b='/>' a=\"1>2\"><x/>Nested</x><x><!-- </x></sym> --><?pi a > </x> ?></x></sym>"
      "<gs:cache xmlns:gs=\"http://www.groundspeak.com/cache/1/0/1\"><gs:logs><gs:logs>"
      "<gs:name>Log</gs:name></gs:logs><gs:name>Log</gs:name></gs:logs>"
      "<gs:name>Meno</gs:name></gs:cache></wpt>\n"
      "<rte><wpt><name>GC777</name></wpt></rte></gpx>";
  EXPECT_EQ(Listed(ReadXmlCacheFile(file)), (Pairs{{"Meno", "GC1"}}));
  EXPECT_TRUE(ReadXmlCacheFile(file).error.empty());
}

TEST(CacheFileSkipped, AFaultInASkippedElementIsReportedWhereAWholeReadReportsIt) {
  // UTF-8 letters before the fault count one column each, 8-bit ones too; lines end at CR LF,
  // a lone CR or LF.
  const std::string utf8 = "<?xml version=\"1.0\"?>\r\n" + kGpx10 + "\r" +
                           PocketQueryCache("GC1", "Prvá") +
                           "<wpt><name>GC2</name><time>čas</time><desc>Kôň</desc><cmt>ťažký "
                           "<b>čierny</i></cmt><urlname>U</urlname></wpt></gpx>";
  const std::string cp1250 = "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n" + kGpx10 +
                             "\n<wpt><name>GC1</name><cmt>\x9D\x9E</cmt><urlname>U</urlname>"
                             "</wpt>\n<wpt><name>GC2</name><cmt>\x9D"
                             "a\x9E<b>x</i></cmt></wpt></gpx>";
  const std::string longDescription = PocketQueryCache("GC3", "Tretia");
  const std::vector<std::string> broken = {
      utf8, cp1250,
      // cut off inside a skipped element, inside its CDATA section and inside a comment
      "<?xml version=\"1.0\"?>\n" + kGpx10 + "\n" + PocketQueryCache("GC1", "Prvá") +
          longDescription.substr(0, longDescription.find("&lt;p&gt;")),
      kGpx10 + "<wpt><name>GC1</name><cmt><![CDATA[ab</cmt>", kGpx10 + "<wpt><cmt><!-- <",
      // a mismatched tag in a kept element after skipped ones
      kGpx10 + "<wpt><time>čas</time><name>GC1</nam></wpt></gpx>"};
  for (const std::string& file : broken) {
    const CacheFileRead read = ReadXmlCacheFile(file), whole = ReadXmlCacheFile(file, true);
    EXPECT_EQ(Listed(read), Listed(whole)) << file;
    EXPECT_EQ(AnsiToUtf8(read.error), AnsiToUtf8(whole.error)) << file;
    EXPECT_FALSE(read.error.empty()) << file;
  }
  EXPECT_EQ(Listed(ReadXmlCacheFile(utf8)), (Pairs{{"Prvá", "GC1"}}));
  EXPECT_EQ(AnsiToUtf8(ReadXmlCacheFile(utf8).error),
            "Súbor nie je správne XML: chyba na riadku 4, v stĺpci 77. Zoznam obsahuje kešky pred "
            "chybou.");
}

TEST(CacheFileMemory, CountsTheBytesAndEveryNameAndCodeOutsideItsEntry) {
  const std::vector<CacheEntry> entries(1000, {std::string(100, 'x'), "GC1"});
  const std::string bytes(5000, ' ');
  const std::uint64_t least = 5000 + 1000 * (sizeof(CacheEntry) + 100);
  EXPECT_GE(CacheFileMemory(bytes, entries), least);
  EXPECT_LT(CacheFileMemory(bytes, entries), least + 1000 * 16);
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(CacheFileFaults, EntitiesOfADtdAreNeverExpandedNorFetched) {
  const std::string refused = "Súbor si v DTD definuje vlastné entity; taký súbor sa nečíta.";
  // Billion laughs, and a quadratic blow-up that stays below the reader's own expansion limit:
  // 4,000 characters referenced 100,000 times would be 800 MB of names.
  std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [\n<!ENTITY l0 \"lol\">\n";
  for (int i = 1; i <= 9; ++i) {
    laughs += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) laughs += "&l" + std::to_string(i - 1) + ";";
    laughs += "\">\n";
  }
  laughs += "]>\n" + kGpx10 + "<wpt><name>GC1</name><urlname>&l9;</urlname></wpt></gpx>";
  std::string quadratic = "<?xml version=\"1.0\"?><!DOCTYPE gpx [<!ENTITY a \"" +
                          std::string(4000, 'a') + "\">]>" + kGpx10 +
                          "<wpt><name>GC1</name><urlname>";
  for (int i = 0; i < 100000; ++i) quadratic += "&a;";
  quadratic += "</urlname></wpt></gpx>";
  const std::string external =
      "<?xml version=\"1.0\"?><!DOCTYPE gpx [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>" + kGpx10 +
      "<wpt><name>GC1</name><urlname>&x;</urlname></wpt></gpx>";

  const long before = PeakKilobytes();
  for (const std::string* file : std::vector<const std::string*>{&laughs, &quadratic, &external}) {
    CacheFileRead read = ReadCacheFile(*file);
    EXPECT_TRUE(read.entries.empty());
    EXPECT_EQ(AnsiToUtf8(read.error), refused);
  }
  EXPECT_LT(PeakKilobytes() - before, 64 * 1024);

  // A document type without entities, even one naming an outside subset, is read as it is;
  // nothing is fetched (the address answers nothing here).
  CacheFileRead plain =
      ReadCacheFile("<?xml version=\"1.0\"?><!DOCTYPE gpx SYSTEM \"http://127.0.0.1:9/gpx.dtd\">" +
                    kGpx10 + "<wpt><name>GC1</name><urlname>U</urlname></wpt></gpx>");
  EXPECT_EQ(Listed(plain), (Pairs{{"U", "GC1"}}));
  EXPECT_TRUE(plain.error.empty());
}

}  // namespace
