#include "search/automaton.h"

#include <algorithm>

namespace kc {

namespace msg = pattern_messages;

// ---------------------------------------------------------------------------
// Character classes

void CharClassMap::Build(const std::vector<CharCode>& cuts) {
  count_ = cuts.size();
  pages_.clear();
  // cls is the class of the first code of the current page.
  std::size_t cls = 0;
  for (CharCode page = 0; page < 256; ++page) {
    CharCode first = page << 8, last = first + 255;
    while (cls + 1 < cuts.size() && cuts[cls + 1] <= first) ++cls;
    bool uniform = cls + 1 >= cuts.size() || cuts[cls + 1] > last;
    if (uniform) {
      top_[page] = kUniform | static_cast<std::uint32_t>(cls);
      continue;
    }
    top_[page] = static_cast<std::uint32_t>(pages_.size() / 256);
    std::size_t k = cls;
    for (CharCode c = first; c <= last; ++c) {
      while (k + 1 < cuts.size() && cuts[k + 1] <= c) ++k;
      pages_.push_back(static_cast<std::uint32_t>(k));
    }
    cls = k;
  }
}

// ---------------------------------------------------------------------------
// Parsing into the nondeterministic automaton

namespace {

using Ranges = std::vector<std::pair<CharCode, CharCode>>;

Ranges AnyCharRanges() { return {{1, 9}, {11, 12}, {14, kMaxAnyChar}}; }

Ranges Merged(Ranges r) {
  std::sort(r.begin(), r.end());
  Ranges out;
  for (const auto& x : r) {
    if (!out.empty() && x.first <= out.back().second + 1) {
      out.back().second = std::max(out.back().second, x.second);
    } else {
      out.push_back(x);
    }
  }
  return out;
}

// a minus b; both merged.
Ranges Minus(const Ranges& a, const Ranges& b) {
  Ranges out;
  for (auto [lo, hi] : a) {
    CharCode cur = lo;
    bool open = true;
    for (const auto& m : b) {
      if (m.second < cur || m.first > hi) continue;
      if (m.first > cur) out.push_back({cur, m.first - 1});
      if (m.second >= hi) {
        open = false;
        break;
      }
      cur = m.second + 1;
    }
    if (open) out.push_back({cur, hi});
  }
  return out;
}

}  // namespace

// Builds the automaton straight from the tokens. The grammar is the usual
// one (pattern = sequence {"|" sequence}; sequence = {factor}; factor =
// primary [postfix]); it is walked with an explicit stack of open groups, so
// deeply nested patterns cannot exhaust the call stack.
class PatternParser {
 public:
  explicit PatternParser(CompiledPattern& cp) : cp_(cp) {}

  void Run(const std::vector<PatternToken>& tokens) {
    frames_.emplace_back();
    std::size_t k = 0;
    while (true) {
      const PatternToken& t = tokens[k];
      switch (t.kind) {
        case TokenKind::Literal:
          Push(CharFrag({{t.code, t.code}}));
          k = Postfix(tokens, k + 1);
          break;
        case TokenKind::Any:
          Push(CharFrag(AnyCharRanges()));
          k = Postfix(tokens, k + 1);
          break;
        case TokenKind::Class:
        case TokenKind::NegClass:
          Push(ClassFrag(t));
          k = Postfix(tokens, k + 1);
          break;
        case TokenKind::LineStart:
        case TokenKind::LineEnd:
          Push(AnchorFrag(t));
          k = Postfix(tokens, k + 1);
          break;
        case TokenKind::LParen:
          frames_.emplace_back();
          ++k;
          break;
        case TokenKind::RParen: {
          if (frames_.size() == 1) throw EPatternError(msg::kTrailingTokens, t.end);
          Frag group = CloseFrame();
          frames_.pop_back();
          Push(group);
          k = Postfix(tokens, k + 1);
          break;
        }
        case TokenKind::Alt:
          EndSequence();
          ++k;
          break;
        case TokenKind::End: {
          if (frames_.size() > 1) throw EPatternError(msg::kNoRightParen, t.end);
          Frag whole = CloseFrame();
          cp_.nfa_.match = cp_.nfa_.Add(Nfa::Kind::Match);
          cp_.nfa_.nodes[static_cast<std::size_t>(whole.end)].outs.push_back(cp_.nfa_.match);
          cp_.nfa_.start = whole.start;
          return;
        }
        default:  // a postfix operator or "]" where a primary is needed
          throw EPatternError(msg::kPrimaryExpected, t.end);
      }
    }
  }

