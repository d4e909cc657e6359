// Opening a waypoint file through the open command (the text tab and both lists filled), at
// 10,000, 100,000 and 1,000,000 lines, beside gpsbabel reading the same file. Each run is a
// process of its own, ours and gpsbabel's in turns, so each opens the file anew and its peak
// memory is its own; ours is timed whole (start to exit, as gpsbabel is) and its open command
// alone. A run whose lists do not hold every cache of the file is reported as failed.
//   bench_waypoints [LINES...]
//   bench_waypoints --open FILE CACHES     (one run, used by the above)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/open_bench.h"
#include "cachelist/waypoint.h"

namespace {

constexpr int kRuns = 3;

std::string MakeFile(int lines) {
  std::string text = "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\ngarmin\r\n";
  char line[256];
  for (int i = 1; i <= lines; ++i) {
    std::snprintf(line, sizeof line,
                  "%d,Ke\x9A"
                  "ka %d pri Zlat\xFD"
                  "ch Moravciach,%.6f,%.6f,39000.5,0,1,3,0,65535,"
                  "Ke\x9A"
                  "ka %d by autor (GC%05X),0,0,0,-777,6,0,17\r\n",
                  i, i, 48.0 + i * 1e-5, 18.0 + i * 1e-5, i, i);
    text += line;
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--open")
    return OpenInThisProcess(argc, argv, argv[2], std::atoi(argv[3]));

  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000, 1000000};
  const bool gpsbabel = std::system("command -v gpsbabel >/dev/null") == 0;
  const std::string self = ThisProgram();

  TempDir dir;
  const std::string empty = (dir / "empty.wpt").string();
  TempDir::Write(empty, "");
  const ProcessRun idle = RunProcess({self, "--open", empty, "0"});
  std::printf("the window opening an empty file: %.3f s, peak %ld MiB\n", idle.seconds,
              idle.peakKiB / 1024);

  for (int lines : sizes) {
    const auto file = dir / "big.wpt";
    const std::string text = MakeFile(lines);
    TempDir::Write(file, text);
    auto start = std::chrono::steady_clock::now();
    const std::string bytes = platform::ReadWholeFile(file);
    const double read = Seconds(start);
    start = std::chrono::steady_clock::now();
    const int caches = static_cast<int>(ReadWaypointText(bytes).size());
    const double parse = Seconds(start);

    // Both sides whole processes, in turns.
    std::vector<double> ours, command, babel;
    std::vector<long> peak, peakBabel;
    for (int run = 0; run < kRuns; ++run) {
      for (int side = 0; side < 2; ++side) {
        if ((run + side) % 2 == 0) {
          const ProcessRun r = RunProcess({self, "--open", file.string(), std::to_string(caches)});
          if (!r.ok) {
            std::printf("%d lines: run %d %s", lines, run, r.output.c_str());
            return 1;
          }
          ours.push_back(r.seconds);
          command.push_back(std::atof(r.output.c_str()));
          peak.push_back(r.peakKiB);
        } else if (gpsbabel) {
          const ProcessRun r = RunProcess({"gpsbabel", "-i", "ozi", "-f", file.string(), "-x",
                                           "nuketypes,waypoints", "-o", "csv", "-F", "/dev/null"});
          babel.push_back(r.seconds);
          peakBabel.push_back(r.peakKiB);
        }
      }
    }
    std::printf(
        "%d lines (%zu MB, %d caches), min/median of %d: ours whole process %.3f/%.3f s "
        "(open command %.3f/%.3f s), peak %ld MiB | read %.3f s, read+parse %.3f s",
        lines, text.size() >> 20, caches, kRuns, Min(ours), Median(ours), Min(command),
        Median(command), MaxOf(peak) / 1024, read, read + parse);
    if (gpsbabel)
      std::printf(" | gpsbabel -x nuketypes,waypoints %.3f/%.3f s, peak %ld MiB\n", Min(babel),
                  Median(babel), MaxOf(peakBabel) / 1024);
    else
      std::printf(" | gpsbabel not installed\n");
    std::fflush(stdout);
  }
  return 0;
}
