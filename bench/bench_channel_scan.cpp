// Channel list scan of the SKY PerfecTV! list page: a page of real-sized
// entries, and the same entries followed by text without entry ends (the
// scan then steps two bytes at a time). Both should grow linearly with the
// page; compare the per-byte figures of the two sizes.
#include <benchmark/benchmark.h>

#include <string>

#include "download/channel_list.h"
#include "storage/memtable.h"
#include "storage/tables.h"

namespace {

std::string Page(std::size_t tailBytes) {
  std::string text = "\"すべてのチャンネル\", \"children\": {";
  for (int ch = 100; ch < 400; ++ch)
    text += "\"500" + std::to_string(ch) + "\": {\"name\": \"" + std::to_string(ch) +
            " - チャンネル" + std::to_string(ch) + "\"}, ";
  text += std::string(tailBytes, 'x');
  return text;
}

void BM_ScanWithTail(benchmark::State& state) {
  const std::string text = Page(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    kc::MemTable table("TableSkypch");
    kc::DefineTableSkypch(table, "");
    table.Persistent = false;
    table.Open();
    kc::StringList numbers, keys;
    kc::ChannelListSink sink{table, numbers, &keys, nullptr, nullptr};
    kc::ScanSkyptEntries(text, kc::ChannelListVariant::DownloadWindow, sink);
    benchmark::DoNotOptimize(numbers.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ScanWithTail)->Arg(0)->Arg(2 << 20)->Arg(20 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
