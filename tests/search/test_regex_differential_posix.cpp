// Differential test against the C library's POSIX extended regular
// expressions, which also report the leftmost-longest match: over generated
// ASCII patterns and texts from the syntax both share, with the fuzzy
// dictionary off, position and length must agree.
#include <gtest/gtest.h>
#include <regex.h>

#include <random>
#include <string>

#include "search/fuzzy_matcher.h"

namespace {

class PatternGen {
 public:
  PatternGen(unsigned seed, bool anchors) : rng_(seed), anchors_(anchors) {}

  std::string Pattern() { return Alternation(kDepth); }

 private:
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

  std::string Alternation(int depth) {
    std::string s = Sequence(depth);
    while (Pick(4) == 0) s += "|" + Sequence(depth);
    return s;
  }
  std::string Sequence(int depth) {
    std::string s;
    int n = 1 + Pick(4);
    for (int i = 0; i < n; ++i) s += Factor(depth);
    return s;
  }
  // The C library mishandles anchors inside repeated groups (it lets
  // "b(^ab|a*)+" match "bab"), so anchors appear only outside groups.
  static constexpr int kDepth = 3;
  std::string Factor(int depth) {
    if (anchors_ && depth == kDepth && Pick(8) == 0) return Pick(2) ? "^" : "$";
    std::string a = Atom(depth);
    switch (Pick(8)) {
      case 0: return a + "*";
      case 1: return a + "+";
      case 2: return a + "?";
      default: return a;
    }
  }
  std::string Atom(int depth) {
    int k = Pick(12);
    if (k < 5) return std::string(1, "abc"[Pick(3)]);
    if (k == 5) return ".";
    if (k == 6) return "\\.";
    if (k == 7 || k == 8) return Class();
    if (depth > 0) return "(" + Alternation(depth - 1) + ")";
    return "a";
  }
  std::string Class() {
    std::string s = Pick(3) == 0 ? "[^" : "[";
    int n = 1 + Pick(3);
    for (int i = 0; i < n; ++i) {
      switch (Pick(5)) {
        case 0: s += "a-b"; break;
        case 1: s += "b-c"; break;
        case 2: s += "."; break;
        default: s += "abc"[Pick(3)]; break;
      }
    }
    if (Pick(6) == 0) s += "-";
    return s + "]";
  }

  std::mt19937 rng_;
  bool anchors_;
};

std::string Text(std::mt19937& rng, bool newlines) {
  const char* alphabet = newlines ? "abc.\n" : "abc.";
  std::size_t size = newlines ? 5 : 4;
  std::string t;
  int n = static_cast<int>(rng() % 13);
  for (int i = 0; i < n; ++i) t += alphabet[rng() % size];
  return t;
}

struct Outcome {
  std::size_t pos, len;
  bool operator==(const Outcome& o) const { return pos == o.pos && len == o.len; }
};
std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "(" << o.pos << "," << o.len << ")";
}

void Compare(unsigned seed, bool newlines, int patterns) {
  PatternGen gen(seed, true);
  std::mt19937 textRng(seed + 1);
  kc::TFuzzyMatcher ours;
  ours.SetLineSeparator(newlines ? kc::lsLF : kc::lsCRLF);
  int compared = 0, matched = 0;
  for (int i = 0; i < patterns; ++i) {
    std::string p = gen.Pattern();
    regex_t re;
    int flags = REG_EXTENDED | (newlines ? REG_NEWLINE : 0);
    ASSERT_EQ(regcomp(&re, p.c_str(), flags), 0) << p;
    ASSERT_NO_THROW(ours.SetRegExp(p)) << p;
    for (int j = 0; j < 12; ++j) {
      std::string t = Text(textRng, newlines);
      regmatch_t m[1];
      Outcome want{0, 0};
      if (regexec(&re, t.c_str(), 1, m, 0) == 0) {
        want = {static_cast<std::size_t>(m[0].rm_so) + 1,
                static_cast<std::size_t>(m[0].rm_eo - m[0].rm_so)};
        ++matched;
      }
      std::size_t len = 0;
      std::size_t pos = ours.Match(t, len);
      EXPECT_EQ((Outcome{pos, len}), want) << "pattern \"" << p << "\" text \"" << t << "\"";
      ++compared;
    }
    regfree(&re);
  }
  // Both outcomes must have been exercised often.
  EXPECT_GT(matched, compared / 5);
  EXPECT_LT(matched, compared * 4 / 5 + 1);
}

TEST(RegexDifferential, AgreesOnSingleLineTexts) { Compare(1, false, 3000); }

TEST(RegexDifferential, AgreesOnMultiLineTextsWithLfSeparator) { Compare(2, true, 3000); }

}  // namespace
