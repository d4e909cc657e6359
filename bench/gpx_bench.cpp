// A pocket query of 100,000 caches (each some kilobytes with its description, attributes and
// logs) opened by our program through the open command, beside gpsbabel reading the same file.
// Both sides are whole processes (ours: the window made, the file opened, the process left),
// run in turns; each side's minimum and median wall time and its peak memory are printed.
//   bench_gpx [caches, default 100000] [rounds, default 5]
//   bench_gpx --open FILE CACHES     (one open, used by the above)
//   bench_gpx --write FILE CACHES    (only writes the file, for profiling the open alone)
// gpsbabel is not a dependency of the program: install it for the comparison
// (apt-get install gpsbabel); without it that line says so.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/open_bench.h"

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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--open")
    return OpenInThisProcess(argc, argv, argv[2], std::atoi(argv[3]));
  if (argc == 4 && std::string(argv[1]) == "--write") {
    WritePocketQuery(argv[2], std::atoi(argv[3]));
    return 0;
  }
  const int caches = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const bool gpsbabel = std::system("command -v gpsbabel >/dev/null") == 0;

  TempDir dir;
  const auto file = dir / "pocket_query.gpx";
  WritePocketQuery(file, caches);
  const double size = static_cast<double>(std::filesystem::file_size(file));
  std::printf("caches %d, file %.1f MB = %.1f MiB (%.1f KB a cache), %d rounds\n", caches,
              size / 1e6, size / 1048576, size / 1e3 / caches, rounds);

  std::vector<double> bytes;
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    platform::ReadWholeFile(file);
    bytes.push_back(Seconds(start));
  }
  std::printf("reading the bytes (in process):  min %6.3f s, median %6.3f s\n", Min(bytes),
              Median(bytes));

  const std::string self = ThisProgram();
  const std::string empty = (dir / "empty.gpx").string();
  TempDir::Write(empty, "<gpx/>");
  const ProcessRun idle = RunProcess({self, "--open", empty, "0"});
  std::printf("our window opening an empty GPX: %6.3f s, peak %ld MiB\n", idle.seconds,
              idle.peakKiB / 1024);

  // Alternated, so a slower stretch of the machine falls on both sides alike.
  std::vector<double> ours, command, babel;
  std::vector<long> oursPeak, babelPeak;
  auto runOurs = [&] {
    const ProcessRun run = RunProcess({self, "--open", file.string(), std::to_string(caches)});
    if (!run.ok) {
      std::printf("our open FAILED: %s", run.output.c_str());
      std::exit(1);
    }
    ours.push_back(run.seconds);
    command.push_back(std::atof(run.output.c_str()));
    oursPeak.push_back(run.peakKiB);
  };
  auto runBabel = [&] {
    const ProcessRun run = RunProcess({"gpsbabel", "-i", "gpx", "-f", file.string(), "-x",
                                       "nuketypes,waypoints", "-o", "csv", "-F", "/dev/null"});
    babel.push_back(run.seconds);
    babelPeak.push_back(run.peakKiB);
  };
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) runOurs();
    if (gpsbabel) runBabel();
    if (round % 2 == 1) runOurs();
  }
  const auto peak = [&](const std::vector<long>& kib) {
    return std::to_string(MaxOf(kib) / 1024) + " MiB (file + " +
           std::to_string(static_cast<long>(MaxOf(kib) / 1024 - size / 1048576)) + " MiB)";
  };
  std::printf("ours, whole process:             min %6.3f s, median %6.3f s, peak %s\n", Min(ours),
              Median(ours), peak(oursPeak).c_str());
  std::printf("  of which the open command:     min %6.3f s, median %6.3f s\n", Min(command),
              Median(command));
  if (gpsbabel)
    std::printf(
        "gpsbabel -i gpx -x nuketypes,waypoints -o csv, whole process: min %6.3f s, "
        "median %6.3f s, peak %s\n",
        Min(babel), Median(babel), peak(babelPeak).c_str());
  else
    std::printf("gpsbabel: not installed (apt-get install gpsbabel)\n");
  return 0;
}
