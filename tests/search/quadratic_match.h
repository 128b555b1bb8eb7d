// The straightforward matching routine, kept as the reference the engine is
// compared with: the forward automaton restarted at every character
// position, the first start with an accepting position winning with its
// last one. Quadratic in the text, so only for short texts.
#pragma once

#include <string_view>

#include "search/match_engine.h"

namespace kc::test {

inline MatchResult QuadraticMatch(CompiledPattern& cp, std::string_view text, TLineSeparator sep) {
  LazyDfa& dfa = cp.Forward();
  const bool anchored = cp.UsesAnchors();
  const std::size_t n = text.size();
  const CharCode separator = sep == lsCRLF ? '\r' : '\n';
  bool startsLine = true;
  for (std::size_t s = 0;;) {
    std::size_t best = npos;
    int state = dfa.StartState(false);
    bool lineStart = startsLine;
    for (std::size_t p = s;;) {
      CharCode c = 0;
      std::size_t q = p;
      if (p < n) c = NextSjisChar(text, q);
      if (anchored) {
        unsigned flags = 0;
        if (lineStart) flags |= CompiledPattern::kAtLineStart;
        if (p >= n || c == separator) flags |= CompiledPattern::kAtLineEnd;
        state = dfa.Context(state, flags);
      }
      if (dfa.Accepting(state)) best = p;
      if (p >= n) break;
      state = dfa.Step(state, c);
      if (state == CompiledPattern::kDead) break;
      lineStart = c == '\n';
      p = q;
    }
    if (best != npos) return MatchResult{s + 1, best - s};
    if (s >= n) return MatchResult{};
    startsLine = NextSjisChar(text, s) == '\n';
  }
}

}  // namespace kc::test
