// The page tokenizer: tags and their parameters, text pieces and their
// character references, the element stream over lines, the yield after each
// byte, and loading a page file into lines.
#include "analysis/html_parser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/error.h"
#include "support/test_support.h"

namespace kc {
namespace {

std::string Dump(const THTMLElement& e) {
  if (const THTMLTag* t = AsTag(&e)) {
    std::string s = "T:" + t->Name;
    for (const THTMLParam& p : t->Params) s += "|" + p.Name + "=" + p.Value;
    return s;
  }
  return "X:" + AsText(&e)->Text;
}

std::vector<std::string> Tokenize(const StringList& lines) {
  THTMLParser parser;
  parser.Lines = lines;
  parser.Execute();
  std::vector<std::string> out;
  for (const auto& e : parser.Elements) out.push_back(Dump(*e));
  return out;
}

// ------------------------------------------------------------------ tags

TEST(HtmlTag, NamesAndParameters) {
  struct Case {
    const char* raw;
    const char* name;
    std::vector<std::pair<std::string, std::string>> params;
  } cases[] = {
      {"div class=\"cell genre-100000\" style=\"height: 57px\"", "DIV",
       {{"CLASS", "cell genre-100000"}, {"STYLE", "height: 57px"}}},
      {"/div", "/DIV", {}},
      {"!-- note --", "!--", {{"NOTE", ""}, {"--", ""}}},
      // Single quotes get no treatment: the blank inside them separates.
      {"a href='x y'", "A", {{"HREF", "'x"}, {"Y'", ""}}},
      {"", "", {}},
      // Runs of blanks give empty pieces, which are skipped.
      {"td   colspan=2  ", "TD", {{"COLSPAN", "2"}}},
      // Only the blank separates: a tab stays in the name.
      {"br\tclear=all", "BR\tCLEAR=ALL", {}},
      // Only the first "=" splits; one pair of enclosing quotes goes.
      {"a href=\"x=1&y=\"\"2\"\"\"", "A", {{"HREF", "x=1&y=\"\"2\"\""}}},
      {"img alt=\"\"", "IMG", {{"ALT", ""}}},
      {"img alt=\"", "IMG", {{"ALT", "\""}}},
      {"span title=\"a b\"c d", "SPAN", {{"TITLE", "\"a b\"c"}, {"D", ""}}},
      // An unbalanced quote keeps the rest of the tag in one parameter.
      {"p x=\"a b c", "P", {{"X", "\"a b c"}}},
      // Upper-casing touches ASCII letters only.
      {u8"h1 データ=é", u8"H1", {{u8"データ", u8"é"}}},
      {" lead", "", {{"LEAD", ""}}},
  };
  for (const Case& c : cases) {
    THTMLTag t;
    t.Parse(c.raw);
    EXPECT_EQ(t.Raw, c.raw);
    EXPECT_EQ(t.Name, c.name) << c.raw;
    ASSERT_EQ(t.Params.size(), c.params.size()) << c.raw;
    for (std::size_t i = 0; i < c.params.size(); ++i) {
      EXPECT_EQ(t.Params[i].Name, c.params[i].first) << c.raw;
      EXPECT_EQ(t.Params[i].Value, c.params[i].second) << c.raw;
    }
  }
}

TEST(HtmlTag, ParamRawKeepsQuotesAndParseReplacesOldParams) {
  THTMLTag t;
  t.Parse("div class=\"a b\" id=x");
  ASSERT_EQ(t.Params.size(), 2u);
  EXPECT_EQ(t.Params[0].Raw, "class=\"a b\"");
  EXPECT_EQ(t.FindParam("ID")->Value, "x");
  EXPECT_EQ(t.FindParam("id"), nullptr);
  t.Parse("br");
  EXPECT_EQ(t.Name, "BR");
  EXPECT_TRUE(t.Params.empty());
}

// ------------------------------------------------------------------ text

TEST(HtmlText, ReferencesBlanksAndLineBreaks) {
  struct {
    const char* raw;
    const char* text;
  } cases[] = {
      // One level only: the "&" from "&amp;" starts no new reference.
      {"&amp;lt;", "&lt;"},
      {"&amp;amp;", "&amp;"},
      {"&#65;", "A"},
      {"&#x41;", "A"},
      {"&#X41;", "A"},
      {"&#1234;", "&#1234;"},
      {"&#x2014;", "&#x2014;"},
      {"&#x041;", "&#x041;"},
      {"a&nbsp;b", "a b"},
      {"&#9;", " "},
      {"&#0;", " "},
      {"&#160;", " "},
      {"&#127;", "\x7F"},
      {"AT&T rules", "AT&T rules"},
      // A blank terminator is consumed with the reference.
      {"&#65 B", "AB"},
      {"&quot;x&quot;", "\"x\""},
      {"&gt;&lt;", "><"},
      // Unknown names, wrong case, no terminator, no digits, out of range.
      {"&bogus; &Amp;", "&bogus; &Amp;"},
      {"&amp", "&amp"},
      {"&#;", "&#;"},
      {"&#x;", "&#x;"},
      {"&#999;", "&#999;"},
      {"&#-1;", "&#-1;"},
      {"&#6a;", "&#6a;"},
      // A second "&" before the terminator starts over there.
      {"&&amp;", "&&"},
      {"&x&#66;", "&xB"},
      // A produced ";" or blank terminates nothing.
      {"&#59;&#65;", ";A"},
      // Line breaks become blanks; blank runs shrink, ends stay.
      {"  a\n\n b  ", " a b "},
      {"a\t\tb\r", "a\t\tb\r"},
      {"", ""},
      // Decoded blanks come after the collapsing and stay.
      {"a &nbsp; b", "a   b"},
  };
  for (const auto& c : cases) {
    THTMLText t;
    t.Parse(c.raw);
    EXPECT_EQ(t.Raw, c.raw);
    EXPECT_EQ(t.Text, c.text) << c.raw;
  }
}

// Pages are UTF-8, so a Latin-1 reference must not leave a lone byte
// 0x80-0xFF behind: that would make the page text decoder drop the whole
// piece, and with it the title.
TEST(HtmlText, LatinOneReferencesBecomeUtf8) {
  struct {
    const char* raw;
    const char* text;
  } cases[] = {
      {"&copy; 2010", u8"© 2010"},
      {"caf&eacute;", u8"café"},
      {"&#233;&#xE9;&#xe9;", u8"ééé"},
      {"&times;&divide;", u8"×÷"},
      {"&yuml;&#128;", u8"ÿ\u0080"},
      {"&iexcl;", u8"¡"},
  };
  for (const auto& c : cases) {
    THTMLText t;
    t.Parse(c.raw);
    EXPECT_EQ(t.Text, c.text) << c.raw;
  }
}

// The decoding as written: an in-place scan with a position that goes back
// to the reference's start after a named one. The engine scans once; both
// must agree on every input.
std::string CodeBytes(int v) {
  if (v >= 128 && v <= 255 && v != 160)
    return {static_cast<char>(0xC0 | (v >> 6)), static_cast<char>(0x80 | (v & 0x3F))};
  return std::string(1, static_cast<char>(EntityCharTable[v]));
}

bool ReadCode(const std::string& body, int& v) {
  std::string digits = body;
  int base = 10;
  if (!digits.empty() && (digits[0] == 'x' || digits[0] == 'X')) {
    base = 16;
    digits.erase(0, 1);
  }
  if (digits.empty() || body.size() > 3) return false;
  v = 0;
  for (char c : digits) {
    int d = (c >= '0' && c <= '9')   ? c - '0'
            : (base == 16 && c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (base == 16 && c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                   : -1;
    if (d < 0) return false;
    v = v * base + d;
  }
  return v <= 255;
}

std::string ReferenceParse(std::string s) {
  for (char& c : s)
    if (c == '\n') c = ' ';
  std::size_t dbl;
  while ((dbl = s.find("  ")) != std::string::npos) s.erase(dbl, 1);
  std::size_t p = 0, start = 0;
  bool collecting = false;
  std::string buf;
  while (p < s.size()) {
    const char c = s[p];
    if (c == '&') {
      start = p;
      collecting = true;
      buf.clear();
    }
    if (collecting) buf += c;
    if (collecting && (c == ';' || c == ' ')) {
      collecting = false;
      const std::size_t len = buf.size();
      if (len > 2 && buf[1] == '#') {
        int v;
        if (ReadCode(buf.substr(2, len - 3), v)) {
          const std::string bytes = CodeBytes(v);
          s.replace(start, len, bytes);
          p = start + bytes.size();
          continue;
        }
      } else {
        bool found = false;
        for (const EntityNameEntry& e : EntityNameTable) {
          if (buf == e.Name) {
            s.replace(start, len, e.Numeric);
            p = start;
            found = true;
            break;
          }
        }
        p = found ? start : start + 1;
        continue;
      }
    }
    ++p;
  }
  return s;
}

TEST(HtmlText, OnePassDecodingMatchesTheRescanningDefinition) {
  const std::vector<std::string> pieces = {
      "&", "#", "x", ";", " ", " ", "\n", "a", "m", "p", "l", "t", "4", "1", "6", "9", "0",
      "A", "F", "&amp;", "&lt;", "&nbsp;", "&copy;", "&#x4", "&#3", "&#", "&amp", "q",
  };
  std::mt19937 rng(7);
  for (int round = 0; round < 20000; ++round) {
    std::string s;
    const int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) s += pieces[rng() % pieces.size()];
    THTMLText t;
    t.Parse(s);
    ASSERT_EQ(t.Text, ReferenceParse(s)) << s;
  }
}

TEST(HtmlText, Tables) {
  EXPECT_STREQ(EntityNameTable[0].Name, "&quot;");
  EXPECT_STREQ(EntityNameTable[1].Numeric, "&#38;");
  EXPECT_STREQ(EntityNameTable[3].Name, "&gt;");
  EXPECT_STREQ(EntityNameTable[4].Name, "&nbsp;");
  EXPECT_STREQ(EntityNameTable[13].Name, "&copy;");
  EXPECT_STREQ(EntityNameTable[99].Name, "&yuml;");
  for (int i = 4; i < kEntityNameCount; ++i)
    EXPECT_EQ(std::string(EntityNameTable[i].Numeric), "&#" + std::to_string(156 + i) + ";");
  for (int v = 0; v < 256; ++v) {
    const unsigned char expected = (v < 32 || v == 160) ? 0x20 : static_cast<unsigned char>(v);
    EXPECT_EQ(EntityCharTable[v], expected) << v;
  }
}

// ------------------------------------------------------------------ element stream

TEST(HtmlParser, ElementStream) {
  using V = std::vector<std::string>;
  struct {
    StringList lines;
    V elements;
  } cases[] = {
      {{"<div class=\"a\">Hi</div>"}, {"T:DIV|CLASS=a", "X:Hi", "T:/DIV"}},
      // A tag over a line break is joined without separator.
      {{"<div", "class=\"a\">"}, {"T:DIVCLASS=\"A\""}},
      {{"<div ", "class=\"a\">"}, {"T:DIV|CLASS=a"}},
      // A stray ">" gives an empty tag ahead of the one text piece around it
      // (whose line break, as every line's, ends as a blank).
      {{"a > b"}, {"T:", "X:a b "}},
      // A "<" inside a tag is dropped.
      {{"<a <b>"}, {"T:A|B="}},
      // Text lines are joined by LF, which the text turns into a blank; the
      // last line adds one too while the text goes on.
      {{"one", "two", "<br>"}, {"X:one two ", "T:BR"}},
      // Text between tags is an element even when it is only blanks.
      {{"<td> </td>"}, {"T:TD", "X: ", "T:/TD"}},
      // Unterminated tags: closed at the end when they hold something, else
      // dropped.
      {{"x<span id=1"}, {"X:x", "T:SPAN|ID=1"}},
      {{"x<"}, {"X:x"}},
      {{"<>"}, {"T:"}},
      {{"", "", "a"}, {"X:a "}},
      {{}, {}},
      {{"&amp;lt;<p>&#65 B"}, {"X:&lt;", "T:P", "X:AB "}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Tokenize(c.lines), c.elements) << (c.lines.empty() ? "" : c.lines[0]);
  }
}

TEST(HtmlParser, TextPieceKeepsRawLineBreaks) {
  THTMLParser parser;
  parser.Lines = {"a", " b", "<i>"};
  parser.Execute();
  ASSERT_EQ(parser.Elements.size(), 2u);
  const auto first = parser.Elements[0];  // a fresh element, kept while used
  const THTMLText* t = AsText(first.get());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Raw, "a\n b\n");
  EXPECT_EQ(t->Text, "a b ");
  EXPECT_EQ(AsTag(parser.Elements[0].get()), nullptr);
  EXPECT_EQ(AsTag(parser.Elements[1].get())->Raw, "i");
}

// After every byte the parser yields; the message queue is processed when
// the bytes still to be read on the line are a multiple of ten.
TEST(HtmlParser, YieldsAfterEveryByte) {
  THTMLParser parser;
  std::string pattern;
  parser.Lines = {std::string(25, 'a'), "", "<b>"};
  parser.Execute([&](bool messages) { pattern += messages ? 'M' : '.'; });
  EXPECT_EQ(pattern, "....M.........M.........M" "..M");
}

TEST(HtmlParser, YieldsOnlyWhenGivenOne) {
  int calls = 0;
  {
    THTMLParser parser;
    parser.Lines = {"abc"};
    parser.Execute([&](bool) { ++calls; });
  }
  EXPECT_EQ(calls, 3);
  {
    THTMLParser parser;
    parser.Lines = {"<p>x"};
    parser.Execute();
    EXPECT_EQ(parser.Elements.size(), 2u);
  }
  THTMLParser quiet;
  quiet.Lines = {"<p>"};
  quiet.Execute(nullptr);  // an empty yield is allowed
  EXPECT_EQ(quiet.Elements.size(), 1u);
}

// ------------------------------------------------------------------ loading

TEST(HtmlLoader, SplitsLinesAndStopsAtZero) {
  struct {
    std::string bytes;
    StringList lines;
  } cases[] = {
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\r\n", {"a"}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {std::string("ab\0cd\nef", 8), {"ab"}},
      {std::string("\0x", 2), {}},
      {"", {}},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    ASSERT_TRUE(test::WriteBytes(dir.file("page.html"), c.bytes));
    StringList lines = {"old"};
    LoadLinesFromFile(dir.winFile("page.html"), lines);
    EXPECT_EQ(lines, c.lines);
    StringList direct;
    SetLinesFromBytes(c.bytes, direct);
    EXPECT_EQ(direct, c.lines);
  }
}

TEST(HtmlLoader, MissingFileThrows) {
  test::TempDir dir;
  StringList lines;
  try {
    LoadLinesFromFile(dir.winFile("missing.html"), lines);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("missing.html"), std::string::npos);
  }
}

}  // namespace
}  // namespace kc
