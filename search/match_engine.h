// The matching routines: the leftmost-longest match of the current compiled
// pattern in a Shift-JIS text, in time linear in the text: a forward pass
// tells whether anything matches, a backward pass finds the leftmost start
// and a forward pass from there the longest end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "search/automaton.h"
#include "search/pattern_scanner.h"

namespace kc {

// Which character ends a line for "$": a CR (lsCRLF) or an LF (lsLF). A line
// starts at the start of the text and after every LF either way.
enum TLineSeparator { lsCRLF, lsLF };

struct MatchResult {
  std::size_t position = 0;  // 1-based byte position; 0 when there is none
  std::size_t length = 0;    // in bytes; an empty match has 0
};

class TMatchEngine {
 public:
  TMatchEngine();

  TLineSeparator LineSeparator() const { return lineSeparator_; }
  void SetLineSeparator(TLineSeparator value) { lineSeparator_ = value; }

  // The compiled pattern the routines use now.
  CompiledPattern& Current() { return *current_; }

  // Plain routine: for patterns without "^" or "$".
  MatchResult MatchPlain(std::string_view text);
  // Anchored routine: also feeds the automaton the line-start and line-end
  // symbols where the text has them.
  MatchResult MatchAnchored(std::string_view text);

 protected:
  // Makes `compiled` the current pattern and chooses its routine.
  void Use(std::unique_ptr<CompiledPattern> compiled);
  MatchResult Execute(std::string_view text) {
    return anchored_ ? MatchAnchored(text) : MatchPlain(text);
  }

 private:
  MatchResult Run(std::string_view text, bool anchored);
  std::size_t FirstEnd(std::string_view text, bool anchored);
  std::size_t LeftmostStart(std::string_view text, bool anchored);
  std::size_t LongestEnd(std::string_view text, std::size_t start, bool anchored);
  // Double-byte characters of the text matched now, marked at their first
  // byte, so that the backward pass steps over whole characters; kept
  // between calls to save allocations. wide_ tells whether there are any.
  void MarkWide(std::size_t at, std::size_t textSize);
  bool IsWide(std::size_t at) const { return wide_ && ((wideBits_[at >> 6] >> (at & 63)) & 1u); }
  std::vector<std::uint64_t> wideBits_;
  bool wide_ = false;

  std::unique_ptr<CompiledPattern> current_;
  bool anchored_ = false;
  TLineSeparator lineSeparator_ = lsCRLF;
};

}  // namespace kc
