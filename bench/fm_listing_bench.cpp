// Listing a folder of 10,000 and of 100,000 files into each pane of the file manager: the PC
// folder into StringGrid2 (ListPcDir), the handheld folder into StringGrid1 (GetDirPDA through
// the bundled folder handheld), and the handheld's search alone (CeFindFirstFile and
// CeFindNextFile to the end), each beside `ls -la` and `find -maxdepth 1 -printf` (one look at
// each entry, nothing sorted) of the same folder in the same run. The three listings take turns,
// so load on the machine falls on each alike; minimum and median of the runs.
//
//   bench_fm_listing [file counts, default 10000 100000]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/mainform.h"
#include "bench/timing.h"
#include "filemanager/panes.h"
#include "platform/paths.h"
#include "platform/state.h"
#include "support/device_folder.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace {

void MakeFiles(const std::filesystem::path& dir, int count) {
  char name[64];
  for (int i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "Ke\xC5\xA1ka_%05d_Zlat\xC3\xA9 Moravce.mht",
                  (i * 7919) % count);
    TempDir::Write(dir / name, std::string(static_cast<size_t>(i % 977), 'x'));
  }
}

double Command(const std::string& command) {
  return Best(5, [&] {
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
  });
}
double Ls(const std::filesystem::path& dir) {
  return Command("ls -la '" + dir.string() + "' > /dev/null");
}
double Find(const std::filesystem::path& dir) {
  return Command("find '" + dir.string() + "' -maxdepth 1 -printf '%s %T@ %f\\n' > /dev/null");
}

constexpr int kRuns = 7;

struct Samples {
  std::vector<double> seconds;
  template <typename F>
  void Time(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    seconds.push_back(Seconds(start));
  }
  double Min() const { return *std::min_element(seconds.begin(), seconds.end()); }
};

// The handheld's own search over the whole folder, without the grid.
int SearchAll() {
  int found = 0;
  CE_FIND_DATA record;
  CeRapiInit();
  HANDLE find = CeFindFirstFile(u"\\*", &record);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do ++found;
  while (CeFindNextFile(find, &record));
  CeFindClose(find);
  CeRapiUninit();
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareEnvironment();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {10000, 100000};

  TempDir home;
  platform::SetExecutableDir(home.path());
  ScriptedUi ui;
  for (const int files : counts) {
    TempDir pc;
    DeviceFolder device;
    MakeFiles(pc.path(), files);
    MakeFiles(device.root(), files);
    TForm1 form;
    form.resize(1000, 700);
    form.show();
    form.PageControl1->setCurrentWidget(form.TabSheet8);
    QCoreApplication::processEvents();
    DeviceDir = "\\";

    const AnsiString pcDir = platform::FromNativePath(pc.path());
    Samples pcList, deviceList, search;
    int searched = 0;
    for (int run = 0; run < kRuns; ++run) {
      pcList.Time([&] {
        ListPcDir(pcDir);
        QCoreApplication::processEvents();  // the repaint that follows
      });
      deviceList.Time([&] {
        form.GetDirPDA("\\*");
        QCoreApplication::processEvents();
      });
      search.Time([&] { searched = SearchAll(); });
    }
    const double lsPc = Ls(pc.path()), lsDevice = Ls(device.root());
    const double findPc = Find(pc.path()), findDevice = Find(device.root());

    std::printf("files %d: PC grid %d rows, handheld grid %d rows, search %d entries\n", files,
                form.StringGrid2->RowCount(), form.StringGrid1->RowCount(), searched);
    std::printf("%d runs each, min / median:\n", kRuns);
    std::printf(
        "PC folder into StringGrid2:       %7.1f / %7.1f ms   ls -la %7.1f ms   find %7.1f ms\n",
        pcList.Min() * 1e3, Median(pcList.seconds) * 1e3, lsPc * 1e3, findPc * 1e3);
    std::printf(
        "handheld folder into StringGrid1: %7.1f / %7.1f ms   ls -la %7.1f ms   find %7.1f ms\n",
        deviceList.Min() * 1e3, Median(deviceList.seconds) * 1e3, lsDevice * 1e3, findDevice * 1e3);
    std::printf("handheld search alone:            %7.1f / %7.1f ms\n", search.Min() * 1e3,
                Median(search.seconds) * 1e3);
    std::printf("handheld grid / PC grid (min): %.2f   handheld grid / find: %.2f\n",
                deviceList.Min() / pcList.Min(), deviceList.Min() / findDevice);
    std::printf("handheld elapsed shown: %s\n\n", form.StatusBar3->PanelText(1).c_str());
  }
  return 0;
}
