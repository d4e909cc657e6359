// A pocket query of 100,000 caches (each some kilobytes with its description, attributes and
// logs) opened through the open command, beside reading its bytes and beside gpsbabel reading
// the same file, in the same run. Prints wall times (the reader's and the bytes' the best of the
// runs) and the growth of peak memory over what the process held before each step.
//   bench_gpx [caches] [runs]
// gpsbabel is not a dependency of the program: install it for the comparison
// (apt-get install gpsbabel); without it that line says so.
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/application.h"
#include "app/mainform.h"
#include "bench/timing.h"
#include "cachelist/cachefile.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace {

// Writes the file cache by cache, so the bench itself never holds it whole.
void WritePocketQuery(const std::filesystem::path& file, int caches) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  std::fputs(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<gpx xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" version=\"1.0\" "
      "creator=\"bench\" xmlns=\"http://www.topografix.com/GPX/1/0\">\n"
      "  <name>Pocket Query</name>\n  <desc>Geocache file</desc>\n"
      "  <time>2026-01-15T08:00:00Z</time>\n",
      out);
  const char* sentence =
      "Keška leží pod kameňom pri starých hradbách, "
      "výhľad na dolinu je krásny &amp; cesta nenáročná. ";
  std::string description, log;
  for (int i = 0; i < 8; ++i) description += sentence;
  for (int i = 0; i < 2; ++i) log += sentence;
  for (int i = 0; i < caches; ++i) {
    const double lat = 48.0 + i * 1e-5, lon = 18.0 + i * 1e-5;
    std::fprintf(out,
                 "  <wpt lat=\"%.6f\" lon=\"%.6f\">\n"
                 "    <time>2015-06-01T00:00:00</time>\n"
                 "    <name>GC%05X</name>\n"
                 "    <desc>Keška %d pri Zlatých Moravciach by autor%d, "
                 "Traditional Cache (1.5/2)</desc>\n"
                 "    <url>https://example.org/seek/cache_details.aspx?wp=GC%05X</url>\n"
                 "    <urlname>Keška %d pri Zlatých Moravciach</urlname>\n"
                 "    <sym>Geocache</sym>\n    <type>Geocache|Traditional Cache</type>\n"
                 "    <groundspeak:cache id=\"%d\" available=\"True\" archived=\"False\" "
                 "xmlns:groundspeak=\"http://www.groundspeak.com/cache/1/0/1\">\n"
                 "      <groundspeak:name>Keška %d pri Zlatých "
                 "Moravciach</groundspeak:name>\n"
                 "      <groundspeak:placed_by>autor%d</groundspeak:placed_by>\n"
                 "      <groundspeak:owner id=\"%d\">autor%d</groundspeak:owner>\n"
                 "      <groundspeak:type>Traditional Cache</groundspeak:type>\n"
                 "      <groundspeak:container>Small</groundspeak:container>\n"
                 "      <groundspeak:attributes>\n"
                 "        <groundspeak:attribute id=\"13\" inc=\"1\">Available at all "
                 "times</groundspeak:attribute>\n"
                 "        <groundspeak:attribute id=\"8\" inc=\"1\">Scenic "
                 "view</groundspeak:attribute>\n"
                 "      </groundspeak:attributes>\n"
                 "      <groundspeak:difficulty>1.5</groundspeak:difficulty>\n"
                 "      <groundspeak:terrain>2</groundspeak:terrain>\n"
                 "      <groundspeak:country>Slovakia</groundspeak:country>\n"
                 "      <groundspeak:state>Nitriansky kraj</groundspeak:state>\n"
                 "      <groundspeak:short_description html=\"False\">%s"
                 "</groundspeak:short_description>\n"
                 "      <groundspeak:long_description html=\"True\">&lt;p&gt;%s&lt;/p&gt;"
                 "</groundspeak:long_description>\n"
                 "      <groundspeak:encoded_hints>Cbq xnzrabz</groundspeak:encoded_hints>\n"
                 "      <groundspeak:logs>\n",
                 lat, lon, i, i, i % 977, i, i, i, i, i % 977, i % 977, i % 977, sentence,
                 description.c_str());
    for (int k = 0; k < 5; ++k)
      std::fprintf(out,
                   "        <groundspeak:log id=\"%d\">\n"
                   "          <groundspeak:date>2020-0%d-01T19:00:00Z</groundspeak:date>\n"
                   "          <groundspeak:type>Found it</groundspeak:type>\n"
                   "          <groundspeak:finder id=\"%d\">lovec%d</groundspeak:finder>\n"
                   "          <groundspeak:text encoded=\"False\">%s</groundspeak:text>\n"
                   "        </groundspeak:log>\n",
                   i * 5 + k, k + 1, k, k, log.c_str());
    std::fputs(
        "      </groundspeak:logs>\n      <groundspeak:travelbugs />\n"
        "    </groundspeak:cache>\n  </wpt>\n",
        out);
    if (i % 4 == 0)  // a parking place beside every fourth cache, as queries carry them
      std::fprintf(out,
                   "  <wpt lat=\"%.6f\" lon=\"%.6f\">\n    <name>PK%05X</name>\n"
                   "    <desc>Parkovisko</desc>\n    <sym>Parking Area</sym>\n  </wpt>\n",
                   lat, lon, i);
  }
  std::fputs("</gpx>\n", out);
  std::fclose(out);
}

