// From "GC" pressed to the hint injected, on the test site, beside the engine alone loading the
// same address in the same process (a shown view of the same size on the window's profile,
// loaded and waited for with an event loop, no handler of the program involved). The program's
// fixed timing is the 500 ms hold after the scan; "GC - bare load - 500 ms" is what the program
// adds to it (its polls among it). "web_page_bench [runs]".
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/application.h"
#include "app/mainform.h"
#include "bench/timing.h"
#include "platform/paths.h"
#include "platform/state.h"
#include "site/test_site.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "web/webengine_browser.h"

namespace {

constexpr double kHoldMs = 500;

// The engine alone: load the address and wait for the load to finish with an event loop.
double BareLoadMs(QWebEnginePage* page, const QUrl& url) {
  QEventLoop loop;
  QElapsedTimer timer;
  auto connection =
      QObject::connect(page, &QWebEnginePage::loadFinished, &loop, [&loop](bool) { loop.quit(); });
  QTimer::singleShot(20000, &loop, &QEventLoop::quit);
  timer.start();
  page->load(url);
  loop.exec();
  QObject::disconnect(connection);
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareEnvironment();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
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
    auto* browser = static_cast<WebEngineBrowser*>(form.WebBrowser1);
    QWebEngineView bareView;
    auto* page = new QWebEnginePage(browser->Page()->profile(), &bareView);
    bareView.setPage(page);
    bareView.resize(form.WebBrowserHost->size());
    bareView.show();

    for (int entry = 0; entry < 2; ++entry) {
      const std::string code = entry == 0 ? "GCZM001" : "GCBIG";
      const QUrl url(QString::fromStdString(site.Root() + "/hladaj.php?query=" + code));
      for (int i = 0; i < form.CheckListBox1->Count(); ++i)
        form.CheckListBox1->SetSelected(i, i == entry);
      std::vector<double> gc, bare, rest;
      // In turns, each side first every other round, so neither always gets the warmer engine;
      // round 0 starts the renderer and is not counted.
      for (int run = 0; run < runs + 1; ++run) {
        auto gcPressed = [&]() -> double {
          QElapsedTimer timer;
          timer.start();
          try {
            form.SpeedButton4Click();
          } catch (const std::exception& error) {
            std::printf("  run %d: %s\n", run, error.what());
            return -1;
          }
          return static_cast<double>(timer.nsecsElapsed()) / 1e6;
        };
        double load, total;
        if (run % 2) {
          total = gcPressed();
          load = BareLoadMs(page, url);
        } else {
          load = BareLoadMs(page, url);
          total = gcPressed();
        }
        if (run == 0 || total < 0) continue;
        gc.push_back(total);
        bare.push_back(load);
        rest.push_back(total - load - kHoldMs);
      }
      std::printf(
          "%s (%zu bytes of markup), min / median of %zu: \"GC\" %.0f / %.0f ms | bare engine "
          "load %.0f / %.0f ms | GC - bare load - 500 ms = %.0f / %.0f ms\n",
          entry == 0 ? "cache page" : "1 MB cache page", browser->BodyMarkup().size(), gc.size(),
          Min(gc), Median(gc), Min(bare), Median(bare), Min(rest), Median(rest));
      if (!ui.shown.empty())
        std::printf("  unexpected message: %s\n", ui.shown.back().text.c_str());
    }
  }
  platform::SetExecutableDir({});
  WebEngineBrowser::SetStorageFolder({});
  return 0;
}
