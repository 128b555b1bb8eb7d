// The three passes of a match over a text: the first end, the leftmost
// start read backwards, the longest end from that start.
#include "search/match_engine.h"

namespace kc {

TMatchEngine::TMatchEngine() { Use(CompiledPattern::Compile("")); }

void TMatchEngine::Use(std::unique_ptr<CompiledPattern> compiled) {
  current_ = std::move(compiled);
  anchored_ = current_->UsesAnchors();
}

MatchResult TMatchEngine::MatchPlain(std::string_view text) { return Run(text, false); }

MatchResult TMatchEngine::MatchAnchored(std::string_view text) { return Run(text, true); }

void TMatchEngine::MarkWide(std::size_t at, std::size_t textSize) {
  if (!wide_) {
    wideBits_.assign(textSize / 64 + 1, 0);
    wide_ = true;
  }
  wideBits_[at >> 6] |= std::uint64_t{1} << (at & 63);
}

// A match is a start s and an end e on character boundaries such that the
// pattern takes the characters between them, taking the line-start and
// line-end symbols at any position in [s, e] whose context has them. The
// context of a position depends on the text alone, so each pass can compute
// it where it stands.
MatchResult TMatchEngine::Run(std::string_view text, bool anchored) {
  wide_ = false;
  std::size_t end = FirstEnd(text, anchored);
  if (end == npos) return MatchResult{};
  // The rest of the text only needs its characters marked for the backward pass.
  for (std::size_t i = end; i < text.size();) {
    if (IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      MarkWide(i, text.size());
      i += 2;
    } else {
      ++i;
    }
  }
  // A match that ends at the start of the text starts there too.
  std::size_t start = end == 0 ? 0 : LeftmostStart(text, anchored);
  if (start == npos) return MatchResult{};  // cannot happen: a match exists
  std::size_t last = LongestEnd(text, start, anchored);
  if (last == npos) return MatchResult{};  // cannot happen either
  return MatchResult{start + 1, last - start};
}

// The end of the match that ends first (npos when nothing matches): the
// forward automaton that lets a match begin anywhere, up to its first
// accepting position. Marks the double-byte characters it passes.
std::size_t TMatchEngine::FirstEnd(std::string_view text, bool anchored) {
  LazyDfa& dfa = current_->Forward();
  const std::size_t n = text.size();
  int state = dfa.StartState(true);
  if (!anchored) {
    // The common case in its shortest loop.
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t p = 0;
    while (!dfa.Accepting(state)) {
      if (p >= n) return npos;
      CharCode c = t[p];
      if (IsSjisLeadByte(t[p]) && p + 1 < n) {
        MarkWide(p, n);
        c = c * 256u + t[p + 1];
        p += 2;
      } else {
        ++p;
      }
      state = dfa.Step(state, c);
    }
    return p;
  }
  const CharCode separator = lineSeparator_ == lsCRLF ? '\r' : '\n';
  bool lineStart = true;
  for (std::size_t p = 0;;) {
    CharCode c = 0;
    std::size_t q = p;
    if (p < n) {
      c = NextSjisChar(text, q);
      if (q - p == 2) MarkWide(p, n);
    }
    if (anchored) {
      unsigned flags = 0;
      if (lineStart) flags |= CompiledPattern::kAtLineStart;
      if (p >= n || c == separator) flags |= CompiledPattern::kAtLineEnd;
      state = dfa.Context(state, flags);
    }
    if (dfa.Accepting(state)) return p;
    if (p >= n) return npos;
    state = dfa.Step(state, c);
    lineStart = c == '\n';
    p = q;
  }
}

// The leftmost position where a match begins: the backward automaton, which
// lets a match end anywhere, read from the end of the text to its start.
// Characters are found through the marks, since a trail byte can look like a
// lead byte.
std::size_t TMatchEngine::LeftmostStart(std::string_view text, bool anchored) {
  LazyDfa& dfa = current_->Backward();
  const std::size_t n = text.size();
  const unsigned char separator = lineSeparator_ == lsCRLF ? '\r' : '\n';
  std::size_t found = npos;
  int state = dfa.StartState(true);
  for (std::size_t p = n;;) {
    // The character before p, as the forward reading splits the text.
    std::size_t prev = p;
    CharCode before = 0;
    if (p > 0) {
      if (p >= 2 && IsWide(p - 2)) {
        prev = p - 2;
        before = static_cast<unsigned char>(text[p - 2]) * 256u + static_cast<unsigned char>(text[p - 1]);
      } else {
        prev = p - 1;
        before = static_cast<unsigned char>(text[p - 1]);
      }
    }
    if (anchored) {
      unsigned flags = 0;
      if (p == 0 || before == '\n') flags |= CompiledPattern::kAtLineStart;
      if (p >= n || (!IsWide(p) && static_cast<unsigned char>(text[p]) == separator))
        flags |= CompiledPattern::kAtLineEnd;
      state = dfa.Context(state, flags);
    }
    if (dfa.Accepting(state)) found = p;
    if (p == 0) return found;
    state = dfa.Step(state, before);
    p = prev;
  }
}

// The last end of a match that begins at `start` (npos for none): the
// forward automaton from there while it lives.
std::size_t TMatchEngine::LongestEnd(std::string_view text, std::size_t start, bool anchored) {
  LazyDfa& dfa = current_->Forward();
  const std::size_t n = text.size();
  const CharCode separator = lineSeparator_ == lsCRLF ? '\r' : '\n';
  std::size_t best = npos;
  int state = dfa.StartState(false);
  bool lineStart =
      start == 0 || (text[start - 1] == '\n' && !(start >= 2 && IsWide(start - 2)));
  for (std::size_t p = start;;) {
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
    if (p >= n) return best;
    state = dfa.Step(state, c);
    if (state == CompiledPattern::kDead) return best;
    lineStart = c == '\n';
    p = q;
  }
}

}  // namespace kc
