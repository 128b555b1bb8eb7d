// The fuzzy character dictionary is data: one group per line, its strings
// separated by commas. In a line a backslash makes the next character
// literal (a comma is written "\,", a backslash "\\") and "\s" is a
// space; lines starting with "//" are headings. The text is an ordinary
// literal, so the compiler has already turned it into Shift-JIS.
//
// Group order and the order inside a group matter: the expansion takes the
// first group, and inside it the first string, that matches the pattern.
#include "search/fuzzy_dictionary.h"

namespace kc {

namespace {

const char kFuzzySource[] = R"dict(
// Latin letters: full-width capital, full-width small, ASCII capital, ASCII small
Ａ,ａ,A,a
Ｂ,ｂ,B,b
Ｃ,ｃ,C,c
Ｄ,ｄ,D,d
Ｅ,ｅ,E,e
Ｆ,ｆ,F,f
Ｇ,ｇ,G,g
Ｈ,ｈ,H,h
Ｉ,ｉ,I,i
Ｊ,ｊ,J,j
Ｋ,ｋ,K,k
Ｌ,ｌ,L,l
Ｍ,ｍ,M,m
Ｎ,ｎ,N,n
Ｏ,ｏ,O,o
Ｐ,ｐ,P,p
Ｑ,ｑ,Q,q
Ｒ,ｒ,R,r
Ｓ,ｓ,S,s
Ｔ,ｔ,T,t
Ｕ,ｕ,U,u
Ｖ,ｖ,V,v
Ｗ,ｗ,W,w
Ｘ,ｘ,X,x
Ｙ,ｙ,Y,y
Ｚ,ｚ,Z,z
// Digits, with kanji, circled and Roman numerals
0,０,零
1,１,一,①,Ⅰ,壱
2,２,二,②,Ⅱ,弐
3,３,三,③,Ⅲ,参
4,４,四,④,Ⅳ
5,５,五,⑤,Ⅴ,伍
6,６,六,⑥,Ⅵ
7,７,七,⑦,Ⅶ
8,８,八,⑧,Ⅷ
9,９,九,⑨,Ⅸ
// Space and symbols
　,\s
!,！
",”
#,＃
$,＄
%,％
&,＆
',’
(,（
),）
*,＊
+,＋
ー,～,ｰ,―
-,ー,－,～,ｰ,―
･,・
/,／
:,：
;,；
<,＜
=,＝
>,＞
?,？
@,＠
[,［,〔
\\,￥
],］,〕
^,＾
_,＿
{,｛
|,｜
},｝
~,￣
\,,､,、,，
｡,.,。,．
「,『,｢
」,』,｣
// ん
ん,ン,ﾝ
// Voiced kana: hiragana, katakana, half-width with ﾞ, unvoiced with ゛
が,ガ,ｶﾞ,か゛,カ゛
ぎ,ギ,ｷﾞ,き゛,キ゛
ぐ,グ,ｸﾞ,く゛,ク゛
げ,ゲ,ｹﾞ,け゛,ケ゛
ご,ゴ,ｺﾞ,こ゛,コ゛
ざ,ザ,ｻﾞ,さ゛,サ゛
じ,ジ,ｼﾞ,し゛,シ゛,ぢ,ヂ,ﾁﾞ,ち゛,チ゛
ず,ズ,ｽﾞ,す゛,ス゛,づ,ヅ,ﾂﾞ,つ゛,ツ゛
ぜ,ゼ,ｾﾞ,せ゛,セ゛
ぞ,ゾ,ｿﾞ,そ゛,ソ゛
だ,ダ,ﾀﾞ,た゛,タ゛
で,デ,ﾃﾞ,て゛,テ゛
ど,ド,ﾄﾞ,と゛,ト゛
// ば to ぼ, also standing for the ヴ forms
ば,バ,ﾊﾞ,は゛,ハ゛,ヴァ,う゛ぁ,ウ゛ァ,ｳﾞｧ
び,ビ,ﾋﾞ,ひ゛,ヒ゛,ヴィ,う゛ぃ,ウ゛ィ,ｳﾞｨ
ぶ,ブ,ﾌﾞ,ふ゛,フ゛,ヴ,ウ゛,う゛,ｳﾞ
べ,ベ,ﾍﾞ,へ゛,ヘ゛,ヴェ,う゛ぇ,ウ゛ェ,ｳﾞｪ
ぼ,ボ,ﾎﾞ,ほ゛,ホ゛,ヴォ,う゛ぉ,ウ゛ォ,ｳﾞｫ
// Semi-voiced kana
ぱ,パ,ﾊﾟ,は゜,ハ゜
ぴ,ピ,ﾋﾟ,ひ゜,ヒ゜
ぷ,プ,ﾌﾟ,ふ゜,フ゜
ぺ,ペ,ﾍﾟ,へ゜,ヘ゜
ぽ,ポ,ﾎﾟ,ほ゜,ホ゜
// Vowels, with their small forms
あ,ア,ｱ,ぁ,ァ,ｧ
い,イ,ｲ,ぃ,ィ,ｨ,ヰ,ゐ
う,ウ,ｳ,ぅ,ゥ,ｩ
え,エ,ｴ,ぇ,ェ,ｪ,ヱ,ゑ
お,オ,ｵ,ぉ,ォ,ｫ,を,ヲ,ｦ
// か to ろ (つ, や, ゆ and よ with their small forms)
か,カ,ｶ
き,キ,ｷ
く,ク,ｸ
け,ケ,ｹ
こ,コ,ｺ
さ,サ,ｻ
し,シ,ｼ
す,ス,ｽ
せ,セ,ｾ
そ,ソ,ｿ
た,タ,ﾀ
ち,チ,ﾁ
つ,ツ,ﾂ,っ,ッ,ｯ
て,テ,ﾃ
と,ト,ﾄ
な,ナ,ﾅ
に,ニ,ﾆ
ぬ,ヌ,ﾇ
ね,ネ,ﾈ
の,ノ,ﾉ
は,ハ,ﾊ
ひ,ヒ,ﾋ
ふ,フ,ﾌ
へ,ヘ,ﾍ
ほ,ホ,ﾎ
ま,マ,ﾏ
み,ミ,ﾐ
む,ム,ﾑ
め,メ,ﾒ
も,モ,ﾓ
や,ヤ,ﾔ,ゃ,ャ,ｬ
ゆ,ユ,ﾕ,ゅ,ュ,ｭ
よ,ヨ,ﾖ,ょ,ョ,ｮ
ら,ラ,ﾗ
り,リ,ﾘ
る,ル,ﾙ
れ,レ,ﾚ
ろ,ロ,ﾛ
// わ and the old kana, also written as う with a small vowel
わ,ワ,ﾜ,うぁ,ウァ,ｳｧ
ヰ,ゐ,うぃ,ウィ,ｳｨ
ヱ,ゑ,うぇ,ウェ,ｳｪ
を,ヲ,ｦ,うぉ,ウォ,ｳｫ
// Voicing marks
ﾞ,゛
ﾟ,゜
)dict";

}  // namespace

CharDictionary ParseDictionarySource(const std::string& source) {
  CharDictionary groups;
  std::size_t i = 0;
  const std::size_t n = source.size();
  while (i < n) {
    std::size_t eol = i;
    // No Shift-JIS trail byte is an LF, so a byte search finds the line end.
    while (eol < n && source[eol] != '\n') ++eol;
    std::string line = source.substr(i, eol - i);
    i = eol + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.compare(0, 2, "//") == 0) continue;
    DictionaryGroup group;
    std::string cur;
    std::size_t j = 0;
    while (j < line.size()) {
      char c = line[j];
      if (c == ',') {
        group.push_back(cur);
        cur.clear();
        ++j;
        continue;
      }
      if (c == '\\' && j + 1 < line.size()) {
        ++j;
        if (line[j] == 's') {
          cur += ' ';
          ++j;
          continue;
        }
      }
      std::size_t k = j;
      NextSjisChar(line, k);
      cur.append(line, j, k - j);
      j = k;
    }
    group.push_back(cur);
    groups.push_back(group);
  }
  return groups;
}

const CharDictionary& FuzzyDictionary() {
  static const CharDictionary dictionary = ParseDictionarySource(kFuzzySource);
  return dictionary;
}

}  // namespace kc
