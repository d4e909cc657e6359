// Opening a waypoint file through the open command (the text tab and both lists filled), at
// 10,000, 100,000 and 1,000,000 lines, beside gpsbabel reading the same file. Each run is a
// process of its own under /usr/bin/time -v, so each opens the file anew and its peak memory
// is its own; a run whose lists do not hold every cache of the file is reported as failed.
//   bench_waypoints [LINES...]
//   bench_waypoints --open FILE CACHES     (one run, used by the above)
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/mainform.h"
#include "bench/timing.h"
#include "cachelist/waypoint.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

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

// One open in this process: prints its seconds; fails when the lists are not what the file holds.
int OpenOnce(int argc, char** argv, const char* file, int caches) {
  PrepareEnvironment();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  TempDir dir;
  platform::SetExecutableDir(dir.path());
  ScriptedUi ui;
  TForm1 form;
  form.show();
  QCoreApplication::processEvents();
  ui.openAnswers.push_back(file);
  const auto start = std::chrono::steady_clock::now();
  form.ToolButton10Click();
  QCoreApplication::processEvents();  // the shown tab painted
  const double seconds = Seconds(start);
  if (form.CheckListBox1->Count() != caches || form.CheckListBox2->Count() != caches ||
      !ui.openAnswers.empty() || !ui.shown.empty()) {
    std::printf("FAILED: listed %d and %d of %d\n", form.CheckListBox1->Count(),
                form.CheckListBox2->Count(), caches);
    return 1;
  }
  std::printf("%.3f\n", seconds);
  if (std::getenv("VIRESKA_BENCH_STEPS")) {
    // The same work step by step, for where the time goes.
    auto at = std::chrono::steady_clock::now();
    auto step = [&](const char* name) {
      std::fprintf(stderr, "%s %.3f s; ", name, Seconds(at));
      at = std::chrono::steady_clock::now();
    };
    std::string bytes = platform::ReadWholeFile(file);
    step("read");
    std::vector<CacheEntry> entries = ReadWaypointText(bytes);
    step("parse");
    form.SetWaypointText(std::move(bytes));
    step("text tab");
    form.SetCacheEntries(std::move(entries));
    step("lists");
    QCoreApplication::processEvents();
    step("paint");
    std::fprintf(stderr, "\n");
  }
  return 0;
}

struct Measured {
  double seconds = 0;  // wall time of the command (or what the child printed)
  long peakKiB = 0;
  bool ok = false;
  std::string output;
};

// Runs the command under /usr/bin/time -v.
Measured Run(const std::string& command) {
  const std::string report = "/tmp/vireska_bench_time.txt";
  const auto start = std::chrono::steady_clock::now();
  FILE* pipe = popen(("/usr/bin/time -v -o " + report + " " + command).c_str(), "r");
  Measured out;
  if (!pipe) return out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) out.output += buffer;
  out.ok = pclose(pipe) == 0;
  out.seconds = Seconds(start);
  std::ifstream in(report);
  std::string line;
  while (std::getline(in, line)) {
    const std::string key = "Maximum resident set size (kbytes): ";
    auto at = line.find(key);
    if (at != std::string::npos) out.peakKiB = std::atol(line.c_str() + at + key.size());
  }
  std::remove(report.c_str());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--open")
    return OpenOnce(argc, argv, argv[2], std::atoi(argv[3]));

  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000, 1000000};
  const bool gpsbabel = std::system("command -v gpsbabel >/dev/null") == 0;
  const std::string self = "/proc/" + std::to_string(getpid()) + "/exe";
  std::string selfPath(4096, '\0');
  selfPath.resize(static_cast<size_t>(readlink(self.c_str(), selfPath.data(), selfPath.size())));

  TempDir dir;
  const std::string empty = (dir / "empty.wpt").string();
  TempDir::Write(empty, "");
  const Measured baseline = Run("'" + selfPath + "' --open '" + empty + "' 0");
  std::printf("the window opening an empty file: peak %ld MiB\n", baseline.peakKiB / 1024);

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

    double best = 1e9, bestBabel = 1e9;
    long peak = 0, peakBabel = 0;
    bool failed = false;
    for (int run = 0; run < kRuns; ++run) {
      Measured ours =
          Run("'" + selfPath + "' --open '" + file.string() + "' " + std::to_string(caches));
      if (!ours.ok) {
        std::printf("%d lines: run %d %s", lines, run, ours.output.c_str());
        failed = true;
        break;
      }
      best = std::min(best, std::atof(ours.output.c_str()));
      peak = std::max(peak, ours.peakKiB);
      if (gpsbabel) {
        Measured babel = Run("gpsbabel -i ozi -f '" + file.string() +
                             "' -x nuketypes,waypoints -o csv -F /dev/null");
        bestBabel = std::min(bestBabel, babel.seconds);
        peakBabel = std::max(peakBabel, babel.peakKiB);
      }
    }
    if (failed) return 1;
    std::printf(
        "%d lines (%zu MB, %d caches): open command best of %d %.3f s, peak %ld MiB | read %.3f "
        "s, read+parse %.3f s",
        lines, text.size() >> 20, caches, kRuns, best, peak / 1024, read, read + parse);
    if (gpsbabel)
      std::printf(" | gpsbabel -x nuketypes,waypoints best %.3f s, peak %ld MiB\n", bestBabel,
                  peakBabel / 1024);
    else
      std::printf(" | gpsbabel not installed\n");
    std::fflush(stdout);
  }
  return 0;
}
