// A compiled pattern: the nondeterministic automaton of the pattern over
// disjoint character classes, with line start and line end as two extra
// input symbols, its mirror image for reading texts backwards, and the
// deterministic automata of both, built lazily while texts are matched. The
// deterministic states live in caches of bounded size that are emptied and
// rebuilt when they run over their budget, so that no pattern can make the
// search slow to a halt or use up memory; the states are a pure function of
// the pattern, so flushing never changes a result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "search/pattern_scanner.h"

namespace kc {

// Maps a character code to its class: codes in one class are in exactly the
// same character sets of the pattern.
class CharClassMap {
 public:
  // cuts: sorted, unique codes (each the first code of a class), cuts[0] == 0.
  void Build(const std::vector<CharCode>& cuts);
  std::uint32_t ClassOf(CharCode c) const {
    std::uint32_t t = top_[(c >> 8) & 0xFF];
    if (t & kUniform) return t & ~kUniform;
    return pages_[t * 256 + (c & 0xFF)];
  }
  std::size_t Count() const { return count_; }

 private:
  static constexpr std::uint32_t kUniform = 0x80000000u;
  std::uint32_t top_[256] = {};
  std::vector<std::uint32_t> pages_;
  std::size_t count_ = 0;
};

// Lazy deterministic automaton statistics (for tests and the developer).
struct DfaStats {
  std::size_t states = 0;      // states in the cache now
  std::size_t peakStates = 0;  // most states the cache ever held at once
  std::size_t created = 0;     // states built in all
  std::size_t flushes = 0;     // times the cache was emptied
  std::size_t bytes = 0;       // memory the cache accounts for now
};

// A nondeterministic automaton in node form: a Char node takes one character
// of its class intervals, a LineStart or LineEnd node its context symbol, an
// Eps node leads to any of its outs without input.
struct Nfa {
  enum class Kind : std::uint8_t { Char, LineStart, LineEnd, Eps, Match };
  struct Node {
    Kind kind = Kind::Eps;
    std::vector<int> outs;                               // Eps: any number; others: one
    std::vector<std::pair<CharCode, CharCode>> ranges;   // Char: codes, then classes
  };
  std::vector<Node> nodes;
  int start = 0;     // where a match begins
  int anywhere = 0;  // any characters, then start: a match may begin later
  int match = 0;

  int Add(Kind kind);
  // Adds the "anywhere" entry: a loop over all `classCount` classes before start.
  void AddAnywhere(std::size_t classCount);
};

// The deterministic automaton of an Nfa, built state by state as texts ask
// for it, in a cache of bounded size.
class LazyDfa {
 public:
  static constexpr int kDead = -1;

  void Init(Nfa nfa, const CharClassMap* classes);
  const Nfa& Automaton() const { return nfa_; }

  // A state id is valid until the next call of any of these, which may
  // flush the cache. anywhere: the state that lets a match begin at any
  // later position too.
  int StartState(bool anywhere);
  int Step(int state, CharCode c) {
    std::uint32_t cls = classes_->ClassOf(c);
    int cached = table_[static_cast<std::size_t>(state) * stride_ + cls];
    return cached != kUnknown ? cached : Build(state, cls);
  }
  // The state after taking the line-start and/or line-end symbol as often
  // as the automaton can at this position (flags: CompiledPattern::ContextFlags).
  int Context(int state, unsigned flags);
  bool Accepting(int state) const { return accepting_[static_cast<std::size_t>(state)] != 0; }

  void SetBudget(std::size_t bytes) { budget_ = bytes; }
  const DfaStats& Stats() const { return stats_; }

 private:
  static constexpr int kUnknown = -2;
  using NodeSet = std::vector<int>;  // sorted ids of non-Eps nodes
  struct SetHash {
    std::size_t operator()(const NodeSet& s) const;
  };

  int Build(int state, std::uint32_t cls);
  void AddClosure(int node, NodeSet& out);
  NodeSet Closure(const NodeSet& seeds);
  int Intern(NodeSet&& set);
  void Flush();
  std::size_t StateCost(const NodeSet& set) const;

  Nfa nfa_;
  const CharClassMap* classes_ = nullptr;
  // Per state: its node set, whether it accepts, and its row of the
  // transition table (stride_ entries: one per class, then the 3 context
  // entries; kUnknown until built), all rows in one array.
  std::vector<NodeSet> sets_;
  std::vector<std::uint8_t> accepting_;
  std::vector<int> table_;
  std::size_t stride_ = 0;
  std::unordered_map<NodeSet, int, SetHash> ids_;
  int start_[2] = {kUnknown, kUnknown};
  std::size_t budget_ = 0;
  DfaStats stats_;
  std::vector<std::uint32_t> mark_;
  std::uint32_t markGen_ = 0;
  std::vector<int> work_;
};

// A compiled pattern: the automaton of the pattern read forwards, which finds
// where matches end, and the automaton of the pattern read backwards, which
// finds where they begin.
class CompiledPattern {
 public:
  // Line context of a text position, for the anchored matching routine.
  enum ContextFlags : unsigned { kAtLineStart = 1, kAtLineEnd = 2 };
  static constexpr std::size_t kDefaultBudget = 1u << 20;  // bytes, both directions
  static constexpr int kDead = LazyDfa::kDead;

  // Throws EPatternError with positions in `pattern`.
  static std::unique_ptr<CompiledPattern> Compile(const std::string& pattern);

  bool UsesAnchors() const { return usesAnchors_; }
  std::size_t NfaSize() const { return nfaSize_; }

  // Start states, steps and context as in LazyDfa. The backward automaton
  // reads the text from its end: it accepts at a position where a match
  // begins, its anywhere state letting that match end at any later position;
  // it is built on first use.
  LazyDfa& Forward() { return forward_; }
  LazyDfa& Backward();

  // The cache budget, shared out between the two directions.
  void SetBudget(std::size_t bytes);
  // Both directions together.
  DfaStats Stats() const;

 private:
  friend class PatternParser;
  CompiledPattern() = default;

  Nfa nfa_;  // while parsing
  std::size_t nfaSize_ = 0;
  bool usesAnchors_ = false;
  CharClassMap classes_;
  LazyDfa forward_;
  LazyDfa backward_;
  bool backwardBuilt_ = false;
};

}  // namespace kc
