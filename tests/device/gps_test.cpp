// A GPS unit found by its device description, and the caches written as it reads them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <set>

#include "cachelist/cachefile.h"
#include "device/gpsgpx.h"
#include "device/gpsunit.h"
#include "device/volumes.h"
#include "export/mhtpictures.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// A description as units write it: the data types with their folders and directions.
std::string Description(const std::string& model, const std::string& dataTypes) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<Device xmlns=\"http://www.garmin.com/xmlschemas/GarminDevice/v2\">"
         "<Model><PartNumber>006-B0000-00</PartNumber><SoftwareVersion>420</SoftwareVersion>"
         "<Description>" +
         model + "</Description></Model><Id>3800000001</Id><MassStorageMode>" + dataTypes +
         "</MassStorageMode></Device>\n";
}

std::string DataType(const std::string& name, const std::string& path,
                     const std::string& direction) {
  return "<DataType><Name>" + name +
         "</Name><File><Schema><Identifier>x</Identifier>"
         "</Schema><Location><Path>" +
         path +
         "</Path><FileExtension>GPX</FileExtension>"
         "</Location><TransferDirection>" +
         direction + "</TransferDirection></File></DataType>";
}

std::string Sample(const std::string& name) {
  return platform::ReadWholeFile(fs::path(VIRESKA_SOURCE_DIR) / "resources" / name);
}

std::vector<std::pair<std::string, std::string>> Listed(std::string_view bytes) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const CacheEntry& e : ReadCacheFile(bytes).entries)
    out.emplace_back(e.code, AnsiToUtf8(e.name));
  return out;
}

// The content of the cache extension of the waypoint with that code.
std::string CacheContent(const std::string& gpx, const std::string& code) {
  const size_t wpt = gpx.find("<name>" + code + "</name>");
  const size_t start = gpx.find('>', gpx.find("<groundspeak:cache ", wpt)) + 1;
  return gpx.substr(start, gpx.find("</groundspeak:cache>", start) - start);
}

std::set<std::string> Ids(const std::vector<GpsGpxFile>& files) {
  std::set<std::string> ids;
  const std::regex id("cache id=\"([0-9]+)\"");
  size_t count = 0;
  for (const GpsGpxFile& file : files)
    for (auto it = std::sregex_iterator(file.bytes.begin(), file.bytes.end(), id);
         it != std::sregex_iterator(); ++it, ++count)
      ids.insert((*it)[1]);
  EXPECT_EQ(ids.size(), count) << "ids not unique";
  return ids;
}

GpsGpxRequest Request(std::vector<CacheEntry> caches) {
  GpsGpxRequest request;
  request.caches = std::move(caches);
  request.time = "2026-12-09T01:00:00Z";
  request.title = "t";
  return request;
}

bool HaveGpsbabel() {
  return std::system("command -v gpsbabel >/dev/null 2>&1") == 0;
}
constexpr const char* kNoGpsbabel = "gpsbabel is not installed (scripts/setup.sh installs it)";

// What gpsbabel, a reader of its own, lists of a GPX file: one line per waypoint with its name,
// cache id and hint.
std::string Babel(const std::string& gpx, const TempDir& dir) {
  TempDir::Write(dir / "out.gpx", gpx);
  const std::string command = "gpsbabel -i gpx -f " + (dir / "out.gpx").string() +
                              " -o unicsv -F " + (dir / "out.csv").string() + " 2>&1";
  if (std::system(command.c_str()) != 0) return "gpsbabel failed";
  return TempDir::Read(dir / "out.csv");
}

