// Text rules and the tokenizer on megabyte inputs: blank runs, dashes and
// references must cost time in proportion to the text, not its square.
#include <benchmark/benchmark.h>

#include <string>

#include "analysis/html_parser.h"
#include "analysis/text_rules.h"

namespace {

std::string Repeat(const std::string& unit, std::size_t bytes) {
  std::string s;
  s.reserve(bytes + unit.size());
  while (s.size() < bytes) s += unit;
  return s;
}

void SetBytes(benchmark::State& state, std::size_t n) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

// A text piece of blanks and line breaks: one blank is left.
void BM_TextPieceBlanks(benchmark::State& state) {
  const std::string raw = Repeat("   \n ", static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    kc::THTMLText t;
    t.Parse(raw);
    benchmark::DoNotOptimize(t.Text);
  }
  SetBytes(state, raw.size());
}
BENCHMARK(BM_TextPieceBlanks)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// Blanks only, through the whole chain of the analyser.
void BM_NormaliseBlanks(benchmark::State& state) {
  const std::string raw = Repeat(" ", static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kc::NormaliseText(raw));
  SetBytes(state, raw.size());
}
BENCHMARK(BM_NormaliseBlanks)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// Every dash is replaced: the looped rule would look for the first one again
// after each of them.
void BM_NormaliseKanaDashes(benchmark::State& state) {
  const std::string raw = Repeat(u8"ア―", static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kc::NormaliseText(raw));
  SetBytes(state, raw.size());
}
BENCHMARK(BM_NormaliseKanaDashes)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_NormaliseAsciiDashes(benchmark::State& state) {
  const std::string raw = Repeat(u8"3―", static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kc::NormaliseText(raw));
  SetBytes(state, raw.size());
}
BENCHMARK(BM_NormaliseAsciiDashes)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_NormaliseDashesOnly(benchmark::State& state) {
  const std::string raw = Repeat(u8"―", static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kc::NormaliseText(raw));
  SetBytes(state, raw.size());
}
BENCHMARK(BM_NormaliseDashesOnly)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// Left-over hexadecimal references (four digits, so the tokenizer kept
// them) giving letters and digits: one pass.
void BM_NormaliseHexReferences(benchmark::State& state) {
  std::string unit;
  const char* hex = "0123456789ABCDEF";
  for (int v = 0x30; v <= 0x7A; ++v)
    if (v != 'x') unit += std::string("&#x") + hex[v >> 4] + hex[v & 15] + "42;";
  const std::string raw = Repeat(unit, static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kc::NormaliseText(raw));
  SetBytes(state, raw.size());
}
BENCHMARK(BM_NormaliseHexReferences)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// References whose produced bytes interact with the text around them (lead
// bytes, "&") run the rule as defined: one pass over the text per distinct
// digit pair. A few pairs over a megabyte, then all 256 over 64 kB.
void BM_NormaliseHexReferencesLoopedFewPairs(benchmark::State& state) {
  const std::string raw = Repeat("&#x26#x41&#x82", static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kc::NormaliseText(raw));
  SetBytes(state, raw.size());
}
BENCHMARK(BM_NormaliseHexReferencesLoopedFewPairs)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_NormaliseHexReferencesLoopedAllPairs(benchmark::State& state) {
  std::string unit;
  const char* hex = "0123456789ABCDEF";
  for (int i = 0; i < 256; ++i) unit += std::string("&#x") + hex[i >> 4] + hex[i & 15] + "9;";
  const std::string raw = Repeat(unit, static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kc::NormaliseText(raw));
  SetBytes(state, raw.size());
}
BENCHMARK(BM_NormaliseHexReferencesLoopedAllPairs)->Arg(1 << 16)->Unit(benchmark::kMillisecond);

// Every pass remakes the reference it replaced ("&#x26" then "#x26" over
// and over): the looped rule's walk is bounded by the piece's length, so 4
// times the piece takes about 4 times as long.
void BM_NormaliseHexReferenceRemade(benchmark::State& state) {
  const std::string raw = "&#x26" + Repeat("#x26", static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kc::NormaliseText(raw));
  SetBytes(state, raw.size());
}
BENCHMARK(BM_NormaliseHexReferenceRemade)->Arg(1 << 18)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_DecodeJapanese(benchmark::State& state) {
  const std::string raw = Repeat(u8"ニュース・天気予報（字）〜", static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kc::DecodePageText(raw));
  SetBytes(state, raw.size());
}
BENCHMARK(BM_DecodeJapanese)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// A page without the per-byte yield (that is the window's time, not ours),
// every element read once as the analyser reads them.
void BM_TokenizePage(benchmark::State& state) {
  const std::string line =
      u8"<div class=\"cell genre-100000\" style=\"height: 57px\"><a href=\"/x?id=1\">ニュース&amp;天気</a></div>";
  kc::StringList lines;
  std::size_t bytes = 0;
  while (bytes < static_cast<std::size_t>(state.range(0))) {
    lines.push_back(line);
    bytes += line.size() + 1;
  }
  for (auto _ : state) {
    kc::THTMLParser parser;
    parser.Lines = lines;
    parser.Execute();
    std::size_t tags = 0;
    for (const auto& e : parser.Elements) tags += kc::AsTag(e.get()) != nullptr;
    benchmark::DoNotOptimize(tags);
  }
  SetBytes(state, bytes);
}
BENCHMARK(BM_TokenizePage)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
