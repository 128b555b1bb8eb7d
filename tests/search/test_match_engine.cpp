// The linear matching routine against the quadratic reference: random
// patterns with anchors, classes, groups and double-byte characters, with and
// without the fuzzy dictionary, over texts of Shift-JIS characters, stray
// lead bytes, CR and LF in both line modes, with an ample and a tiny state
// budget. Position and length must agree everywhere.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "search/fuzzy_matcher.h"
#include "tests/search/quadratic_match.h"

namespace {

struct Found {
  std::size_t pos, len;
  bool operator==(const Found& o) const { return pos == o.pos && len == o.len; }
};
std::ostream& operator<<(std::ostream& os, const Found& f) {
  return os << "(" << f.pos << "," << f.len << ")";
}

std::string Printable(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  std::string Pattern() {
    std::string p = Sequence(2);
    while (Pick(5) == 0) p += "|" + Sequence(2);
    return p;
  }

  // Characters whose trail byte is an ASCII character or a lead byte value
  // ("ア" 83 41, "ソ" 83 5C, "魅" 96 A3, "\x81\x81"), stray lead bytes and
  // line ends, so that a start found by reading backwards on the wrong
  // character boundary shows.
  std::string Text() {
    static const char* pieces[] = {"a", "b", "A", "\\", "あ", "ア", "ソ", "\x81\x81", "\x96\xA3",
                                   "\n", "\r", "\r\n", "\x81", "\xE0", "ｶ", "Ａ", "x"};
    std::string t;
    int n = Pick(24);
    for (int i = 0; i < n; ++i) t += pieces[Pick(sizeof pieces / sizeof *pieces)];
    return t;
  }

 private:
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

  std::string Sequence(int depth) {
    std::string s;
    int n = 1 + Pick(4);
    for (int i = 0; i < n; ++i) {
      std::string atom = Atom(depth);
      int post = Pick(7);
      if (atom != "^" && atom != "$" && post < 3) atom += "*+?"[post];
      s += atom;
    }
    return s;
  }
  std::string Atom(int depth) {
    static const char* atoms[] = {"a", "b", "A", "\\\\", "あ", "ア", "ソ", "x", ".", "[ab]",
                                  "[^a]", "[ぁ-ん]", "[^\\r]", "\\n", "\\r", "^", "$", "\\x81"};
    if (depth > 0 && Pick(6) == 0) {
      std::string g = "(" + Sequence(depth - 1);
      while (Pick(3) == 0) g += "|" + Sequence(depth - 1);
      return g + ")";
    }
    return atoms[Pick(sizeof atoms / sizeof *atoms)];
  }

  std::mt19937 rng_;
};

TEST(MatchEngine, LinearRoutineAgreesWithTheQuadraticReference) {
  Generator gen(2024);
  kc::TFuzzyMatcher m;
  int compared = 0, matched = 0, nonEmpty = 0, later = 0;
  for (int round = 0; round < 3000; ++round) {
    const std::string pattern = gen.Pattern();
    const bool fuzzy = round % 3 == 0;
    const bool tiny = round % 7 == 0;
    m.SetUseFuzzyDictionary(fuzzy);
    ASSERT_NO_THROW(m.SetRegExp(pattern)) << Printable(pattern);
    kc::CompiledPattern& cp = m.Current();
    if (tiny) cp.SetBudget(1);
    for (int j = 0; j < 8; ++j) {
      const std::string text = gen.Text();
      for (kc::TLineSeparator sep : {kc::lsCRLF, kc::lsLF}) {
        m.SetLineSeparator(sep);
        std::size_t len = 99;
        std::size_t pos = m.Match(text, len);
        kc::MatchResult want = kc::test::QuadraticMatch(cp, text, sep);
        ASSERT_EQ((Found{pos, len}), (Found{want.position, want.length}))
            << "pattern " << Printable(pattern) << " text " << Printable(text) << " fuzzy " << fuzzy
            << " lf " << (sep == kc::lsLF);
        ++compared;
        matched += pos > 0;
        nonEmpty += len > 0;
        later += pos > 1;
      }
    }
  }
  // The cases must not be dominated by misses or by empty matches at 1.
  EXPECT_GT(matched, compared / 4);
  EXPECT_GT(nonEmpty, compared / 5);
  EXPECT_GT(later, compared / 10);
}

}  // namespace