TEST(GpsUnit, FoundByItsDescriptionOnACardOrOneLevelDownInAnMtpDevice) {
  TempDir dir;
  // A unit naming its own folders; the output-only folder listed first is not where GPX goes.
  const fs::path card = dir / "media" / "GARMIN";
  TempDir::Write(
      card / "Garmin" / "GarminDevice.xml",
      Description("Alfa 66", DataType("GPSData", "Garmin/GPX/Current", "OutputFromUnit") +
                                 DataType("GPSData", "Garmin\\NewFiles", "InputToUnit") +
                                 DataType("GeocachePhotos", "Garmin/Foto/Kesky", "InputOutput")));
  // A unit over MTP that names none, its storage a folder of the device's, its names in
  // capitals.
  const fs::path mtp = dir / "gvfs" / "mtp:host=091e_4b5c_0000c0ffee";
  TempDir::Write(mtp / "Internal Storage" / "GARMIN" / "GARMINDEVICE.XML",
                 Description("Beta 3", ""));
  fs::create_directories(mtp / "Card");

  const std::optional<GpsUnit> alfa = FindGpsUnit(card);
  ASSERT_TRUE(alfa);
  EXPECT_EQ(alfa->description.model, "Alfa 66");
  EXPECT_EQ(GpsGpxFolder(alfa, "", card), "\\Garmin\\NewFiles\\");
  EXPECT_EQ(GpsHandheldFolder(*alfa, alfa->description.photoFolder), "\\Garmin\\Foto\\Kesky\\");
  EXPECT_EQ(GpsGpxFolder(alfa, "Moje/GPX", card), "\\Moje\\GPX\\");

  const std::optional<GpsUnit> beta = FindGpsUnit(mtp);
  ASSERT_TRUE(beta);
  EXPECT_EQ(beta->description.model, "Beta 3");
  EXPECT_EQ(GpsGpxFolder(beta, "", mtp), "\\Internal Storage\\Garmin\\GPX\\");
  EXPECT_EQ(GpsHandheldFolder(*beta, beta->description.photoFolder),
            "\\Internal Storage\\Garmin\\GeocachePhotos\\");

  // No description: a phone's download folder, else the maker's usual one.
  const fs::path phone = dir / "gvfs" / "mtp:host=Telefon";
  fs::create_directories(phone / "Interný ukladací priestor" / "Download");
  EXPECT_FALSE(FindGpsUnit(phone));
  EXPECT_EQ(AnsiToUtf8(GpsGpxFolder(std::nullopt, "", phone)),
            "\\Interný ukladací priestor\\Download\\");
  EXPECT_EQ(GpsGpxFolder(std::nullopt, "", dir / "media"), "\\Garmin\\GPX\\");
  EXPECT_FALSE(ReadGpsDescription("<Device><Model>"));

  // The device list marks the unit with its model.
  const std::vector<DeviceVolume> volumes =
      DeviceVolumes({LookAtVolume(card.string()), LookAtVolume((dir / "gvfs" / "x").string())},
                    {(dir / "media").string()});
  ASSERT_EQ(volumes.size(), 1u);
  EXPECT_TRUE(DeviceVolumeText(volumes[0])
                  .contains(QString::fromStdString("[" + card.string() + "] GPS Alfa 66")))
      << DeviceVolumeText(volumes[0]).toStdString();
}

// A pocket query's caches arrive with every element of their extension byte for byte, their
// child waypoints with them, and read back the same through our reader and through gpsbabel.
TEST(GpsGpx, APocketQueryKeepsEachCacheWholeWithItsChildWaypoints) {
  const std::string source = Sample("Tribeč.gpx");
  const std::vector<CacheEntry> listed = ReadCacheFile(source).entries;
  ASSERT_GE(listed.size(), 4u);
  const std::vector<GpsGpxFile> files = WriteGpsGpx(source, Request({listed[1], listed[3]}));
  ASSERT_EQ(files.size(), 1u);
  const std::string& gpx = files[0].bytes;
  EXPECT_EQ(files[0].caches, 2u);
  EXPECT_EQ(Listed(gpx), (std::vector<std::pair<std::string, std::string>>{
                             {listed[1].code, AnsiToUtf8(listed[1].name)},
                             {listed[3].code, AnsiToUtf8(listed[3].name)}}));
  for (const CacheEntry& cache : {listed[1], listed[3]})
    EXPECT_EQ(CacheContent(gpx, cache.code), CacheContent(source, cache.code)) << cache.code;
  EXPECT_EQ(Ids(files), (std::set<std::string>{"9002", "9004"}));
  EXPECT_NE(gpx.find("<name>PKZT002</name>"), std::string::npos);  // GCZT002's parking
  EXPECT_EQ(gpx.find(listed[0].code), std::string::npos);
  EXPECT_NE(gpx.find("version=\"1.0\""), std::string::npos);

  if (!HaveGpsbabel()) GTEST_SKIP() << kNoGpsbabel;
  TempDir dir;
  const std::string babel = Babel(gpx, dir);
  EXPECT_NE(babel.find("\"GCZT002\",\"Hrad Gýmeš – nádvorie\""), std::string::npos) << babel;
  EXPECT_NE(babel.find(",9002,\"Multi-cache\""), std::string::npos) << babel;
  EXPECT_NE(babel.find("\"PKZT002\""), std::string::npos) << babel;
  EXPECT_NE(babel.find(",9004,"), std::string::npos) << babel;
}

