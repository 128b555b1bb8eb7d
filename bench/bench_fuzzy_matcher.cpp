// The find command's work: a typed pattern (a short one, a long kana one)
// compiled once with the fuzzy dictionary on and matched against each of
// 1,000 channel entries, next to the C library's regexec doing the same
// search without fuzzy expansion; what compiling the kana pattern costs;
// and that a match costs time linear in the text even where every position
// starts a partial match.
#include <benchmark/benchmark.h>
#include <regex.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "search/fuzzy_matcher.h"
#include "search/pattern_compiler.h"

namespace {

// Channel list entries as the settings window shows them: a three-digit
// number and a name (Shift-JIS).
std::vector<std::string> ChannelEntries() {
  const char* names[] = {"ＮＨＫ　ＢＳ１", "スカイ・エー", "ｽﾎﾟｰﾂﾁｬﾝﾈﾙ", "映画チャンネル",
                         "ＦＯＸ", "アニマックス", "キッズステーション", "ディズニー・チャンネル",
                         "ｼﾞｪｲ ｽﾎﾟｰﾂ", "時代劇専門チャンネル", "囲碁・将棋チャンネル",
                         "ナショナル ジオグラフィック", "ｍｕｓｉｃ　ＴＶ", "日本映画専門ｃｈ",
                         "カートゥーン ネットワーク", "ゴルフネットワーク"};
  std::vector<std::string> entries;
  for (int i = 0; i < 1000; ++i) {
    char num[8];
    std::snprintf(num, sizeof num, "%3.3d", (i * 7) % 1000);
    entries.push_back(std::string(num) + " " + names[i % 16] + std::to_string(i / 16));
  }
  return entries;
}

const char kTyped[] = "ｱﾆﾏｯｸｽ";  // finds アニマックス
// A 20-character kana pattern, long after fuzzy expansion.
const char kKana20[] = "かーとぅーんねっとわーくすぽーつちゃん。";

// One find: the pattern compiled, then every entry matched, which also
// builds the automaton states the search needs.
void BM_Find(benchmark::State& state, const char* typed) {
  const std::vector<std::string> entries = ChannelEntries();
  kc::TFuzzyMatcher m;
  m.SetUseFuzzyDictionary(true);
  std::size_t hits = 0;
  for (auto _ : state) {
    m.SetRegExp(typed);
    for (const std::string& e : entries) hits += m.Match(e) > 0;
  }
  benchmark::DoNotOptimize(hits);
  state.counters["hits/find"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK_CAPTURE(BM_Find, FuzzyMatcher, kTyped)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, FuzzyKana20, kKana20)->Unit(benchmark::kMicrosecond);

// regexec with the pattern compiled once (bytes, C locale, no expansion:
// it finds only the half-width spelling, i.e. nothing here).
void BM_FindRegexecCompiledOnce(benchmark::State& state) {
  const std::vector<std::string> entries = ChannelEntries();
  regex_t re;
  regcomp(&re, kTyped, REG_EXTENDED);
  std::size_t hits = 0;
  for (auto _ : state) {
    for (const std::string& e : entries) {
      regmatch_t mm[1];
      if (regexec(&re, e.c_str(), 1, mm, 0) == 0) ++hits;
    }
  }
  regfree(&re);
  benchmark::DoNotOptimize(hits);
}
BENCHMARK(BM_FindRegexecCompiledOnce)->Unit(benchmark::kMicrosecond);

// Compiling the kana pattern after fuzzy expansion.
void BM_CompileFuzzyKana20(benchmark::State& state) {
  std::string rewritten = kc::RewritePattern(kKana20, true);
  for (auto _ : state) {
    std::string text = kc::RewritePattern(kKana20, true);
    auto cp = kc::CompiledPattern::Compile(text);
    benchmark::DoNotOptimize(cp);
  }
  state.counters["pattern_bytes"] = static_cast<double>(rewritten.size());
  state.counters["nfa_nodes"] = static_cast<double>(kc::CompiledPattern::Compile(rewritten)->NfaSize());
}
BENCHMARK(BM_CompileFuzzyKana20)->Unit(benchmark::kMicrosecond);

// "a+b" over a line of n "a" without a "b": every position begins a partial
// match. Four times the text should cost about four times the time.
void BM_LinearAPlusB(benchmark::State& state) {
  const std::string text(static_cast<std::size_t>(state.range(0)), 'a');
  kc::TFuzzyMatcher m;
  m.SetRegExp("a+b");
  std::size_t found = 0;
  for (auto _ : state) found += m.Match(text);
  benchmark::DoNotOptimize(found);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_LinearAPlusB)->Arg(10000)->Arg(40000)->Arg(160000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
