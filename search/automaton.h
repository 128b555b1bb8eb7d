// A compiled pattern: the nondeterministic automaton of the pattern over
// disjoint character classes, with line start and line end as two extra
// input symbols, and a deterministic automaton built from it lazily while
// texts are matched. The deterministic states live in a cache of bounded
// size that is emptied and rebuilt when it runs over its budget, so that no
// pattern can make the search slow to a halt or use up memory; the states are
// a pure function of the pattern, so flushing never changes a result.
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

class CompiledPattern {
 public:
  // Line context of a text position, for the anchored matching routine.
  enum ContextFlags : unsigned { kAtLineStart = 1, kAtLineEnd = 2 };
  static constexpr std::size_t kDefaultBudget = 1u << 20;  // bytes
  static constexpr int kDead = -1;

  // Throws EPatternError with positions in `pattern`.
  static std::unique_ptr<CompiledPattern> Compile(const std::string& pattern);

  bool UsesAnchors() const { return usesAnchors_; }
  std::size_t NfaSize() const { return nodes_.size(); }
  std::size_t ClassCount() const { return classes_.Count(); }

  // The deterministic automaton, built on demand. A state id is valid until
  // the next call of any of these, which may flush the cache.
  int StartState();
  int Step(int state, CharCode c);
  // The state after taking the line-start and/or line-end symbol as often
  // as the pattern can at this position (flags: ContextFlags).
  int Context(int state, unsigned flags);
  bool Accepting(int state) const { return states_[static_cast<std::size_t>(state)].accepting; }

  void SetBudget(std::size_t bytes) { budget_ = bytes; }
  std::size_t Budget() const { return budget_; }
  const DfaStats& Stats() const { return stats_; }

 private:
  enum class NodeKind : std::uint8_t { Char, LineStart, LineEnd, Eps, Match };
  struct Node {
    NodeKind kind = NodeKind::Eps;
    std::vector<int> outs;                                    // Eps: any number; others: one
    std::vector<std::pair<CharCode, CharCode>> ranges;         // Char: codes, then classes
  };
  using NodeSet = std::vector<int>;  // sorted ids of non-Eps nodes
  struct SetHash {
    std::size_t operator()(const NodeSet& s) const;
  };
  struct State {
    NodeSet set;
    bool accepting = false;
    std::vector<int> next;  // per class, then 3 context entries; -2 unknown
  };
  friend class PatternParser;

  int NewNode(NodeKind kind);
  void AddClosure(int node, NodeSet& out);
  NodeSet Closure(const NodeSet& seeds);
  int Intern(NodeSet&& set);
  void Flush();
  std::size_t StateCost(const NodeSet& set) const;

  std::vector<Node> nodes_;
  int startNode_ = 0;
  int matchNode_ = 0;
  bool usesAnchors_ = false;
  CharClassMap classes_;

  // Lazy DFA cache.
  std::vector<State> states_;
  std::unordered_map<NodeSet, int, SetHash> ids_;
  int start_ = -2;
  std::size_t budget_ = kDefaultBudget;
  DfaStats stats_;
  std::vector<std::uint32_t> mark_;
  std::uint32_t markGen_ = 0;
  std::vector<int> work_;
};

}  // namespace kc
