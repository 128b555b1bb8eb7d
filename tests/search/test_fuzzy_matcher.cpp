// The pattern matcher: leftmost-longest positions, anchors and line
// separators, the fuzzy rewriting, pattern errors and the bounded
// automaton cache.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "search/fuzzy_matcher.h"
#include "search/pattern_compiler.h"

namespace {

using kc::EPatternError;
using kc::TFuzzyMatcher;
namespace msg = kc::pattern_messages;

struct Found {
  std::size_t pos, len;
  bool operator==(const Found& o) const { return pos == o.pos && len == o.len; }
};
std::ostream& operator<<(std::ostream& os, const Found& f) {
  return os << "(" << f.pos << "," << f.len << ")";
}

Found Find(TFuzzyMatcher& m, const std::string& text) {
  std::size_t len = 99;
  std::size_t pos = m.Match(text, len);
  return {pos, len};
}

struct Case {
  const char* pattern;
  std::string text;
  Found want;
};

void RunCases(const std::vector<Case>& cases, bool fuzzy, kc::TLineSeparator sep = kc::lsCRLF) {
  TFuzzyMatcher m;
  m.SetUseFuzzyDictionary(fuzzy);
  m.SetLineSeparator(sep);
  for (const Case& c : cases) {
    m.SetRegExp(c.pattern);
    EXPECT_EQ(Find(m, c.text), c.want) << "pattern " << c.pattern << " text " << c.text;
  }
}

TEST(FuzzyMatcher, PlainPatternsGiveLeftmostLongest) {
  RunCases(
      {
          // position and length
          {"abc", "xxabcabc", {3, 3}},
          {"abc", "ab", {0, 0}},
          {"", "abc", {1, 0}},
          {"", "", {1, 0}},
          {"a*", "baaa", {1, 0}},
          {"a*", "", {1, 0}},
          {"a+", "baaa", {2, 3}},
          {"a?b", "xab", {2, 2}},
          {"(a|ab)(c|bcd)", "abcd", {1, 4}},
          {"x(ab)*", "xababa", {1, 5}},
          {"(a|b)*c", "ababd abc", {7, 3}},
          {"()", "q", {1, 0}},
          {"a||b", "b", {1, 1}},
          // "." and classes never take NUL, LF or CR
          {".", "\r", {0, 0}},
          {".", "\n", {0, 0}},
          {".", std::string(1, '\0'), {0, 0}},
          {"a.c", "a\tc", {1, 3}},
          {"[^a]", "\n", {0, 0}},
          {"[^a]", "ab", {2, 1}},
          {"[a-c]+", "xxcab", {3, 3}},
          {"[a-]+", "-a-b", {1, 3}},
          {"[-a]", "-", {1, 1}},
          // double-byte characters are single characters
          {".", "あい", {1, 2}},
          {"あ.う", "xあいう", {2, 6}},
          {"[ぁ-ん]+", "カナとかな", {5, 6}},
          {"[^ア]", "アイ", {3, 2}},
          {"い+", "ああいいい", {5, 6}},
          // a match never starts on a trail byte
          {"\\\\", "ソ\\", {3, 1}},  // ソ is 0x83 0x5C
          {"[@-~]", "ア", {0, 0}},
          {"A", "アA", {3, 1}},       // ア is 0x83 0x41
          // escapes
          {"\\t", "a\tb", {2, 1}},
          {"\\x41", "zA", {2, 1}},
          {"\\101", "zA", {2, 1}},
          {"\\x82a0", "zあ", {2, 2}},
          {"\\b", "\b", {1, 1}},
          {"\\0", std::string("a\0", 2), {2, 1}},
          {"\\n\\r", "x\n\r", {2, 2}},
          {"\\x00414", "A4", {1, 2}},  // a fifth digit is a character
          {"\\.", "a.", {2, 1}},
          {"[\\]]", "]", {1, 1}},
          // a lone lead byte at the end of a text is a character
          {".", "\x81", {1, 1}},
          {"\\x81", "a\x81", {2, 1}},
      },
      false);
}

TEST(FuzzyMatcher, AnchorsFollowLinesAndTheSeparator) {
  RunCases(
      {
          {"^abc", "abc", {1, 3}},
          {"^abc", "xabc", {0, 0}},
          {"^abc", "x\nabc", {3, 3}},
          {"^abc", "x\rabc", {0, 0}},
          {"abc$", "abc", {1, 3}},
          {"abc$", "abc\r\n", {1, 3}},
          {"abc$", "abc\n", {0, 0}},  // with CR ending a line, a bare LF does not
          {"abc$", "abcd", {0, 0}},
          {"$", "abc", {4, 0}},
          {"^", "abc", {1, 0}},
          {"^$", "", {1, 0}},
          {"^$", "ab\r\n\r\n", {5, 0}},
          {"x|^a", "ba", {0, 0}},
          {"x|^a", "ab", {1, 1}},
          {"^a|b$", "cab", {3, 1}},
          {"(^a)*b", "ab", {1, 2}},
          {"a\\r\\n^b", "a\r\nb", {1, 4}},
          {"^あ", "い\nあ", {4, 2}},
          {"^.*$", "abc\r\ndef", {1, 3}},
      },
      false, kc::lsCRLF);
  RunCases(
      {
          {"abc$", "abc\n", {1, 3}},
          {"abc$", "abc\r\n", {0, 0}},
          {"^$", "a\n\nb", {3, 0}},
          {"^b", "a\nb", {3, 1}},
          {"^.*$", "abc\ndef", {1, 3}},
          {"c$\\n^d", "abc\ndef", {3, 3}},
      },
      false, kc::lsLF);
}

TEST(FuzzyMatcher, FuzzyDictionaryMakesFormsEqual) {
  RunCases(
      {
          // letters, kana and digits in all their forms
          {"a", "Ａ", {1, 2}},
          {"a", "ａ", {1, 2}},
          {"a", "A", {1, 1}},
          {"a", "a", {1, 1}},
          {"Ａ", "xa", {2, 1}},
          {"か", "カ", {1, 2}},
          {"か", "ｶ", {1, 1}},
          {"が", "ｶﾞ", {1, 2}},
          {"が", "か゛", {1, 4}},
          {"1", "一", {1, 2}},
          {"1", "①", {1, 2}},
          {"1", "Ⅰ", {1, 2}},
          {"1", "壱", {1, 2}},
          {"ﾁｬﾝﾈﾙ", "ちゃんねる", {1, 10}},
          {"NHK", "ｎｈｋ", {1, 6}},
          // "ｶﾞ" is one unit; "ｶ" before another character is か
          {"ｶﾞ", "ガ", {1, 2}},
          {"ｶﾞ", "が", {1, 2}},
          {"ｶｷ", "かき", {1, 4}},
          {"ｶ", "ガ", {0, 0}},
          {"ぶ", "ヴ", {1, 2}},
          {"ば", "ｳﾞｧ", {1, 3}},
          {"じ", "ぢ", {1, 2}},
          // "ー" and "-" are different groups
          {"ー", "～", {1, 2}},
          {"ー", "―", {1, 2}},
          {"ー", "ｰ", {1, 1}},
          {"ー", "-", {0, 0}},
          {"-", "ー", {1, 2}},
          {"-", "－", {1, 2}},
          // unlisted characters and plain classes stay as typed
          {"番", "番組", {1, 2}},
          {"番", "香", {0, 0}},
          {"[a]", "Ａ", {0, 0}},
          {"[a]", "a", {1, 1}},
          // metacharacters keep working, escaped ones are expanded
          {"a.c", "ＡｘＣ", {1, 6}},
          {"\\(", "（", {1, 2}},
          {"\\.", "。", {1, 2}},
          {"x*", "ｘｘ", {1, 4}},
          {"(tv|ｂｓ)1", "ＢＳ１", {1, 6}},
          {"^ｎ", "NHK", {1, 1}},
          {"ｋ$", "NHK", {3, 1}},
          {"", "abc", {1, 0}},
          // negated classes exclude every form, and nothing else
          {"[^a]", "Ａa(", {4, 1}},
          {"[^a]", "|", {1, 1}},
          {"[^a-c]", "bd", {2, 1}},
          {"[^-]", "ー－x", {5, 1}},
      },
      true);
}

TEST(FuzzyMatcher, FuzzyOffMatchesOnlyWhatIsTyped) {
  TFuzzyMatcher m;
  m.SetUseFuzzyDictionary(true);
  m.SetRegExp("a");
  EXPECT_EQ(Find(m, "Ａ"), (Found{1, 2}));
  m.SetUseFuzzyDictionary(false);  // takes effect at once
  EXPECT_EQ(m.RegExp(), "a");
  EXPECT_EQ(Find(m, "Ａ"), (Found{0, 0}));
  EXPECT_EQ(Find(m, "xa"), (Found{2, 1}));
}

TEST(FuzzyMatcher, FuzzyRewritingEscapesTheGroupStrings) {
  EXPECT_EQ(kc::RewritePattern("a", true), "(Ａ|ａ|A|a)");
  EXPECT_EQ(kc::RewritePattern("ｶﾞ", true), "(が|ガ|ｶﾞ|か゛|カ゛)");
  EXPECT_EQ(kc::RewritePattern("*", true), "*");
  EXPECT_EQ(kc::RewritePattern("\\*", true), "(\\*|＊)");
  EXPECT_EQ(kc::RewritePattern("\\\\", true), "(\\\\|￥)");
  EXPECT_EQ(kc::RewritePattern("\\x94d4", true), "\\x94d4");  // 番, in no group
  EXPECT_EQ(kc::RewritePattern("[ab]c", true), "[ab](Ｃ|ｃ|C|c)");
  EXPECT_EQ(kc::RewritePattern("[^a]", true), "[^ＡａAa]");
  EXPECT_EQ(kc::RewritePattern("[^a-c]", true), "[^a-c]");
  EXPECT_EQ(kc::RewritePattern("[^-]", true), "[^\\-ー－～ｰ―]");
  EXPECT_EQ(kc::RewritePattern("a", false), "a");
}

// --- pattern errors ---------------------------------------------------------

struct ErrorCase {
  std::string pattern;
  const char* message;
  std::size_t position;
};

TEST(FuzzyMatcher, PatternErrorsCarryMessageAndPosition) {
  const std::vector<ErrorCase> cases = {
      {"a\x82", msg::kBadDoubleByte, 2},
      {"[a\x82", msg::kBadDoubleByte, 3},
      {"ab\\", msg::kBackslashAtEnd, 3},
      {"\\xg", msg::kBadHex, 2},
      {"\\x", msg::kBadHex, 2},
      {"\\777777", msg::kBadOctal, 7},
      {"[abc", msg::kNoRightBracket, 4},
      {"[^", msg::kNoRightBracket, 2},
      {"[a-", msg::kNoRightBracket, 3},
      {"[z-a]", msg::kBadRange, 4},
      {"[い-あ]", msg::kBadRange, 6},
      {"[]", msg::kEmptyClass, 2},
      {"[^]", msg::kEmptyClass, 3},
      {"(a", msg::kNoRightParen, 2},
      {"((a)", msg::kNoRightParen, 4},
      {"a**", msg::kPrimaryExpected, 3},
      {"a+?", msg::kPrimaryExpected, 3},
      {"*a", msg::kPrimaryExpected, 1},
      {"a|+", msg::kPrimaryExpected, 3},
      {"(*)", msg::kPrimaryExpected, 2},
      {"]", msg::kPrimaryExpected, 1},
      {"a)", msg::kTrailingTokens, 2},
      {"(a))b", msg::kTrailingTokens, 4},
  };
  for (bool fuzzy : {false, true}) {
    TFuzzyMatcher m;
    m.SetUseFuzzyDictionary(fuzzy);
    for (const ErrorCase& c : cases) {
      m.SetRegExp("abc");
      try {
        m.SetRegExp(c.pattern);
        ADD_FAILURE() << "no error for " << c.pattern;
      } catch (const EPatternError& e) {
        EXPECT_STREQ(e.what(), c.message) << c.pattern;
        EXPECT_EQ(e.Position(), c.position) << c.pattern << " fuzzy " << fuzzy;
      }
      // The matcher is left with the empty pattern.
      EXPECT_EQ(m.RegExp(), "");
      EXPECT_EQ(Find(m, "zzz"), (Found{1, 0}));
    }
  }
}

TEST(FuzzyMatcher, ErrorTextsAreTheProgramsOwn) {
  // Spot checks of the exact Shift-JIS bytes.
  EXPECT_EQ(std::string(msg::kNoRightParen), "\x89\x45(\x95\xc2\x82\xb6)\x8a\x87\x8c\xca\x82\xaa\x95\x4b\x97\x76\x82\xc5\x82\xb7");
  EXPECT_EQ(std::string(msg::kBackslashAtEnd).substr(0, 3), "\"\\\"");
  EXPECT_EQ(std::string(msg::kNoRightBracket).find("\"]\""), 12u);
  EXPECT_EQ(std::string(msg::kPrimaryExpected).find("\"(\""), 24u);
}

// --- bounded automata -------------------------------------------------------

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

TEST(FuzzyMatcher, PathologicalPatternStaysWithinItsStateBudget) {
  // A full deterministic automaton of this pattern has over two million
  // states; the lazy one keeps at most what its budget allows.
  const std::string pattern = "(a|b)*a" + Repeat("(a|b)", 20);
  std::mt19937 rng(7);
  std::string text;
  for (int i = 0; i < 3000; ++i) text += (rng() % 2) ? 'a' : 'b';
  std::size_t lastA = text.rfind('a', text.size() - 21);
  ASSERT_NE(lastA, std::string::npos);

  TFuzzyMatcher m;
  m.SetRegExp(pattern);
  kc::CompiledPattern& cp = m.Current();
  EXPECT_LT(cp.NfaSize(), 400u);
  cp.SetBudget(64 * 1024);
  EXPECT_EQ(Find(m, text), (Found{1, lastA + 21}));
  const kc::DfaStats& st = cp.Stats();
  EXPECT_GT(st.flushes, 0u);
  EXPECT_GT(st.created, 3000u);
  EXPECT_LE(st.bytes, 64u * 1024);
  EXPECT_LT(st.peakStates, 1000u);
}

TEST(FuzzyMatcher, NestingAndRepetitionDoNotBlowUp) {
  TFuzzyMatcher m;
  // Deep nesting is parsed without deep recursion.
  m.SetRegExp(Repeat("(", 20000) + "a" + Repeat(")", 20000));
  EXPECT_EQ(Find(m, "xa"), (Found{2, 1}));
  // Nested "+" does not copy its operand.
  m.SetRegExp(Repeat("(", 30) + "ab" + Repeat(")+", 30));
  EXPECT_LT(m.Current().NfaSize(), 300u);
  EXPECT_EQ(Find(m, "xababab"), (Found{2, 6}));
  // Nested stars of optional pieces.
  m.SetRegExp(Repeat("(a?", 50) + Repeat(")*", 50) + "b");
  EXPECT_EQ(Find(m, "aaab"), (Found{1, 4}));
}

TEST(FuzzyMatcher, SmallStateBudgetGivesTheSameResults) {
  // Random patterns over a small alphabet, each matched with an ample and
  // with a tiny state budget against the same texts.
  std::mt19937 rng(11);
  const char* atoms[] = {"a", "b", "あ", ".", "[ab]", "[^b]", "(a|b)", "(あ|b)*", "^", "$", "\\n"};
  for (int round = 0; round < 200; ++round) {
    std::string pattern;
    int len = 1 + static_cast<int>(rng() % 12);
    for (int i = 0; i < len; ++i) {
      std::string atom = atoms[rng() % (sizeof atoms / sizeof *atoms)];
      pattern += atom;
      if (atom.back() != '*' && rng() % 4 == 0) pattern += "*";
    }
    std::string text;
    int tl = static_cast<int>(rng() % 40);
    for (int i = 0; i < tl; ++i) {
      const char* pieces[] = {"a", "b", "あ", "\n", "\r"};
      text += pieces[rng() % 5];
    }
    TFuzzyMatcher big, tiny;
    big.SetRegExp(pattern);
    tiny.SetRegExp(pattern);
    tiny.Current().SetBudget(1);
    for (auto sep : {kc::lsCRLF, kc::lsLF}) {
      big.SetLineSeparator(sep);
      tiny.SetLineSeparator(sep);
      EXPECT_EQ(Find(tiny, text), Find(big, text)) << pattern;
    }
  }
}

}  // namespace
