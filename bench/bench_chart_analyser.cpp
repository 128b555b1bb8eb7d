// The chart walker on one block whose summary comes in a great many text
// pieces (a malformed page can split a span into one piece per byte): the
// time must grow with the number of pieces, not with its square.
#include <benchmark/benchmark.h>

#include <string>

#include "analysis/chart_analyser.h"
#include "core/datetime.h"

namespace {

void BM_GatherPiecesInOneSpan(benchmark::State& state) {
  const int pieces = static_cast<int>(state.range(0));
  kc::PageContext page;
  page.Today = kc::EncodeDate(2019, 12, 6);
  page.PageDate = page.Today;
  page.DayBase = page.Today + kc::EncodeTime(5, 0, 0, 0);
  page.ChannelLabel = "101.x";
  std::size_t memo = 0;
  for (auto _ : state) {
    kc::ChartWalker w(page, nullptr, [&memo](const kc::ProgrammeRecord& r) { memo = r.Memo.size(); });
    w.BeginTag("DIV");
    w.TagParam("CLASS", "topcolumn");
    w.EndElement();
    w.BeginTag("A");
    w.TagParam("HREF", "/m/clipAdding.action?id=500101201912060600");
    w.EndElement();
    w.BeginTag("SPAN");
    w.TagParam("CLASS", "schedule-title");
    w.EndElement();
    w.Text("title");
    w.EndElement();
    w.BeginTag("SPAN");
    w.TagParam("CLASS", "schedule-summary");
    w.EndElement();
    for (int i = 0; i < pieces; ++i) {
      w.Text("ab ");
      w.EndElement();
    }
    w.BeginTag("/DIV");
    w.EndElement();
    benchmark::DoNotOptimize(memo);
  }
  state.SetItemsProcessed(state.iterations() * pieces);
}
BENCHMARK(BM_GatherPiecesInOneSpan)->Arg(80000)->Arg(320000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
