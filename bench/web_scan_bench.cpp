// The page scan over a 2 MB body, the size of a long cache page with many logs.
#include <benchmark/benchmark.h>

#include <string>

#include "web/pagescan.h"
#include "web/rot13.h"

namespace {

std::string MakeBody(std::size_t bytes) {
  const std::string logLine =
      "<TR><TD class=\"log\">N\xE1j"
      "den\xE1 ke\x9A"
      "ka, \xEF"
      "akujem za pekn\xFA "
      "pr\xE1"
      "cu. <A href=\"profil.php?id=123\">jano</A></TD></TR>\n";
  std::string body =
      "<DIV id=\"menu\"><A href=\"index.php\">\xDAvod</A> | <A href=\"index.php?logout=1\">"
      "odhl\xE1si\x9D</A></DIV>\n<TABLE class=\"hint\"><TBODY><TR><TD>Pom\xF4"
      "cka: [<A "
      "href=\"hladaj.php?query=GC1&amp;decrypt=y\">dek\xF3"
      "dova\x9D</A>]<BR>Cbq xnzrabz\n"
      "</TD></TR></TBODY></TABLE>\n<P><A "
      "href=\"geocache-tlac.php?id=GC1&amp;lang=sk\">Tla\xE8</A></P>\n";
  while (body.size() < bytes) body += logLine;
  return body;
}

void BM_ScanPage2MB(benchmark::State& state) {
  const std::string body = MakeBody(2 << 20);
  for (auto _ : state) {
    PageScan scan = ScanPage(body, static_cast<Site>(state.range(0)));
    benchmark::DoNotOptimize(scan);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(body.size()));
}
BENCHMARK(BM_ScanPage2MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Rot13Hint(benchmark::State& state) {
  const std::string hint(100, 'q');
  for (auto _ : state) benchmark::DoNotOptimize(Rot13(hint));
}
BENCHMARK(BM_Rot13Hint);

}  // namespace

BENCHMARK_MAIN();
