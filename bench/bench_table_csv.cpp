// Saving and loading a programme table of 100,000 rows, in MB/s of file
// bytes: the download run writes one such file per channel and the settings
// window loads the channel table at every start.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "core/datetime.h"
#include "platform/platform.h"
#include "storage/memtable.h"
#include "storage/tables.h"

namespace {

constexpr int kRows = 100000;

void Fill(kc::MemTable& t) {
  const kc::TDateTime day = kc::EncodeDate(2010, 12, 6) + 5.0 / 24;
  for (int i = 0; i < kRows; ++i) {
    t.Append();
    t.FieldByName("StartDateTime").SetAsDateTime(day + i * 30 / kc::kMinutesPerDay);
    t.FieldByName("TVChannel").SetAsString("055 スカイ・エー");
    t.FieldByName("EndDateTime").SetAsDateTime(day + (i + 1) * 30 / kc::kMinutesPerDay);
    t.FieldByName("Title").SetAsString("[字]番組の題名 \"特集\" 第" + std::to_string(i) + "回");
    t.FieldByName("Memo").SetAsString("内容の説明が入ります。\n出演者：誰それ 100%");
    t.FieldByName("Categorie").SetAsInteger(i % 12);
    t.FieldByName("url").SetAsString("https://www.kanalia.example/program/" + std::to_string(i));
    t.FieldByName("GCODE").SetAsString("");
    t.FieldByName("Flag").SetAsInteger(268435456);
    t.Post();
  }
}

std::string BenchFile() {
  static const std::string path = [] {
    std::string dir = kc::GetEnv("TMPDIR");
    if (dir.empty()) dir = "/tmp";
    return dir + "\\kc_bench_table_" + std::to_string(static_cast<long long>(kc::TickMs())) + ".dat";
  }();
  return path;
}

void BM_SaveProgrammeTable(benchmark::State& state) {
  kc::MemTable t;
  kc::DefineTableMas(t, "");
  t.Persistent = false;
  t.Open();
  Fill(t);
  const std::string path = BenchFile();
  std::int64_t bytes = 0;
  for (auto _ : state) {
    t.SaveToFile(path, t.PersistentSaveOptions);
    bytes += kc::Fs().FileSize(path);
  }
  state.SetBytesProcessed(bytes);
  state.counters["rows"] = kRows;
}
BENCHMARK(BM_SaveProgrammeTable)->Unit(benchmark::kMillisecond);

void BM_LoadProgrammeTable(benchmark::State& state) {
  const std::string path = BenchFile();
  {
    kc::MemTable t;
    kc::DefineTableMas(t, "");
    t.Persistent = false;
    t.Open();
    Fill(t);
    t.SaveToFile(path, t.PersistentSaveOptions);
  }
  const std::int64_t size = kc::Fs().FileSize(path);
  std::int64_t bytes = 0;
  for (auto _ : state) {
    kc::MemTable t;
    kc::DefineTableMas(t, "");
    t.Persistent = false;
    t.Open();
    t.LoadFromFile(path);
    if (t.RecordCount() != kRows) state.SkipWithError("row count");
    bytes += size;
  }
  state.SetBytesProcessed(bytes);
  kc::Fs().DeleteFile(path);
}
BENCHMARK(BM_LoadProgrammeTable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
