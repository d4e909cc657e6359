#pragma once
// What the benchmarks of the open command share: one open in a process of its own (the window
// made, the file opened through the command, the process left), and the parent's side, a
// command run to its end with its wall time and peak memory, so our program and its peer are
// measured alike.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/mainform.h"
#include "bench/timing.h"
#include "cachelist/cachefile.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

// One open in this process: prints the command's seconds; fails when the lists are not what the
// file holds. With VIRESKA_BENCH_STEPS set, the same work again step by step on stderr.
inline int OpenInThisProcess(int argc, char** argv, const char* file, int caches) {
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
    for (const AnsiString& message : ui.Messages()) std::printf("  told: %s\n", message.c_str());
    return 1;
  }
  std::printf("%.3f\n", seconds);
  if (std::getenv("VIRESKA_BENCH_STEPS")) {
    auto at = std::chrono::steady_clock::now();
    auto step = [&](const char* name) {
      std::fprintf(stderr, "%s %.3f s; ", name, Seconds(at));
      at = std::chrono::steady_clock::now();
    };
    std::string bytes = platform::ReadWholeFile(file);
    step("read");
    CacheFileRead read = ReadCacheFile(bytes);
    step("parse");
    form.SetWaypointText(std::move(bytes));
    step("text tab");
    form.SetCacheEntries(std::move(read.entries));
    step("lists");
    QCoreApplication::processEvents();
    step("paint");
    std::fprintf(stderr, "\n");
  }
  return 0;
}

struct ProcessRun {
  double seconds = 0;  // from the start to the end, as a user waits for it
  long peakKiB = 0;    // the process's largest resident set
  bool ok = false;     // exit status 0
  std::string output;  // what it wrote on stdout
};

// Runs argv[0] (searched in PATH) with argv, stdout read; stderr (the engine's start-up chatter)
// is dropped unless VIRESKA_BENCH_STEPS asks for the steps written there.
inline ProcessRun RunProcess(const std::vector<std::string>& argv) {
  ProcessRun run;
  int out[2];
  if (pipe(out) != 0) return run;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    if (!std::getenv("VIRESKA_BENCH_STEPS")) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDERR_FILENO);
    }
    close(out[0]);
    close(out[1]);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(out[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0)
    run.output.append(buffer, static_cast<size_t>(n));
  close(out[0]);
  int status = 0;
  rusage usage{};
  if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
    run.seconds = Seconds(start);
    run.peakKiB = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  return run;
}

// This program's own path, to run it again as a child.
inline std::string ThisProgram() {
  std::string path(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  path.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return path;
}

inline long MaxOf(const std::vector<long>& values) {
  return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}
