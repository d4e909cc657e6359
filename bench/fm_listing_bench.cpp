// Listing a folder of 10,000 files into each pane of the file manager: the PC folder into
// StringGrid2 (ListPcDir), the handheld folder into StringGrid1 (GetDirPDA through the bundled
// folder handheld), each beside `ls -la` of the same folder in the same run. Best of 5.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/application.h"
#include "app/mainform.h"
#include "app/state.h"
#include "bench/timing.h"
#include "filemanager/panes.h"
#include "platform/paths.h"
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

double Ls(const std::filesystem::path& dir) {
  const std::string command = "ls -la '" + dir.string() + "' > /dev/null";
  return Best(5, [&] {
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "ls failed\n");
  });
}

}  // namespace

int main(int argc, char** argv) {
  PrepareEnvironment();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  const int files = argc > 1 ? std::atoi(argv[1]) : 10000;

  TempDir home, pc;
  DeviceFolder device;
  MakeFiles(pc.path(), files);
  MakeFiles(device.root(), files);
  platform::SetExecutableDir(home.path());
  ScriptedUi ui;
  TForm1 form;
  form.resize(1000, 700);
  form.show();
  form.PageControl1->setCurrentWidget(form.TabSheet8);
  QCoreApplication::processEvents();
  DeviceDir = "\\";

  const AnsiString pcDir = platform::FromNativePath(pc.path());
  const double pcList = Best(5, [&] {
    ListPcDir(pcDir);
    QCoreApplication::processEvents();  // the repaint that follows
  });
  const double deviceList = Best(5, [&] {
    form.GetDirPDA("\\*");
    QCoreApplication::processEvents();
  });
  const double lsPc = Ls(pc.path()), lsDevice = Ls(device.root());

  std::printf("files %d: PC grid %d rows, handheld grid %d rows\n", files,
              form.StringGrid2->RowCount(), form.StringGrid1->RowCount());
  std::printf("PC folder into StringGrid2:       %.1f ms   ls -la: %.1f ms   ratio %.2f\n",
              pcList * 1e3, lsPc * 1e3, pcList / lsPc);
  std::printf("handheld folder into StringGrid1: %.1f ms   ls -la: %.1f ms   ratio %.2f\n",
              deviceList * 1e3, lsDevice * 1e3, deviceList / lsDevice);
  std::printf("handheld elapsed shown: %s\n", form.StatusBar3->PanelText(1).c_str());
  return 0;
}