// GPX 1.1 keeps the extension in <extensions>, under a namespace version of its own: the unit
// finds it only directly under the waypoint, in 1.0.1, so it moves there with its children, under
// the prefix readers match as written (gpsbabel saw no cache under "gs:"). A scanned page's hint
// replaces the encoded one, decoded; ids stay unique.
TEST(GpsGpx, AnOtherVersionsCacheMovesUnderItsWaypointAndTakesTheScannedHint) {
  const auto cache = [](const std::string& code, const std::string& hint) {
    return "<wpt lat=\"48.5\" lon=\"18.5\"><name>" + code +
           "</name><link href=\"https://example.org/" + code + "\"><text>Odkaz " + code +
           "</text></link><extensions><gs:cache xmlns:gs=\"http://www.groundspeak.com/cache/1/0/2\""
           " id=\"5\" available=\"True\"><gs:name>Keška " +
           code + "</gs:name><gs:type>Multi-cache</gs:type>" + hint +
           "<gs:logs><gs:log id=\"1\"><gs:text>Našiel</gs:text></gs:log></gs:logs></gs:cache>"
           "</extensions></wpt>";
  };
  const std::string source =
      "<?xml version=\"1.0\"?><gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\">" +
      cache("GC1A", "<gs:encoded_hints>Cbq yvcbh</gs:encoded_hints>") + cache("GC1B", "") +
      "</gpx>";
  GpsGpxRequest request = Request(ReadCacheFile(source).entries);
  request.hints["GC1A"] = AnsiLiteral("Pod lipou & kameňom");
  request.hints["GC1B"] = AnsiLiteral("Pod dubom");
  const std::vector<GpsGpxFile> files = WriteGpsGpx(source, request);
  ASSERT_EQ(files.size(), 1u);
  const std::string& gpx = files[0].bytes;
  EXPECT_EQ(Listed(gpx), (std::vector<std::pair<std::string, std::string>>{
                             {"GC1A", "Keška GC1A"}, {"GC1B", "Keška GC1B"}}));
  EXPECT_EQ(gpx.find("<extensions>"), std::string::npos);
  EXPECT_NE(gpx.find("xmlns:groundspeak=\"http://www.groundspeak.com/cache/1/0/1\">"),
            std::string::npos);
  EXPECT_NE(
      gpx.find("<groundspeak:encoded_hints>Pod lipou &amp; kameňom</groundspeak:encoded_hints>"
               "<groundspeak:logs><groundspeak:log id=\"1\"><groundspeak:text>Našiel<"),
      std::string::npos);
  EXPECT_NE(
      gpx.find(
          "<groundspeak:encoded_hints>Pod dubom</groundspeak:encoded_hints><groundspeak:logs>"),
      std::string::npos);
  EXPECT_EQ(gpx.find("Cbq yvcbh"), std::string::npos);
  EXPECT_NE(gpx.find("<url>https://example.org/GC1A</url>"), std::string::npos);
  EXPECT_EQ(Ids(files).size(), 2u);

  if (!HaveGpsbabel()) GTEST_SKIP() << kNoGpsbabel;
  TempDir dir;
  const std::string babel = Babel(gpx, dir);
  EXPECT_NE(babel.find("\"Pod lipou & kameňom\""), std::string::npos) << babel;
  EXPECT_NE(babel.find("\"Keška GC1B\""), std::string::npos) << babel;
}

// A waypoint or LOC file gives the code, the list's name, the coordinates and the type its text
// names; a file of more caches than a unit takes in one is split, ids unique throughout.
TEST(GpsGpx, WaypointAndLocFilesGiveCodesNamesPlacesAndTypesSplitAtTheLimit) {
  const std::string wpt = Sample("Zlaté Moravce50km.wpt");
  const std::vector<CacheEntry> listed = ReadCacheFile(wpt).entries;
  std::vector<GpsGpxFile> files = WriteGpsGpx(wpt, Request(listed));
  ASSERT_EQ(files.size(), 1u);
  std::vector<std::pair<std::string, std::string>> expected;
  for (const CacheEntry& e : listed) expected.emplace_back(e.code, AnsiToUtf8(e.name));
  EXPECT_EQ(Listed(files[0].bytes), expected);
  const std::string& gpx = files[0].bytes;
  EXPECT_NE(gpx.find("<wpt lat=\"48.392100\" lon=\"18.394400\">"), std::string::npos);
  EXPECT_NE(CacheContent(gpx, "GCZM001").find(">Traditional Cache<"), std::string::npos);
  EXPECT_NE(CacheContent(gpx, "GCZM004").find(">Unknown Cache<"), std::string::npos);
  EXPECT_NE(CacheContent(gpx, "GCZM00C").find(">Earthcache<"), std::string::npos);

  const std::string loc =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><loc version=\"1.0\" src=\"x\"><waypoint>"
      "<name id=\"GC77\"><![CDATA[Stará lipa by Jano]]></name><coord lat=\"48.1\" lon=\"17.9\"/>"
      "</waypoint></loc>";
  files = WriteGpsGpx(loc, Request(ReadCacheFile(loc).entries));
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(Listed(files[0].bytes),
            (std::vector<std::pair<std::string, std::string>>{{"GC77", "Stará lipa"}}));
  EXPECT_NE(files[0].bytes.find("lat=\"48.1\" lon=\"17.9\""), std::string::npos);

  std::string many;
  for (size_t i = 0; i <= kGpsCachesPerFile; ++i)
    many += std::to_string(i) + ",Keska " + std::to_string(i) + ",48.1,18.1,0,0,1,3,0,65535,K (GC" +
            std::to_string(100000 + i) + "),0\r\n";
  files = WriteGpsGpx(many, Request(ReadCacheFile(many).entries));
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].caches, kGpsCachesPerFile);
  EXPECT_EQ(files[1].caches, 1u);
  EXPECT_EQ(ReadCacheFile(files[1].bytes).entries.at(0).code,
            "GC" + std::to_string(100000 + kGpsCachesPerFile));
  EXPECT_EQ(Ids(files).size(), kGpsCachesPerFile + 1);
  EXPECT_EQ(GpsGpxFileNames("Zlat\xE9", 2),  // bytes: code page 1250's "é"
            (std::vector<AnsiString>{"Zlat\xE9_1.gpx", "Zlat\xE9_2.gpx"}));
  EXPECT_EQ(GpsGpxFileNames("a", 1), std::vector<AnsiString>{"a.gpx"});
}