 private:
  // A piece of automaton with one way in (start) and one way out (end, an
  // Eps node whose outs are still open).
  struct Frag {
    int start;
    int end;
  };

  // A character class, or its complement, as one character step.
  Frag ClassFrag(const PatternToken& t) {
    Ranges members;
    for (const ClassItem& item : t.items) members.push_back({item.lo, item.hi});
    members = Merged(members);
    if (t.kind == TokenKind::NegClass) members = Minus(AnyCharRanges(), members);
    return CharFrag(members);
  }

  // "^" or "$": a node that tests the place, then the way out.
  Frag AnchorFrag(const PatternToken& t) {
    cp_.usesAnchors_ = true;
    int n = cp_.nfa_.Add(t.kind == TokenKind::LineStart ? Nfa::Kind::LineStart
                                                        : Nfa::Kind::LineEnd);
    int e = cp_.nfa_.Add(Nfa::Kind::Eps);
    cp_.nfa_.nodes[static_cast<std::size_t>(n)].outs.push_back(e);
    return {n, e};
  }
  struct Frame {
    std::vector<Frag> alternatives;
    std::vector<Frag> sequence;
  };

  std::vector<int>& Outs(int node) { return cp_.nfa_.nodes[static_cast<std::size_t>(node)].outs; }

  Frag CharFrag(Ranges ranges) {
    int n = cp_.nfa_.Add(Nfa::Kind::Char);
    int e = cp_.nfa_.Add(Nfa::Kind::Eps);
    cp_.nfa_.nodes[static_cast<std::size_t>(n)].ranges = std::move(ranges);
    Outs(n).push_back(e);
    return {n, e};
  }

  void Push(Frag f) { frames_.back().sequence.push_back(f); }

  std::size_t Postfix(const std::vector<PatternToken>& tokens, std::size_t k) {
    TokenKind kind = tokens[k].kind;
    if (kind != TokenKind::Star && kind != TokenKind::Plus && kind != TokenKind::Question) return k;
    Frag f = frames_.back().sequence.back();
    int e = cp_.nfa_.Add(Nfa::Kind::Eps);
    Frag r{};
    if (kind == TokenKind::Star) {
      int s = cp_.nfa_.Add(Nfa::Kind::Eps);
      Outs(s) = {f.start, e};
      Outs(f.end).push_back(s);
      r = {s, e};
    } else if (kind == TokenKind::Plus) {
      // The same language as x followed by x*, without copying x.
      Outs(f.end) = {f.start, e};
      r = {f.start, e};
    } else {
      int s = cp_.nfa_.Add(Nfa::Kind::Eps);
      Outs(s) = {f.start, e};
      Outs(f.end).push_back(e);
      r = {s, e};
    }
    frames_.back().sequence.back() = r;
    return k + 1;
  }

  void EndSequence() {
    Frame& fr = frames_.back();
    Frag seq{};
    if (fr.sequence.empty()) {
      int e = cp_.nfa_.Add(Nfa::Kind::Eps);
      seq = {e, e};
    } else {
      seq = fr.sequence.front();
      for (std::size_t i = 1; i < fr.sequence.size(); ++i) {
        Outs(seq.end).push_back(fr.sequence[i].start);
        seq.end = fr.sequence[i].end;
      }
    }
    fr.sequence.clear();
    fr.alternatives.push_back(seq);
  }

  Frag CloseFrame() {
    EndSequence();
    Frame& fr = frames_.back();
    if (fr.alternatives.size() == 1) return fr.alternatives.front();
    int s = cp_.nfa_.Add(Nfa::Kind::Eps);
    int e = cp_.nfa_.Add(Nfa::Kind::Eps);
    for (const Frag& a : fr.alternatives) {
      Outs(s).push_back(a.start);
      Outs(a.end).push_back(e);
    }
    return {s, e};
  }

