// Channel list scan of the SKY PerfecTV! list page: a page of real-sized
// entries, and the same entries followed by text without entry ends (the
// scan then steps two bytes at a time). Both should grow linearly with the
// page; compare the per-byte figures of the two sizes. Then both readers
// over lists of many entries.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
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

struct Sink {
  kc::MemTable table{"TableSkypch"};
  kc::StringList numbers, keys;
  kc::ChannelListSink sink{table, numbers, &keys, nullptr, nullptr};
  Sink() {
    kc::DefineTableSkypch(table, "");
    table.Persistent = false;
    table.Open();
    sink.MaxEntries = static_cast<std::size_t>(-1);  // the reader itself, without the cap
  }
};

// After the last entry: no name opener, no entry end, a separator far on.
void BM_ScanFarSeparatorTail(benchmark::State& state) {
  const std::string text =
      Page(0) + std::string(static_cast<std::size_t>(state.range(0)), ' ') + " - x";
  for (auto _ : state) {
    Sink s;
    kc::ScanSkyptEntries(text, kc::ChannelListVariant::DownloadWindow, s.sink);
    benchmark::DoNotOptimize(s.numbers.size());
  }
}
BENCHMARK(BM_ScanFarSeparatorTail)->Arg(1 << 20)->Arg(4 << 20)->Unit(benchmark::kMillisecond);

// A list of that many entries over the 999 channels the keys can hold, every
// entry merged into the table (the cap lifted).
void BM_SkyptListEntries(benchmark::State& state) {
  std::string text = "\"すべてのチャンネル\", \"children\": {";
  for (long i = 0; i < state.range(0); ++i)
    text += "\"" + std::to_string(100000 + i) + "\": {\"name\": \"" +
            std::to_string(i % 999 + 1) + " - 名" + std::to_string(i) + "\"}, ";
  for (auto _ : state) {
    Sink s;
    kc::ScanSkyptEntries(text, kc::ChannelListVariant::DownloadWindow, s.sink);
    benchmark::DoNotOptimize(s.numbers.size());
  }
}
BENCHMARK(BM_SkyptListEntries)->Arg(25000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_E2ListEntries(benchmark::State& state) {
  std::string page = u8"<form name=\"sptv-speciality-select-header\"><select name=\"id\">\n";
  for (long i = 0; i < state.range(0); ++i)
    page += "<option value=\"" + std::to_string(i) + "\">" + std::to_string(i % 999 + 1) +
            u8" - 名" + std::to_string(i) + "</option>\n";
  page += "</select></form>\n";
  const std::string path = "/tmp/kc-bench-e2-" + std::to_string(state.range(0)) + ".html";
  std::ofstream(path, std::ios::binary) << page;
  for (auto _ : state) {
    Sink s;
    kc::ReadE2Page(path, kc::ChannelListVariant::DownloadWindow, s.sink);
    benchmark::DoNotOptimize(s.numbers.size());
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_E2ListEntries)->Arg(25000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
