// The fuzzy character dictionary: its size, its order, a few groups of each
// kind, and the source form it is read from.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "search/fuzzy_dictionary.h"

namespace {

using kc::CharDictionary;
using kc::DictionaryGroup;
using kc::FuzzyDictionary;

// Index of the first group whose first string is `head`.
std::size_t GroupOf(const std::string& head) {
  const CharDictionary& d = FuzzyDictionary();
  for (std::size_t i = 0; i < d.size(); ++i) {
    if (!d[i].empty() && d[i][0] == head) return i;
  }
  return d.size();
}

TEST(FuzzyDictionary, HasAllGroupsInOrder) {
  const CharDictionary& d = FuzzyDictionary();
  ASSERT_EQ(d.size(), 145u);
  // Where each kind of group begins.
  EXPECT_EQ(GroupOf("Ａ"), 0u);
  EXPECT_EQ(GroupOf("Ｚ"), 25u);
  EXPECT_EQ(GroupOf("0"), 26u);
  EXPECT_EQ(GroupOf("9"), 35u);
  EXPECT_EQ(GroupOf("　"), 36u);
  EXPECT_EQ(GroupOf("」"), 71u);
  EXPECT_EQ(GroupOf("ん"), 72u);
  EXPECT_EQ(GroupOf("が"), 73u);
  EXPECT_EQ(GroupOf("ど"), 85u);
  EXPECT_EQ(GroupOf("ば"), 86u);
  EXPECT_EQ(GroupOf("ぱ"), 91u);
  EXPECT_EQ(GroupOf("あ"), 96u);
  EXPECT_EQ(GroupOf("か"), 101u);
  EXPECT_EQ(GroupOf("ろ"), 138u);
  EXPECT_EQ(GroupOf("わ"), 139u);
  EXPECT_EQ(GroupOf("ﾞ"), 143u);
  EXPECT_EQ(GroupOf("ﾟ"), 144u);
  for (const DictionaryGroup& g : d) {
    EXPECT_GE(g.size(), 2u);
    for (const std::string& s : g) EXPECT_FALSE(s.empty());
  }
}

TEST(FuzzyDictionary, GroupsListTheirStringsInOrder) {
  const CharDictionary& d = FuzzyDictionary();
  struct Want {
    std::size_t index;
    DictionaryGroup strings;
  };
  const std::vector<Want> wants = {
      // letters
      {0, {"Ａ", "ａ", "A", "a"}},
      {12, {"Ｍ", "ｍ", "M", "m"}},
      {25, {"Ｚ", "ｚ", "Z", "z"}},
      // digits
      {26, {"0", "０", "零"}},
      {27, {"1", "１", "一", "①", "Ⅰ", "壱"}},
      {30, {"4", "４", "四", "④", "Ⅳ"}},
      {35, {"9", "９", "九", "⑨", "Ⅸ"}},
      // space and symbols
      {36, {"　", " "}},
      {38, {"\"", "”"}},
      {48, {"ー", "～", "ｰ", "―"}},
      {49, {"-", "ー", "－", "～", "ｰ", "―"}},
      {50, {"･", "・"}},
      {59, {"[", "［", "〔"}},
      {60, {"\\", "￥"}},
      {68, {",", "､", "、", "，"}},
      {69, {"｡", ".", "。", "．"}},
      {71, {"」", "』", "｣"}},
      // kana
      {72, {"ん", "ン", "ﾝ"}},
      {73, {"が", "ガ", "ｶﾞ", "か゛", "カ゛"}},
      {79, {"じ", "ジ", "ｼﾞ", "し゛", "シ゛", "ぢ", "ヂ", "ﾁﾞ", "ち゛", "チ゛"}},
      {80, {"ず", "ズ", "ｽﾞ", "す゛", "ス゛", "づ", "ヅ", "ﾂﾞ", "つ゛", "ツ゛"}},
      {86, {"ば", "バ", "ﾊﾞ", "は゛", "ハ゛", "ヴァ", "う゛ぁ", "ウ゛ァ", "ｳﾞｧ"}},
      {88, {"ぶ", "ブ", "ﾌﾞ", "ふ゛", "フ゛", "ヴ", "ウ゛", "う゛", "ｳﾞ"}},
      {91, {"ぱ", "パ", "ﾊﾟ", "は゜", "ハ゜"}},
      {96, {"あ", "ア", "ｱ", "ぁ", "ァ", "ｧ"}},
      {97, {"い", "イ", "ｲ", "ぃ", "ィ", "ｨ", "ヰ", "ゐ"}},
      {100, {"お", "オ", "ｵ", "ぉ", "ォ", "ｫ", "を", "ヲ", "ｦ"}},
      {101, {"か", "カ", "ｶ"}},
      {113, {"つ", "ツ", "ﾂ", "っ", "ッ", "ｯ"}},
      {131, {"や", "ヤ", "ﾔ", "ゃ", "ャ", "ｬ"}},
      {133, {"よ", "ヨ", "ﾖ", "ょ", "ョ", "ｮ"}},
      {139, {"わ", "ワ", "ﾜ", "うぁ", "ウァ", "ｳｧ"}},
      {142, {"を", "ヲ", "ｦ", "うぉ", "ウォ", "ｳｫ"}},
      {143, {"ﾞ", "゛"}},
      {144, {"ﾟ", "゜"}},
  };
  for (const Want& w : wants) {
    ASSERT_LT(w.index, d.size());
    EXPECT_EQ(d[w.index], w.strings) << "group " << w.index;
  }
}

TEST(FuzzyDictionary, DiAndDuHaveNoGroupsOfTheirOwn) {
  std::set<std::string> heads;
  for (const DictionaryGroup& g : FuzzyDictionary()) heads.insert(g[0]);
  EXPECT_EQ(heads.count("ぢ"), 0u);
  EXPECT_EQ(heads.count("づ"), 0u);
  EXPECT_EQ(heads.size(), 145u);  // every group has its own first string
}

TEST(FuzzyDictionary, SourceFormHandlesEscapesAndHeadings) {
  const CharDictionary d = kc::ParseDictionarySource(
      "// heading\n"
      "a,b\n"
      "\n"
      "\\,,\\\\,\\s,ソ\r\n"  // ソ ends in the byte of a backslash
      "x");
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(d[0], (DictionaryGroup{"a", "b"}));
  EXPECT_EQ(d[1], (DictionaryGroup{",", "\\", " ", "ソ"}));
  EXPECT_EQ(d[2], (DictionaryGroup{"x"}));
}

}  // namespace
