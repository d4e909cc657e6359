// Zotried (the handheld grid's re-ordering) over 10,000 and 20,000 rows, by name and by date,
// on a real grid; each run starts from a shuffled listing.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>

#include "app/application.h"
#include "app/mainform.h"
#include "platform/paths.h"
#include "platform/state.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace {

TForm1* form = nullptr;

void Fill(int rows) {
  TStringGrid* g = form->StringGrid1;
  g->SetRowCount(rows + 2);
  char name[64], date[32];
  for (int i = 0; i < rows; ++i) {
    const int n = (i * 7919) % rows;
    std::snprintf(name, sizeof name,
                  "%s\xE8"
                  "ierna_%05d.mht",
                  i % 3 ? "Ke\x9Aka_" : "ke\x9Aka_", n);
    std::snprintf(date, sizeof date, "20%02d.%02d.%02d %02d:%02d:%02d", n % 20, n % 12 + 1,
                  n % 28 + 1, n % 24, n % 60, (n * 7) % 60);
    g->SetCell(0, 2 + i, name);
    g->SetCell(1, 2 + i, i % 10 ? std::to_string(n) : "<DIR>");
    g->SetCell(2, 2 + i, date);
    g->SetCell(3, 2 + i, i % 10 ? "32" : "16");
  }
}

void Shuffle(int rows, std::mt19937& random) {
  std::vector<int> order(static_cast<size_t>(rows) + 2);
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin() + 2, order.end(), random);
  form->StringGrid1->Cells()->ReorderRows(order);
}

void Zotried(benchmark::State& state, bool byDate) {
  const int rows = static_cast<int>(state.range(0));
  Fill(rows);
  DeviceNameOrder = byDate ? 0 : 1;
  DeviceDateOrder = byDate ? 1 : 0;
  std::mt19937 random(42);
  for (auto _ : state) {
    state.PauseTiming();
    Shuffle(rows, random);
    state.ResumeTiming();
    form->Zotried();
  }
  state.SetComplexityN(rows);
}

void ByName(benchmark::State& state) {
  Zotried(state, false);
}
void ByDate(benchmark::State& state) {
  Zotried(state, true);
}

BENCHMARK(ByName)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(ByDate)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  PrepareEnvironment();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  TempDir home;
  platform::SetExecutableDir(home.path());
  ScriptedUi ui;
  TForm1 window;
  form = &window;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