TEST(GpsGpx, TheHintOfAPageIsDecodedLetterByLetterButNotItsMarkup) {
  EXPECT_EQ(AnsiToUtf8(DecodedHint(
                Utf8ToAnsi("\n  Cbq xnzrňbz<br>&amp; <B>ohxh</B>&nbsp;&#269;&#x17E;\n"))),
            "Pod kameňom\n& buku čž");
  EXPECT_EQ(GcCodeId("GCFFFF"), 65535);
  EXPECT_EQ(GcCodeId("GCG000"), 65536);
  EXPECT_EQ(GcCodeId("GC-1"), 0);
}

// The pictures of a page exported whole: decoded, and a spoiler told by its link, caption or
// address, each into its folder below the unit's photo folder.
TEST(GpsPhotos, APagesPicturesAreFoundAndSpoilersToldByTheirLinkOrCaption) {
  const auto part = [](const std::string& location, const std::string& base64) {
    return "--B\r\nContent-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n"
           "Content-Location: " +
           location + "\r\n\r\n" + base64 + "\r\n";
  };
  const std::string mht =
      "From: <Saved by Blink>\r\nSubject: GCZT002\r\nMIME-Version: 1.0\r\n"
      "Content-Type: multipart/related; type=\"text/html\"; boundary=\"B\"\r\n\r\n"
      "--B\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: quoted-printable\r\n"
      "Content-Location: https://x/cache\r\n\r\n"
      "<p><img src=3D\"https://x/a/most.png\"> Most</p><a href=3D\"https://x/b/1.png\">"
      "<img src=3D\"https://x/b/1.png\"><span>Spoiler: pod mostom</span></a>"
      "<a title=3D\"SPOILER\" href=3D\"#\"><img src=3D\"https://x/c/2.png\"></a>\r\n" +
      part("https://x/a/most.png", "UE5HMQ==") + part("https://x/b/1.png", "UE5HMg==") +
      part("https://x/c/2.png", "UE5HMw==") + part("https://x/spoiler/3.png", "UE5HNA==") +
      "--B--\r\n";
  const std::vector<MhtPicture> pictures = MhtPictures(mht);
  ASSERT_EQ(pictures.size(), 4u);
  EXPECT_EQ(pictures[0].bytes, "PNG1");
  EXPECT_EQ(pictures[3].bytes, "PNG4");
  std::vector<bool> spoilers;
  for (const MhtPicture& picture : pictures) spoilers.push_back(picture.spoiler);
  EXPECT_EQ(spoilers, (std::vector<bool>{false, true, true, true}));
  EXPECT_TRUE(MhtPictures("not a message").empty());

  EXPECT_EQ(GpsPhotoFolder("GCZT002", false), "2/0/GCZT002/");
  EXPECT_EQ(GpsPhotoFolder("GCZT002", true), "2/0/GCZT002/Spoilers/");
  std::vector<std::string> taken;
  EXPECT_EQ(GpsPhotoName("https://x/img/Most%20nad%20riekou.png?w=1", taken),
            "Most nad riekou.jpg");
  EXPECT_EQ(GpsPhotoName("https://y/Most%20nad%20riekou.gif", taken), "Most nad riekou_2.jpg");
  EXPECT_EQ(GpsPhotoName("https://x/..%2F..%2Fetc%2F", taken).find('/'), std::string::npos);
}

}  // namespace
