// The matching routines: the leftmost-longest match of the current compiled
// pattern in a Shift-JIS text.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "search/pattern_compiler.h"

namespace kc {

// Which character ends a line for "$": a CR (lsCRLF) or an LF (lsLF). A line
// starts at the start of the text and after every LF either way.
enum TLineSeparator { lsCRLF, lsLF };

struct MatchResult {
  std::size_t position = 0;  // 1-based byte position; 0 when there is none
  std::size_t length = 0;    // in bytes; an empty match has 0
};

class TMatchEngine : public TPatternCompiler {
 public:
  TMatchEngine();

  TLineSeparator LineSeparator() const { return lineSeparator_; }
  void SetLineSeparator(TLineSeparator value) { lineSeparator_ = value; }

  // The compiled pattern the routines use now.
  CompiledPattern& Current() { return *current_; }

  // Plain routine: for patterns without "^" or "$".
  MatchResult MatchPlain(const std::string& text);
  // Anchored routine: also feeds the automaton the line-start and line-end
  // symbols where the text has them.
  MatchResult MatchAnchored(const std::string& text);

 protected:
  // Makes `compiled` the current pattern and chooses its routine.
  void Use(std::shared_ptr<CompiledPattern> compiled);
  MatchResult Execute(const std::string& text) {
    return anchored_ ? MatchAnchored(text) : MatchPlain(text);
  }

 private:
  MatchResult Run(const std::string& text, bool anchored);

  std::shared_ptr<CompiledPattern> current_;
  bool anchored_ = false;
  TLineSeparator lineSeparator_ = lsCRLF;
};

}  // namespace kc
