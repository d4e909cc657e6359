// From "GC" pressed to the hint injected, on the test site: the engine's load (navigation to
// its load finished) apart from the program's own work after it (reading the body, the scan,
// the "HTML" tab, the injection), with the fixed waits (the 500 ms after the scan and the
// 100 ms polls) taken out. "web_page_bench [runs]".
#include <QElapsedTimer>
#include <QWebEnginePage>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/mainform.h"
#include "app/state.h"
#include "bench/timing.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "site/test_site.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "web/webengine_browser.h"

namespace {

QElapsedTimer wall;

// The real clock, counting what is slept after a mark.
class CountingClock final : public platform::Clock {
 public:
  std::uint32_t TickCount() override { return static_cast<std::uint32_t>(wall.elapsed()); }
  void Sleep(std::uint32_t ms) override {
    const qint64 start = wall.elapsed();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    if (start >= mark) slept += wall.elapsed() - start;
  }
  qint64 mark = 1LL << 62;
  qint64 slept = 0;
};

}  // namespace

int main(int argc, char** argv) {
  PrepareEnvironment();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
  wall.start();
  CountingClock clock;
  platform::SetClock(&clock);
  ScriptedUi ui;
  testsite::TestSite site;
  TempDir dir, profile;
  platform::SetExecutableDir(dir.path());
  TempDir::Write(dir / "Vireska.ini", "[Weby]\r\nsk=" + site.Root() + "\r\n");
  WebEngineBrowser::SetStorageFolder(profile.path());
  {
    TForm1 form;
    form.show();
    form.CheckListBox1->SetItems({"Hrad", "Velka"});
    form.CheckListBox2->SetItems({"GCZM001", "GCBIG"});
    auto* page = static_cast<WebEngineBrowser*>(form.WebBrowser1)->Page();
    qint64 loaded = 0;
    QObject::connect(page, &QWebEnginePage::loadFinished, [&] {
      loaded = wall.elapsed();
      clock.mark = loaded;
    });

    for (int entry = 0; entry < 2; ++entry) {
      for (int i = 0; i < form.CheckListBox1->Count(); ++i)
        form.CheckListBox1->SetSelected(i, i == entry);
      std::vector<double> total, engine, fixed, own;
      for (int run = 0; run < runs + 1; ++run) {
        clock.mark = 1LL << 62;
        clock.slept = 0;
        const qint64 start = wall.elapsed();
        try {
          form.SpeedButton4Click();
        } catch (const std::exception& error) {
          std::printf("  run %d: %s after %lld ms (load finished at %lld)\n", run, error.what(),
                      static_cast<long long>(wall.elapsed() - start),
                      static_cast<long long>(loaded - start));
          continue;
        }
        const qint64 end = wall.elapsed();
        if (run == 0) continue;  // the first load starts the renderer
        total.push_back(end - start);
        engine.push_back(loaded - start);
        fixed.push_back(clock.slept);
        own.push_back(end - loaded - clock.slept);
      }
      std::printf(
          "%s (%zu bytes of markup): total %.0f ms = engine load %.0f ms + fixed waits %.0f ms"
          " + own work %.1f ms (medians of %d)\n",
          entry == 0 ? "cache page" : "1 MB cache page", form.WebBrowser1->BodyMarkup().size(),
          Median(total), Median(engine), Median(fixed), Median(own), runs);
      if (!ui.shown.empty())
        std::printf("  unexpected message: %s\n", ui.shown.back().text.c_str());
    }
  }
  platform::SetClock(nullptr);
  platform::SetExecutableDir({});
  WebEngineBrowser::SetStorageFolder({});
  return 0;
}
