// The matching engine against the reference routine (the forward automaton
// restarted at every position) on short texts: both find the same match,
// and a tiny automaton cache finds it too. The pattern follows the last LF
// of the input, the text comes before it; the options change with the
// input's length.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "search/fuzzy_matcher.h"
#include "tests/search/quadratic_match.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using kc::fuzz::Check;
  static kc::TFuzzyMatcher matcher;
  static kc::TFuzzyMatcher tiny;
  const std::string all(reinterpret_cast<const char*>(data), size);
  const std::size_t lf = all.rfind('\n');
  std::string pattern = lf == std::string::npos ? all : all.substr(lf + 1);
  std::string text = lf == std::string::npos ? std::string() : all.substr(0, lf);
  if (pattern.size() > 96) pattern.resize(96);
  if (text.size() > 160) text.erase(0, text.size() - 160);
  const unsigned flags = static_cast<unsigned>((size * 2654435761u) >> 7) & 3;

  matcher.SetLineSeparator((flags & 2) ? kc::lsLF : kc::lsCRLF);
  try {
    matcher.SetUseFuzzyDictionary(flags & 1);
    matcher.SetRegExp(pattern);
  } catch (const kc::EPatternError&) {
    return 0;
  }
  std::size_t len = 0;
  const std::size_t pos = matcher.Match(text, len);
  const kc::MatchResult want =
      kc::test::QuadraticMatch(matcher.Current(), text, matcher.LineSeparator());
  Check(want.position == pos && want.length == len, "engine and reference differ");

  if (text.size() <= 48 && pattern.size() <= 32) {
    tiny.SetLineSeparator(matcher.LineSeparator());
    tiny.SetUseFuzzyDictionary(flags & 1);
    tiny.SetRegExp(pattern);
    tiny.Current().SetBudget(1);
    std::size_t tlen = 0;
    const std::size_t tpos = tiny.Match(text, tlen);
    Check(tpos == pos && tlen == len, "a tiny automaton cache changes the match");
  }
  return 0;
}
