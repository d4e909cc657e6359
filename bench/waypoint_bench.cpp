// Loading a 100,000-line waypoint file through the open command: the text into the text tab
// and both check lists filled. Prints the wall time of each step and, when gpsbabel is
// installed, the time gpsbabel takes to read the same file.
#include <QPlainTextEdit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/application.h"
#include "app/mainform.h"
#include "bench/timing.h"
#include "cachelist/waypoint.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace {

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
  PrepareEnvironment();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;

  TempDir dir;
  const auto file = dir / "big.wpt";
  TempDir::Write(file, MakeFile(lines));
  platform::SetExecutableDir(dir.path());
  ScriptedUi ui;
  TForm1 form;
  form.show();

  const auto t0 = std::chrono::steady_clock::now();
  auto entries = ReadWaypointText(platform::ReadWholeFile(file));
  const double parse = Seconds(t0);

  for (int run = 0; run < 3; ++run) ui.openAnswers.push_back(platform::FromNativePath(file));
  const double best = Best(3, [&] {
    form.ToolButton10Click();
    QCoreApplication::processEvents();
  });
  std::printf("lines %d, accepted %zu, listed %d\n", lines, entries.size(),
              form.CheckListBox1->Count());
  std::printf("reader alone: %.3f s\n", parse);
  std::printf("open command (text tab + both lists), best of 3: %.3f s\n", best);

  std::string cmd = "command -v gpsbabel >/dev/null && /usr/bin/time -f '%e' gpsbabel -i ozi -f '" +
                    file.string() + "' -o csv -F /dev/null 2>&1 | tail -n 1";
  std::printf("gpsbabel -i ozi -f FILE -o csv -F /dev/null (s): ");
  std::fflush(stdout);
  if (std::system(cmd.c_str()) != 0) std::printf("not installed\n");
  return 0;
}
