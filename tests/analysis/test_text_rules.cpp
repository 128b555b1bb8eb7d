// Page text to Shift-JIS, the dash and "&#x" rules (one pass against the
// looped definitions), the stop flags, and the title and summary marks.
#include "analysis/text_rules.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis/html_parser.h"
#include "analysis/reference_hex_rule.h"
#include "core/text.h"
#include "download/run_context.h"

namespace kc {
namespace {

// ------------------------------------------------------------------ decoding

TEST(DecodePageText, ConvertsToShiftJis) {
  struct {
    std::string utf8;
    std::string sjis;
  } cases[] = {
      {"", ""},
      {"abc 123", "abc 123"},
      {u8"ニュース７", "ニュース７"},
      {u8"漢字【新】", "漢字【新】"},
      // Minus sign and wave dash take the forms the host shows.
      {u8"\u2212", "―"},
      {u8"\u2015", "―"},
      {u8"\u301C", "～"},
      {u8"\uFF5E", "～"},
      {u8"×÷§", "×÷§"},
      // Beyond the basic plane: "?" and the rest survives.
      {u8"\U0001F195ドラマ", "?ドラマ"},
      {u8"a\U0001F21Eb\U0001F21Ec", "a?b?c"},
      // A surrogate half written as three bytes.
      {"a\xED\xA0\x80z", "a?z"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodePageText(c.utf8), c.sjis) << c.utf8;
}

TEST(DecodePageText, MalformedTextGivesNothing) {
  const std::string cases[] = {
      "\xA9 2010",                // a lone Latin-1 byte
      "caf\xE9",                  // the same at the end
      "ab\xC3",                   // cut off
      "ab\xE3\x81",               // cut off
      "\xF0\x9F\x86",             // cut off four-byte
      "\xE3\x41\x82",             // bad continuation
      "\xC3\xC3",                 // bad continuation
      "x\x80y",                   // stray continuation
      "\xF8\x88\x80\x80\x80",     // no such lead
      "\xFF",
  };
  for (const std::string& s : cases) EXPECT_EQ(DecodePageText(s), "") << s;
}

// A Latin-1 reference must not cost the whole title.
TEST(DecodePageText, LatinOneReferenceKeepsTheTitle) {
  THTMLText t;
  t.Parse("A&times;B");
  EXPECT_EQ(DecodePageText(t.Text), "A×B");
  t.Parse("A&copy;B");
  const std::string s = DecodePageText(t.Text);
  // © has no Shift-JIS form; how the system writes it may vary.
  ASSERT_FALSE(s.empty());
  EXPECT_EQ(s.front(), 'A');
  EXPECT_EQ(s.back(), 'B');
}

// ------------------------------------------------------------------ dashes

TEST(NormaliseText, DashRule) {
  struct {
    std::string utf8;
    std::string sjis;
  } cases[] = {
      {u8"カ―ド", "カード"},        // kana both sides
      {u8"ＡＢ―１", "ＡＢ－１"},    // full-width both sides
      {u8"3―4", "3-4"},             // ASCII both sides
      {u8"3\u22124", "3-4"},        // a minus sign is a dash too
      {u8"あ―", "あー"},           // only the left side is kana
      {u8"あ―x", "あーx"},
      {u8"―あ", "―あ"},            // no rule: stays
      {u8"―あ カ―ド", "―あ カ―ド"},  // and so does every later one
      {u8"ア―イ―ウ", "アーイーウ"},
      // The second dash sees the rewritten first one: its byte before is
      // the "[" (5B) of "ー", which is no kana.
      {u8"カ――ド", "カー―ド"},
      {u8"a―", "a―"},
      {u8"ab―", "ab―"},
      {u8"―", "―"},
      {u8"a―b―c", "a-b-c"},
      // Rule 3 compares single bytes, the trail of "カ" (4A) and "4", and
      // comes before the kana-on-the-left rule.
      {u8"カ―4", "カ-4"},
      {u8"漢―4", "漢―4"},
      // 82 81 5C: the bytes of "―" that start on a trail byte are no dash.
      {u8"カａ\\ド", "カａ\\ド"},
      {u8"ヶ―ぁ", "ヶーぁ"},
      {u8"ゝ―ゝ", "ゝ―ゝ"},  // just below the kana range
  };
  for (const auto& c : cases) EXPECT_EQ(NormaliseText(c.utf8), c.sjis) << c.utf8;
}

// The rule as written: find the first dash in the current text, judge it,
// replace it and look again from the start.
std::string ReferenceDashRule(std::string t) {
  auto in = [](const std::string& s, const std::string& lo, const std::string& hi) {
    return s >= lo && s <= hi;
  };
  while (true) {
    const std::size_t p = SjisFind(t, "―");
    if (p == npos) return t;
    const bool b2 = p >= 2, a2 = p + 4 <= t.size(), b1 = p >= 1, a1 = p + 3 <= t.size();
    const std::string B2 = b2 ? t.substr(p - 2, 2) : "", A2 = a2 ? t.substr(p + 2, 2) : "";
    const std::string B1 = b1 ? t.substr(p - 1, 1) : "", A1 = a1 ? t.substr(p + 2, 1) : "";
    const char* repl = nullptr;
    if (b2 && a2 && in(B2, "ぁ", "ヶ") && in(A2, "ぁ", "ヶ")) repl = "ー";
    else if (b2 && a2 && in(B2, "０", "ｚ") && in(A2, "０", "ｚ")) repl = "－";
    else if (b1 && a1 && in(B1, "0", "z") && in(A1, "0", "z")) repl = "-";
    else if (b2 && in(B2, "ぁ", "ヶ")) repl = "ー";
    if (!repl) return t;
    t.replace(p, 2, repl);
  }
}

TEST(NormaliseText, DashRuleMatchesTheLoopedDefinition) {
  const std::vector<std::string> alphabet = {
      u8"―", u8"―", u8"―", u8"カ", u8"ア", u8"ー", u8"０", u8"Ａ", u8"ｚ", "3", "a", "z", "{",
      " ", u8"漢", u8"ａ", "\\", u8"ぁ", u8"ヶ", u8"ヴ", u8"ｱ", u8"－", "0", "/",
  };
  std::mt19937 rng(11);
  for (int round = 0; round < 20000; ++round) {
    std::string s;
    const int n = static_cast<int>(rng() % 10);
    for (int i = 0; i < n; ++i) s += alphabet[rng() % alphabet.size()];
    ASSERT_EQ(NormaliseText(s), ReferenceDashRule(DecodePageText(s))) << s;
  }
}

// ------------------------------------------------------------------ "&#x"

TEST(NormaliseText, HexadecimalRule) {
  struct {
    std::string in;
    std::string out;
  } cases[] = {
      // Only two digits are read; the rest stays.
      {"&#x3042;", "\x30" "42;"},
      {"&#x41&#x41", "AA"},
      {"a&#x4", "a\x04"},
      {"a&#x", std::string("a\0", 2)},
      {"&#xZZ!", std::string("\0!", 2)},
      {"&#x6", "\x06"},
      // A produced "&" makes a new reference that is read in turn.
      {"&#x26#x41", "A"},
      // A produced lead byte joins the next byte into one character, so
      // the "&" after it starts no reference.
      {"&#x82&#x41", "\x82&#x41"},
      {"&#x82&#x82", "\x82\x82"},
      // A reference whose two bytes end inside a character: the scan goes
      // on from the character's second byte, which joins the "&" after it.
      {u8"&#x9や&#x9や", std::string("\0\xE2&#x9\x82\xE2", 8)},
      // All copies of the first reference go before the next one is read.
      {"&#x41&#x&#x41", "A\x0A"},
      {"x&#x41y", "xAy"},
      {u8"あ&#x41", "あA"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormaliseText(c.in), c.out) << c.in;
}

using test::ReferenceHexRule;

TEST(NormaliseText, HexadecimalRuleMatchesTheLoopedDefinition) {
  const std::vector<std::string> alphabet = {
      "&#x", "&#x", "&#x", "&", "#", "x", "4", "1", "2", "6", "8", "A", "f", "z", ";", " ", u8"あ",
      u8"ａ", "0",
  };
  std::mt19937 rng(5);
  for (int round = 0; round < 20000; ++round) {
    std::string s;
    const int n = static_cast<int>(rng() % 10);
    for (int i = 0; i < n; ++i) s += alphabet[rng() % alphabet.size()];
    ASSERT_EQ(NormaliseText(s), ReferenceHexRule(DecodePageText(s))) << s;
  }
}

TEST(NormaliseText, HexadecimalRuleIsBoundedOnPiecesThatRemakeTheirReference) {
  // Every pass makes the next "&#x26" from the "&" it produced: a pass per
  // repetition over the whole piece. Short pieces still get the whole rule;
  // a long one keeps the references the bounded walk did not reach.
  auto piece = [](std::size_t k) {
    std::string s = "&#x26";
    for (std::size_t i = 0; i < k; ++i) s += "#x26";
    return s;
  };
  EXPECT_EQ(NormaliseText(piece(100)), "&");
  EXPECT_EQ(NormaliseText(piece(100) + "&#x41"), "&A");
  const std::size_t k = 1 << 16;
  const std::string out = NormaliseText(piece(k));
  const std::size_t passes = (piece(k).size() - out.size()) / 4;
  EXPECT_GT(passes, 10u);
  EXPECT_LT(passes, k / 2);
  EXPECT_EQ(out, piece(k - passes));
}

TEST(NormaliseText, StopOrSkipEndsTheHexadecimalRule) {
  DownloadRunState state;
  const std::string in = u8"カ―ド&#x41";
  EXPECT_EQ(NormaliseText(in, FlagsOf(state)), "カードA");
  state.SkipRequested = true;
  EXPECT_EQ(NormaliseText(in, FlagsOf(state)), "カード&#x41");
  state.SkipRequested = false;
  state.StopRequested = true;
  EXPECT_EQ(NormaliseText(in, FlagsOf(state)), "カード&#x41");
  bool stop = false;
  StopFlags flags;
  flags.Stop = &stop;
  EXPECT_EQ(NormaliseText("&#x41", flags), "A");
  EXPECT_EQ(NormaliseText("&#x41", StopFlags{}), "A");
}

// ------------------------------------------------------------------ marks

TEST(ApplyTitleMarks, Cases) {
  struct {
    const char* title;
    const char* memo;
    const char* newTitle;
    const char* newMemo;
  } cases[] = {
      // Brackets of the title.
      {"(新)ドラマ[字]", "", "【新】ドラマ【文字】", ""},
      {"(字)", "", "【字】", ""},
      {"［特］（二）[終](再)", "", "【特】【二】【終】【再】", ""},
      // Brackets of the memo; its parentheses stay.
      {"x", "［字］[解](再)", "x", "【字】【解】(再)"},
      // Whole characters only: "ー" ends in "[", "‐" in "]", and "ａm",
      // "ａi" hold the bytes of "［" and "（" across two characters.
      {"ー‐ａmａi", "ー‐ａm", "ー‐ａmａi", "ー‐ａm"},
      // A leading time goes.
      {"05 ニュース", "m", "ニュース", "m"},
      {"23:30 ニュース", "m", "ニュース", "m"},
      {"ab ニュース", "", "ab ニュース", ""},
      {"-1 x", "", "-1 x", ""},
      {" 5 x", "", "x", ""},
      {"x1 ニュース", "", "x1 ニュース", ""},  // decimal only
      {"$A", "m", "$A", "m"},
      {"12:34ab", "", "12:34ab", ""},
      // A title that is only a time takes the memo's text.
      {"05", "ニュース詳細", "ニュース詳細", ""},
      {"23:30", "x", "x", ""},
      {"05", "", "", ""},
      {"-1", "m", "-1", "m"},
      // ... after the overrun mark was added, which moves with it.
      {"05", "最大延長21時30分まで", "最大延長21時30分まで【延長注意】", ""},
      {"x", "最大延長21時30分まで", "x", "最大延長21時30分まで【延長注意】"},
      {"x", "延長注意 最大延長", "x", "延長注意 最大延長"},
      // Marks move from the memo to the title.
      {"ドラマ", "【再】ドラマ", "ドラマ【再】", "ドラマ"},
      {"ドラマ", "【新】ドラマ", "【新】ドラマ", "ドラマ"},
      {"ドラマ", "[終]ドラマ【再】", "ドラマ【終】【再】", "ドラマ"},
      {"(新)ドラマ", "【新】x【新】", "【新】ドラマ", "x"},
      {"ドラマ(終)", "[終]", "ドラマ【終】", ""},
      {"ドラマ", "(新)", "ドラマ", "(新)"},
  };
  for (const auto& c : cases) {
    std::string title = c.title, memo = c.memo;
    ApplyTitleMarks(title, memo);
    EXPECT_EQ(title, c.newTitle) << c.title << " / " << c.memo;
    EXPECT_EQ(memo, c.newMemo) << c.title << " / " << c.memo;
  }
}

}  // namespace
}  // namespace kc