  CompiledPattern& cp_;
  std::vector<Frame> frames_;
};

namespace {

// The mirror image of `f`: it reads texts backwards, from where f's matches
// end to where they begin. Every node of f becomes an Eps node at the same
// index; every symbol-taking node n of f (with its out o) becomes a node of
// the same kind from o's copy back to n's. Only the pattern's own nodes, the
// first `count`, are mirrored: the anywhere loop after them is not.
Nfa Reversed(const Nfa& f, std::size_t count) {
  Nfa r;
  r.nodes.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const Nfa::Node& n = f.nodes[i];
    int self = static_cast<int>(i);
    if (n.kind == Nfa::Kind::Eps) {
      for (int o : n.outs) r.nodes[static_cast<std::size_t>(o)].outs.push_back(self);
    } else if (n.kind != Nfa::Kind::Match) {
      int taker = r.Add(n.kind);
      r.nodes[static_cast<std::size_t>(taker)].ranges = n.ranges;
      r.nodes[static_cast<std::size_t>(taker)].outs.push_back(self);
      r.nodes[static_cast<std::size_t>(n.outs[0])].outs.push_back(taker);
    }
  }
  r.match = r.Add(Nfa::Kind::Match);
  r.nodes[static_cast<std::size_t>(f.start)].outs.push_back(r.match);
  r.start = f.match;
  return r;
}

}  // namespace

int Nfa::Add(Kind kind) {
  nodes.emplace_back();
  nodes.back().kind = kind;
  return static_cast<int>(nodes.size() - 1);
}

void Nfa::AddAnywhere(std::size_t classCount) {
  anywhere = Add(Kind::Eps);
  int any = Add(Kind::Char);
  nodes[static_cast<std::size_t>(any)].ranges = {{0, static_cast<CharCode>(classCount - 1)}};
  nodes[static_cast<std::size_t>(any)].outs = {anywhere};
  nodes[static_cast<std::size_t>(anywhere)].outs = {any, start};
}

