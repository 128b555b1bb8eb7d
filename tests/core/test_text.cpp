// Shift-JIS aware searching and replacing, case mapping, trimming, integers;
// finding one of a few byte values.
#include "core/text.h"

#include <gtest/gtest.h>

#include <random>

#include "core/byte_scan.h"
#include "support/test_support.h"

namespace kc {
namespace {

using test::SjisLower;
using test::SjisUpper;
using test::TrimLeft;
using test::TrimRight;

// "ソ" is 83 5C: its trail byte is a backslash. "ー" is 81 5B: trail "[".
TEST(Text, FindNeverStartsOnATrailByte) {
  const std::string so = "ソ";
  ASSERT_EQ(so, "\x83\x5c");
  EXPECT_EQ(SjisFind("ソ\\", "\\"), 2u);
  EXPECT_EQ(SjisFind("ソ", "\\"), npos);
  EXPECT_EQ(SjisFind("ー[", "["), 2u);
  EXPECT_EQ(SjisFind("abcabc", "c", 3), 5u);
  EXPECT_EQ(SjisFind("abc", ""), 0u);
  EXPECT_EQ(SjisPos("b", "abc"), 2u);
  EXPECT_EQ(SjisPos("z", "abc"), 0u);
  // A lone lead byte at the end is one character.
  EXPECT_EQ(SjisFind(std::string("a\x83"), "\x83"), 1u);
}

TEST(Text, ReplaceAllWholeCharactersLeftToRight) {
  struct {
    const char* s;
    const char* find;
    const char* repl;
    const char* expected;
  } cases[] = {
      {"[字]ソ[", "[", "【", "【字]ソ【"},
      {"ーー[", "[", "X", "ーーX"},
      {"aaa", "aa", "a", "aa"},  // no rescanning of replaced text
      {"abab", "ab", "abab", "abababab"},
      {"", "a", "b", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SjisReplaceAll(c.s, c.find, c.repl), c.expected) << c.s;
  EXPECT_EQ(ByteReplaceAll("a&b&c", "&", "&amp;"), "a&amp;b&amp;c");
}

TEST(Text, HalfCharactersAreDropped) {
  struct {
    std::string in, out;
  } cases[] = {
      {"abc", "abc"},
      {"タイトル", "タイトル"},
      {"タイトル\x81", "タイトル"},               // a lead byte at the end
      {"a\x82\"b", "a\"b"},                      // before a quote
      {"\x82\x82\x82", "\x82\x82"},                // the third has nothing after it
      {std::string("\x81\0x", 3), std::string("\0x", 2)},
      {"\x81\x7F\x81\x40\xFC\xFC\xE0\xFD", "\x7F\x81\x40\xFC\xFC\xFD"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithoutHalfCharacters(c.in), c.out) << c.in;
}

TEST(Text, CaseMappingTouchesAsciiOnly) {
  // "ａ" (82 81) and "Ａ" contain no ASCII letters, but "ｱ" trails can be 'a'..'z'.
  const std::string mixed = "abcＸｙ" "\x83\x61";  // 83 61 is "ア": trail 'a'
  EXPECT_EQ(SjisUpper(mixed), "ABCＸｙ" "\x83\x61");
  EXPECT_EQ(SjisLower("DIV"), "div");
  EXPECT_EQ(UpperAscii("genre-10a"), "GENRE-10A");
  EXPECT_TRUE(SameTextAscii("TopColumn", "topcolumn"));
  EXPECT_FALSE(SameTextAscii("top", "topc"));
}

TEST(Text, TrimRemovesControlBytesAndBlanks) {
  EXPECT_EQ(Trim(" \t\r\nab c\x01 "), "ab c");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a \n"), "  a");
  EXPECT_EQ(Trim("　a"), "　a");  // the full-width blank is a character
}

TEST(Text, IntegerReading) {
  struct {
    const char* s;
    bool ok;
    int v;
  } cases[] = {
      {"585", true, 585},   {"-12", true, -12},     {"+7", true, 7},
      {" 42", true, 42},    {"42 ", false, 0},      {"", false, 0},
      {"-", false, 0},      {"0x1F", true, 31},     {"$ff", true, 255},
      {"12a", false, 0},    {"2147483647", true, 2147483647},
      {"2147483648", false, 0}, {"-2147483648", true, -2147483647 - 1},
      {"１２", false, 0},
  };
  for (const auto& c : cases) {
    int v = 0;
    EXPECT_EQ(TryStrToInt(c.s, v), c.ok) << c.s;
    if (c.ok) {
      EXPECT_EQ(v, c.v) << c.s;
    }
  }
  EXPECT_EQ(StrToIntDef("x", 100), 100);
  EXPECT_EQ(Format3d(55), "055");
  EXPECT_EQ(Format3d(1234), "1234");
}

}  // namespace
}  // namespace kc

namespace kc {
namespace {

// The one-walk replacement must agree with repeated whole-character finds.
TEST(Text, ReplaceAllAgreesWithRepeatedFind) {
  const char* alphabet[] = {"a", "[", "\\", "ー", "ソ", "―", "\x83", "\x5c\x5c"};
  const char* needles[] = {"[", "\\", "ー", "a[", "\x5c\x5c", "―"};
  unsigned seed = 7;
  for (int round = 0; round < 3000; ++round) {
    std::string s;
    int len = static_cast<int>(seed % 12);
    for (int i = 0; i < len; ++i) {
      seed = seed * 1103515245u + 12345u;
      s += alphabet[(seed >> 16) % 8];
    }
    seed = seed * 1103515245u + 12345u;
    std::string find = needles[(seed >> 16) % 6];
    std::string expected;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = SjisFind(s, find, pos)) != npos; pos = hit + find.size())
      expected += s.substr(pos, hit - pos) + "#";
    expected += s.substr(pos);
    ASSERT_EQ(SjisReplaceAll(s, find, "#"), expected) << s;
  }
}

TEST(ByteScan, FindsTheFirstOfTheSetAtEveryLengthAndPlace) {
  // Lengths around the sixteen-byte steps, each byte of the set at every
  // place, and the bytes just past the run never counted.
  const ByteSet<3> set('\r', '\n', '\0');
  std::mt19937 rng(3);
  for (std::size_t n = 0; n <= 50; ++n) {
    for (std::size_t at = 0; at <= n; ++at) {
      std::string buf(n + 16, '\n');  // a match right after the run
      for (std::size_t i = 0; i < n; ++i) buf[i] = static_cast<char>('a' + rng() % 26);
      if (at < n) buf[at] = "\r\n"[rng() % 3];
      ASSERT_EQ(set.Find(buf.data(), n), at) << n << " " << at;
    }
  }
  EXPECT_EQ(ByteSet<1>('x').Find(nullptr, 0), 0u);
}

}  // namespace
}  // namespace kc