// Kilobytes from /proc/self/status ("VmHWM", "VmRSS").
long StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::string(key).size() + 1);
  return -1;
}

// Starts a new peak: the high-water mark goes back to the present size.
void ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace

int main(int argc, char** argv) {
  PrepareEnvironment();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  const int caches = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;

  TempDir dir;
  const auto file = dir / "pocket_query.gpx";
  WritePocketQuery(file, caches);
  const double mb = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  std::printf("caches %d, file %.1f MB (%.1f KB a cache)\n", caches, mb, mb * 1e3 / caches);

  const double bytes = Best(runs, [&] { platform::ReadWholeFile(file); });
  std::printf("reading the bytes:                     %7.3f s\n", bytes);

  {
    const std::string text = platform::ReadWholeFile(file);
    size_t listed = 0;
    const long before = StatusKb("VmRSS");
    ResetPeak();
    const double reader = Best(runs, [&] { listed = ReadCacheFile(text).entries.size(); });
    std::printf(
        "reader alone (bytes in memory):        %7.3f s  %.1fx the bytes, %zu listed, "
        "peak +%ld MB\n",
        reader, reader / bytes, listed, (StatusKb("VmHWM") - before) / 1024);
    const double shown = Best(runs, [&] { CacheFileText(text); });
    std::printf("text tab's decoded text alone:         %7.3f s\n", shown);
  }

  platform::SetExecutableDir(dir.path());
  // A file already chosen once: the first activation does not ask for one.
  TempDir::Write(dir / "Vireska.ini",
                 "[Kdeukladatdata]\r\nWPTsubor=" + platform::FromNativePath(file) + "\r\n");
  ScriptedUi ui;
  TForm1 form;
  form.show();
  QCoreApplication::processEvents();
  // Once: a second opening would measure the first one's window contents going too.
  ui.openAnswers.push_back(platform::FromNativePath(file));
  const long before = StatusKb("VmRSS");
  ResetPeak();
  const auto start = std::chrono::steady_clock::now();
  form.ToolButton10Click();
  QCoreApplication::processEvents();
  const double open = Seconds(start);
  const long peak = StatusKb("VmHWM") - before;
  std::printf(
      "open command (text tab + both lists):  %7.3f s  %.1fx the bytes, %d listed, "
      "peak +%ld MB = %.2fx the file\n",
      open, open / bytes, form.CheckListBox1->Count(), peak / 1024, peak * 1024.0 / (mb * 1e6));

  std::string cmd =
      "command -v gpsbabel >/dev/null && /usr/bin/time -f '%e s, peak %M KB' "
      "gpsbabel -i gpx -f '" +
      file.string() + "' -x nuketypes,waypoints -o csv -F /dev/null 2>&1 | tail -n 1";
  std::printf("gpsbabel -i gpx -f FILE -x nuketypes,waypoints -o csv -F /dev/null: ");
  std::fflush(stdout);
  if (std::system(cmd.c_str()) != 0) std::printf("not installed\n");
  return 0;
}