std::unique_ptr<CompiledPattern> CompiledPattern::Compile(const std::string& pattern) {
  std::unique_ptr<CompiledPattern> cp(new CompiledPattern());
  PatternParser(*cp).Run(ScanPattern(pattern));
  Nfa nfa = std::move(cp->nfa_);
  cp->nfaSize_ = nfa.nodes.size();

  // Split the character sets into disjoint classes, then store each Char
  // node's set as class intervals.
  std::vector<CharCode> cuts{0};
  for (const Nfa::Node& n : nfa.nodes) {
    for (const auto& r : n.ranges) {
      cuts.push_back(r.first);
      if (r.second < 0xFFFF) cuts.push_back(r.second + 1);
    }
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  cp->classes_.Build(cuts);
  for (Nfa::Node& n : nfa.nodes) {
    for (auto& r : n.ranges) r = {cp->classes_.ClassOf(r.first), cp->classes_.ClassOf(r.second)};
  }

  nfa.AddAnywhere(cp->classes_.Count());
  cp->forward_.Init(std::move(nfa), &cp->classes_);
  cp->SetBudget(kDefaultBudget);
  return cp;
}

// Built when a text first matches: many compiled patterns never need it.
LazyDfa& CompiledPattern::Backward() {
  if (!backwardBuilt_) {
    Nfa back = Reversed(forward_.Automaton(), nfaSize_);
    back.AddAnywhere(classes_.Count());
    backward_.Init(std::move(back), &classes_);
    backwardBuilt_ = true;
  }
  return backward_;
}

void CompiledPattern::SetBudget(std::size_t bytes) {
  forward_.SetBudget(bytes - bytes / 2);
  backward_.SetBudget(bytes / 2);
}

DfaStats CompiledPattern::Stats() const {
  DfaStats sum;
  for (const LazyDfa* d : {&forward_, &backward_}) {
    const DfaStats& s = d->Stats();
    sum.states += s.states;
    sum.peakStates += s.peakStates;
    sum.created += s.created;
    sum.flushes += s.flushes;
    sum.bytes += s.bytes;
  }
  return sum;
}

// ---------------------------------------------------------------------------
// Lazy deterministic automaton

void LazyDfa::Init(Nfa nfa, const CharClassMap* classes) {
  nfa_ = std::move(nfa);
  classes_ = classes;
  stride_ = classes->Count() + 3;
  mark_.assign(nfa_.nodes.size(), 0);
}

std::size_t LazyDfa::SetHash::operator()(const NodeSet& s) const {
  std::size_t h = 1469598103934665603ull;
  for (int v : s) h = (h ^ static_cast<std::size_t>(v)) * 1099511628211ull;
  return h;
}

// Adds the non-Eps nodes reachable from `node` through Eps nodes (marked
// with the current generation) to out.
void LazyDfa::AddClosure(int node, NodeSet& out) {
  work_.clear();
  work_.push_back(node);
  while (!work_.empty()) {
    int n = work_.back();
    work_.pop_back();
    std::size_t un = static_cast<std::size_t>(n);
    if (mark_[un] == markGen_) continue;
    mark_[un] = markGen_;
    const Nfa::Node& nd = nfa_.nodes[un];
    if (nd.kind == Nfa::Kind::Eps) {
      for (auto it = nd.outs.rbegin(); it != nd.outs.rend(); ++it) work_.push_back(*it);
    } else {
      out.push_back(n);
    }
  }
}

LazyDfa::NodeSet LazyDfa::Closure(const NodeSet& seeds) {
  if (++markGen_ == 0) {
    std::fill(mark_.begin(), mark_.end(), 0);
    markGen_ = 1;
  }
  NodeSet out;
  for (int s : seeds) AddClosure(s, out);
  std::sort(out.begin(), out.end());
  return out;
}

std::size_t LazyDfa::StateCost(const NodeSet& set) const {
  // The state, its row and its set twice (in the state and as map key).
  return sizeof(NodeSet) + 1 + 64 + stride_ * sizeof(int) + 2 * set.size() * sizeof(int);
}

void LazyDfa::Flush() {
  sets_.clear();
  accepting_.clear();
  table_.clear();
  ids_.clear();
  start_[0] = start_[1] = kUnknown;
  stats_.states = 0;
  stats_.bytes = 0;
  ++stats_.flushes;
}

int LazyDfa::Intern(NodeSet&& set) {
  if (set.empty()) return kDead;
  auto it = ids_.find(set);
  if (it != ids_.end()) return it->second;
  std::size_t cost = StateCost(set);
  if (!sets_.empty() && stats_.bytes + cost > budget_) Flush();
  int id = static_cast<int>(sets_.size());
  accepting_.push_back(std::binary_search(set.begin(), set.end(), nfa_.match) ? 1 : 0);
  table_.resize(table_.size() + stride_, kUnknown);
  sets_.push_back(set);
  ids_.emplace(std::move(set), id);
  stats_.bytes += cost;
  stats_.states = sets_.size();
  stats_.peakStates = std::max(stats_.peakStates, stats_.states);
  ++stats_.created;
  return id;
}

int LazyDfa::StartState(bool anywhere) {
  int& start = start_[anywhere ? 1 : 0];
  if (start == kUnknown) {
    int id = Intern(Closure({anywhere ? nfa_.anywhere : nfa_.start}));  // may flush, clearing both
    start_[anywhere ? 1 : 0] = id;
  }
  return start_[anywhere ? 1 : 0];
}

int LazyDfa::Build(int state, std::uint32_t cls) {
  NodeSet seeds;
  for (int n : sets_[static_cast<std::size_t>(state)]) {
    const Nfa::Node& node = nfa_.nodes[static_cast<std::size_t>(n)];
    if (node.kind != Nfa::Kind::Char) continue;
    for (const auto& r : node.ranges) {
      if (cls >= r.first && cls <= r.second) {
        seeds.push_back(node.outs[0]);
        break;
      }
    }
  }
  std::size_t flushesBefore = stats_.flushes;
  int id = Intern(Closure(seeds));
  // After a flush `state` no longer exists; the new state stands alone.
  if (stats_.flushes == flushesBefore) table_[static_cast<std::size_t>(state) * stride_ + cls] = id;
  return id;
}

int LazyDfa::Context(int state, unsigned flags) {
  if (flags == 0) return state;
  std::size_t slot = static_cast<std::size_t>(state) * stride_ + classes_->Count() + flags - 1;
  int cached = table_[slot];
  if (cached != kUnknown) return cached;
  // Take the allowed anchor symbols until nothing new is reached.
  NodeSet set = sets_[static_cast<std::size_t>(state)];
  while (true) {
    NodeSet seeds = set;
    for (int n : set) {
      const Nfa::Node& node = nfa_.nodes[static_cast<std::size_t>(n)];
      if ((node.kind == Nfa::Kind::LineStart && (flags & CompiledPattern::kAtLineStart)) ||
          (node.kind == Nfa::Kind::LineEnd && (flags & CompiledPattern::kAtLineEnd))) {
        seeds.push_back(node.outs[0]);
      }
    }
    NodeSet grown = Closure(seeds);
    if (grown == set) break;
    set = std::move(grown);
  }
  std::size_t flushesBefore = stats_.flushes;
  int id = Intern(std::move(set));
  if (stats_.flushes == flushesBefore) table_[slot] = id;
  return id;
}

}  // namespace kc
