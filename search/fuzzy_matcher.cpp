#include "search/fuzzy_matcher.h"

#include "search/fuzzy_dictionary.h"
#include "search/pattern_compiler.h"

namespace kc {

TFuzzyMatcher::TFuzzyMatcher() { FuzzyDictionary(); }

void TFuzzyMatcher::SetRegExp(const std::string& pattern) {
  try {
    Use(CompilePattern(pattern, useFuzzy_));
    regExp_ = pattern;
  } catch (const EPatternError&) {
    Use(CompiledPattern::Compile(""));
    regExp_.clear();
    throw;
  }
}

void TFuzzyMatcher::SetUseFuzzyDictionary(bool value) {
  // The same setting keeps the compiled pattern and the automaton states
  // it has built.
  if (value == useFuzzy_) return;
  useFuzzy_ = value;
  SetRegExp(regExp_);
}

std::size_t TFuzzyMatcher::Match(std::string_view text, std::size_t& length) {
  MatchResult r = Execute(text);
  length = r.length;
  return r.position;
}

}  // namespace kc
