#include "search/match_engine.h"

namespace kc {

TMatchEngine::TMatchEngine() { Use(EmptyPattern()); }

void TMatchEngine::Use(std::shared_ptr<CompiledPattern> compiled) {
  current_ = std::move(compiled);
  anchored_ = current_->UsesAnchors();
}

MatchResult TMatchEngine::MatchPlain(const std::string& text) { return Run(text, false); }

MatchResult TMatchEngine::MatchAnchored(const std::string& text) { return Run(text, true); }

MatchResult TMatchEngine::Run(const std::string& text, bool anchored) {
  CompiledPattern& cp = *current_;
  const std::size_t n = text.size();
  const CharCode separator = lineSeparator_ == lsCRLF ? '\r' : '\n';
  std::size_t s = 0;
  bool startsLine = true;  // s is at a line start
  while (true) {
    // Longest match starting at s: run the automaton while it lives and
    // remember the last accepting position.
    std::size_t best = npos;
    int state = cp.StartState();
    std::size_t p = s;
    bool lineStart = startsLine;
    while (true) {
      CharCode c = 0;
      std::size_t q = p;
      if (p < n) c = NextSjisChar(text, q);
      if (anchored) {
        unsigned flags = 0;
        if (lineStart) flags |= CompiledPattern::kAtLineStart;
        if (p >= n || c == separator) flags |= CompiledPattern::kAtLineEnd;
        state = cp.Context(state, flags);
      }
      if (cp.Accepting(state)) best = p;
      if (p >= n) break;
      state = cp.Step(state, c);
      if (state == CompiledPattern::kDead) break;
      lineStart = c == '\n';
      p = q;
    }
    if (best != npos) return MatchResult{s + 1, best - s};
    if (s >= n) break;
    CharCode c = NextSjisChar(text, s);
    startsLine = c == '\n';
  }
  return MatchResult{};
}

}  // namespace kc
