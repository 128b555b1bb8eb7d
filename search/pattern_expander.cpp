#include "search/pattern_expander.h"

namespace kc {

namespace {

bool IsPatternMeta(CharCode c) {
  switch (c) {
    case '^': case '(': case '|': case ')': case '+': case '*':
    case '?': case '.': case '[': case ']': case '$': case '\\':
      return true;
    default:
      return false;
  }
}

std::vector<CharCode> Codes(const std::string& s) {
  std::vector<CharCode> codes;
  for (std::size_t i = 0; i < s.size();) codes.push_back(NextSjisChar(s, i));
  return codes;
}

// The text of s with every metacharacter taken literally; inside a class a
// "-" must be taken literally too.
std::string Escaped(const std::string& s, bool inClass) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t start = i;
    CharCode c = NextSjisChar(s, i);
    if (IsPatternMeta(c) || (inClass && c == '-')) out += '\\';
    out.append(s, start, i - start);
  }
  return out;
}

}  // namespace

std::size_t ExpandedPattern::SourcePosition(std::size_t outPos) const {
  for (const Piece& p : pieces) {
    if (outPos > p.outBegin && outPos <= p.outEnd) {
      return p.verbatim ? p.srcBegin + (outPos - p.outBegin) : p.srcEnd;
    }
  }
  return pieces.empty() ? outPos : pieces.back().srcEnd;
}

PatternExpander::PatternExpander(const CharDictionary& dictionary) {
  for (std::size_t g = 0; g < dictionary.size(); ++g) {
    std::string alternatives = "(";
    std::string members;
    for (std::size_t s = 0; s < dictionary[g].size(); ++s) {
      const std::string& str = dictionary[g][s];
      if (s > 0) alternatives += '|';
      alternatives += Escaped(str, false);
      std::vector<CharCode> codes = Codes(str);
      if (codes.empty()) continue;
      if (codes.size() == 1) {
        members += Escaped(str, true);
        singleGroup_.emplace(codes[0], g);  // keeps the first group
      }
      index_[codes[0]].push_back(Candidate{g, codes});
    }
    groupText_.push_back(alternatives + ")");
    classText_.push_back(members);
  }
}

void PatternExpander::AppendNegatedClass(const std::string& pattern, const PatternToken& t,
                                         std::string& out) const {
  // Each single member stands for the one-character members of its group;
  // ranges stay as typed. The class stays a class: no parentheses or bars
  // may leak into it.
  out += "[^";
  for (const ClassItem& item : t.items) {
    auto it = item.range ? singleGroup_.end() : singleGroup_.find(item.lo);
    if (it == singleGroup_.end()) {
      out.append(pattern, item.begin, item.end - item.begin);
    } else {
      out += classText_[it->second];
    }
  }
  out += ']';
}

ExpandedPattern PatternExpander::Expand(const std::string& pattern) const {
  ExpandedPattern r;
  std::vector<PatternToken> tokens = ScanPattern(pattern);
  std::string& out = r.text;
  auto addPiece = [&](std::size_t outBegin, std::size_t srcBegin, std::size_t srcEnd,
                      bool verbatim) {
    r.pieces.push_back({outBegin, out.size(), srcBegin, srcEnd, verbatim});
  };
  const std::size_t count = tokens.size() - 1;  // without End
  std::size_t k = 0;
  while (k < count) {
    const PatternToken& t = tokens[k];
    std::size_t outBegin = out.size();
    if (t.kind == TokenKind::NegClass) {
      AppendNegatedClass(pattern, t, out);
      addPiece(outBegin, t.begin, t.end, false);
      ++k;
      continue;
    }
    if (t.kind != TokenKind::Literal) {
      out.append(pattern, t.begin, t.end - t.begin);
      addPiece(outBegin, t.begin, t.end, true);
      ++k;
      continue;
    }
    std::size_t runEnd = k;
    while (runEnd < count && tokens[runEnd].kind == TokenKind::Literal) ++runEnd;
    while (k < runEnd) {
      outBegin = out.size();
      const Candidate* hit = nullptr;
      auto it = index_.find(tokens[k].code);
      if (it != index_.end()) {
        for (const Candidate& c : it->second) {
          if (c.codes.size() > runEnd - k) continue;
          bool same = true;
          for (std::size_t j = 1; j < c.codes.size() && same; ++j) {
            same = tokens[k + j].code == c.codes[j];
          }
          if (same) {
            hit = &c;
            break;
          }
        }
      }
      if (hit) {
        std::size_t last = k + hit->codes.size() - 1;
        out += groupText_[hit->group];
        addPiece(outBegin, tokens[k].begin, tokens[last].end, false);
        k = last + 1;
      } else {
        out.append(pattern, tokens[k].begin, tokens[k].end - tokens[k].begin);
        addPiece(outBegin, tokens[k].begin, tokens[k].end, true);
        ++k;
      }
    }
  }
  return r;
}

const PatternExpander& FuzzyExpander() {
  static const PatternExpander expander(FuzzyDictionary());
  return expander;
}

}  // namespace kc
