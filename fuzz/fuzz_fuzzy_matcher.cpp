// Fuzz target for the pattern matcher: any pattern and text, with or
// without the fuzzy dictionary, with either line separator. A pattern
// either compiles or fails with a pattern error; a match lies inside the
// text on character boundaries and is the one the quadratic reference
// routine finds; a tiny automaton cache gives the same result as the normal
// one.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "search/fuzzy_matcher.h"
#include "tests/search/quadratic_match.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool IsBoundary(const std::string& text, std::size_t at) {
  std::size_t i = 0;
  while (i < at) kc::NextSjisChar(text, i);
  return i == at;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static kc::TFuzzyMatcher matcher;
  static kc::TFuzzyMatcher tiny;
  // The pattern follows the last LF, the text comes before it; the options
  // change with the input's length.
  std::string all(reinterpret_cast<const char*>(data), size);
  std::size_t lf = all.rfind('\n');
  std::string pattern = lf == std::string::npos ? all : all.substr(lf + 1);
  std::string text = lf == std::string::npos ? std::string() : all.substr(0, lf);
  if (pattern.size() > 96) pattern.resize(96);
  if (text.size() > 160) text.erase(0, text.size() - 160);
  const unsigned flags = static_cast<unsigned>((size * 2654435761u) >> 7) & 7;

  matcher.SetLineSeparator((flags & 2) ? kc::lsLF : kc::lsCRLF);
  bool compiled = true;
  try {
    matcher.SetUseFuzzyDictionary(flags & 1);
    matcher.SetUseSynonymDictionary(flags & 4);
    matcher.SetRegExp(pattern);
  } catch (const kc::EPatternError& e) {
    compiled = false;
    Check(matcher.RegExp().empty());
    Check(e.Position() <= pattern.size());
  }
  std::size_t len = 0;
  std::size_t pos = matcher.Match(text, len);
  if (!compiled) Check(pos == 1 && len == 0);
  if (pos == 0) {
    Check(len == 0);
  } else {
    Check(pos - 1 + len <= text.size());
    Check(IsBoundary(text, pos - 1));
    Check(IsBoundary(text, pos - 1 + len));
  }
  kc::MatchResult want = kc::test::QuadraticMatch(matcher.Current(), text, matcher.LineSeparator());
  Check(want.position == pos && want.length == len);

  if (compiled && text.size() <= 48 && pattern.size() <= 32) {
    tiny.SetLineSeparator(matcher.LineSeparator());
    tiny.SetUseFuzzyDictionary(flags & 1);
    tiny.SetRegExp(pattern);
    tiny.Current().SetBudget(1);
    std::size_t tlen = 0;
    std::size_t tpos = tiny.Match(text, tlen);
    Check(tpos == pos && tlen == len);
    tiny.Current().SetBudget(kc::CompiledPattern::kDefaultBudget);
  }
  return 0;
}
