// Text rules of the listing analysis. The dash and hexadecimal rules are
// defined as "find the first, replace, look again" loops; they run here in
// one pass over the text with the same result, so that a piece full of
// dashes or references costs no more than its length. Only references whose
// produced bytes interact with their neighbours (a lead byte, "&", "#",
// "x", overlapping references) take the loop itself, one pass per distinct
// digit pair.
#include "analysis/text_rules.h"

#include <algorithm>
#include <cstring>

#include "core/text.h"
#include "platform/platform.h"

namespace kc {

// ------------------------------------------------------------------ decoding

namespace {

// The unit a decoded code point becomes.
inline char16_t Mapped(unsigned cp) {
  // A surrogate half written as three bytes has no form either, and the
  // system conversions disagree on it; "?" keeps both backends alike.
  if (cp >= 0xD800 && cp <= 0xDFFF) return u'?';
  if (cp == 0x2212) return u'\u2015';  // minus sign: the host shows "―"
  if (cp == 0x301C) return u'\uFF5E';  // wave dash: the host shows "～"
  return static_cast<char16_t>(cp);
}

// UTF-8 to UTF-16 for one-, two- and three-byte sequences. A four-byte
// sequence (a character beyond the basic plane, such as the enclosed
// ideographs some listings use as marks) has no Shift-JIS form and becomes
// "?" right away, so the rest of the title survives. Anything else that is
// malformed (a stray continuation byte, a bad continuation, a sequence cut
// off by the end, a byte F8-FF) gives false: the whole piece is dropped.
// Decodes from s[i] until the text ends or out holds `limit` units.
bool Utf8ToUtf16(const std::string& s, std::size_t& i, std::size_t limit, std::u16string& out) {
  const std::size_t n = s.size();
  // Every sequence gives one unit, so the units are at most the bytes left.
  out.resize(std::min(limit, n - i));
  char16_t* const o = &out[0];
  std::size_t k = 0;
  while (i < n && k < out.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      o[k++] = static_cast<char16_t>(c);
      ++i;
      continue;
    }
    if ((c & 0xF0) == 0xE0 && n - i >= 3) {  // kana and kanji, the usual case
      const unsigned b1 = static_cast<unsigned char>(s[i + 1]);
      const unsigned b2 = static_cast<unsigned char>(s[i + 2]);
      if ((b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80) return false;
      const unsigned cp = (c & 0x0Fu) << 12 | (b1 & 0x3Fu) << 6 | (b2 & 0x3Fu);
      i += 3;
      o[k++] = Mapped(cp);
      continue;
    }
    std::size_t follow;
    unsigned cp;
    if (c >= 0xC0 && c < 0xE0) {
      follow = 1;
      cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c < 0xF0) {
      follow = 2;
      cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c < 0xF8) {
      follow = 3;
      cp = c & 0x07u;
    } else {
      return false;
    }
    if (n - i - 1 < follow) return false;
    for (std::size_t m = 1; m <= follow; ++m) {
      const unsigned char b = static_cast<unsigned char>(s[i + m]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3Fu);
    }
    i += follow + 1;
    o[k++] = follow == 3 ? u'?' : Mapped(cp);
  }
  out.resize(k);
  return true;
}

}  // namespace

std::string DecodePageText(const std::string& utf8) {
  // Minus sign and wave dash are mapped while decoding: both are whole
  // three-byte sequences, so this equals replacing their bytes first. A long
  // text is converted in slices that stay in the cache; the decoder never
  // gives surrogates, so every unit converts on its own and slicing changes
  // nothing.
  constexpr std::size_t kSlice = 1 << 12;
  std::u16string w;
  w.reserve(std::min(utf8.size(), kSlice + 1));
  std::size_t i = 0;
  if (!Utf8ToUtf16(utf8, i, kSlice, w)) return std::string();
  if (i == utf8.size()) return kc::WideToCp932(w);
  std::string out;
  out.reserve(utf8.size());  // no character grows from UTF-8 to Shift-JIS
  out += kc::WideToCp932(w);
  while (i < utf8.size()) {
    if (!Utf8ToUtf16(utf8, i, kSlice, w)) return std::string();
    out += kc::WideToCp932(w);
  }
  return out;
}

// ------------------------------------------------------------------ dashes

namespace {

unsigned Byte(const std::string& s, std::size_t i) { return static_cast<unsigned char>(s[i]); }
unsigned Pair(const std::string& s, std::size_t i) { return Byte(s, i) << 8 | Byte(s, i + 1); }

constexpr unsigned kKanaLo = 0x829F, kKanaHi = 0x8396;  // "ぁ" .. "ヶ"
constexpr unsigned kWideLo = 0x824F, kWideHi = 0x829A;  // "０" .. "ｚ"
constexpr unsigned kAsciiLo = 0x30, kAsciiHi = 0x7A;    // "0" .. "z"

// What the dash between the text before it (t[0, nb), already rewritten)
// and the text after it (from t[after], not yet rewritten) becomes; empty
// when the rule stops here.
const char* DashReplacement(const std::string& t, std::size_t nb, std::size_t after) {
  const std::size_t na = t.size() - after;
  const bool b2 = nb >= 2, a2 = na >= 2, b1 = nb >= 1, a1 = na >= 1;
  auto in = [](unsigned v, unsigned lo, unsigned hi) { return v >= lo && v <= hi; };
  const bool b2Kana = b2 && in(Pair(t, nb - 2), kKanaLo, kKanaHi);
  if (b2Kana && a2 && in(Pair(t, after), kKanaLo, kKanaHi)) return "ー";
  if (b2 && a2 && in(Pair(t, nb - 2), kWideLo, kWideHi) && in(Pair(t, after), kWideLo, kWideHi))
    return "－";
  if (b1 && a1 && in(Byte(t, nb - 1), kAsciiLo, kAsciiHi) && in(Byte(t, after), kAsciiLo, kAsciiHi))
    return "-";
  if (b2Kana) return "ー";
  return nullptr;
}

// Each "―" (whole character), left to right, is judged by the bytes around
// it in the text as rewritten so far; the first one that no rule covers ends
// the rule, and it and all later ones stay. A replacement never changes the
// character boundaries after it, so this equals looking for the first "―"
// again after each replacement. No replacement is longer than the dash, so
// the text is rewritten in place: the rewritten part t[0, w) never reaches
// the part still to be read.
std::string ApplyDashRule(std::string t) {
  const std::size_t n = t.size();
  std::size_t w = 0;       // end of the rewritten part
  std::size_t copied = 0;  // start of the part not yet moved down to w
  std::size_t i = 0;
  while (i < n) {
    if (!IsSjisLeadByte(static_cast<unsigned char>(t[i])) || i + 1 >= n) {
      ++i;
      continue;
    }
    if (Pair(t, i) != 0x815C) {
      i += 2;
      continue;
    }
    if (w != copied) std::memmove(&t[w], &t[copied], i - copied);
    w += i - copied;
    copied = i;
    const char* repl = DashReplacement(t, w, i + 2);
    if (!repl) break;
    const std::size_t len = std::strlen(repl);
    std::memcpy(&t[w], repl, len);  // over the dash itself at most
    w += len;
    i += 2;
    copied = i;
  }
  if (w == copied) return t;
  t.erase(w, copied - w);
  return t;
}

// ------------------------------------------------------------------ "&#x"

int HexValue(const std::string& h) {
  if (h.empty()) return 0;
  int v = 0;
  for (char c : h) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return 0;
    v = v * 16 + d;
  }
  return v;
}

bool IsRefStart(const std::string& t, std::size_t i) {
  return i + 2 < t.size() && t[i] == '&' && t[i + 1] == '#' && t[i + 2] == 'x';
}

// Every "&#x" + two bytes replaced by their byte in one pass. This equals
// the loop below as long as no replacement can make or break a reference
// elsewhere: no two references overlap, each ends on a character boundary,
// and no produced byte is "&", "#", "x" or a lead byte. false otherwise.
bool HexRuleOnePass(const std::string& t, std::string& out) {
  out.clear();
  out.reserve(t.size());
  const std::size_t n = t.size();
  std::size_t i = 0;
  while (i < n) {
    if (!IsRefStart(t, i)) {
      const std::size_t len = SjisCharLen(t, i);
      out.append(t, i, len);
      i += len;
      continue;
    }
    const std::size_t start = i + 3;
    const std::size_t end = std::min(n, start + 2);
    std::size_t k = start;
    while (k < end) {
      if (t[k] == '&') return false;
      k += SjisCharLen(t, k);
    }
    if (k != end) return false;
    const int v = HexValue(t.substr(start, end - start));
    if (v == '&' || v == '#' || v == 'x' || IsSjisLeadByte(static_cast<unsigned char>(v))) return false;
    out += static_cast<char>(v);
    i = end;
  }
  return true;
}

// Whole-character search from a known boundary: walks the boundaries once.
std::size_t FindRefFrom(const std::string& t, std::size_t from) {
  for (std::size_t i = from; i < t.size(); i += SjisCharLen(t, i))
    if (IsRefStart(t, i)) return i;
  return npos;
}

// Every occurrence of find that starts on a character boundary of s, left
// to right, without rescanning replaced text (as SjisReplaceAll), in one
// walk over the boundaries.
std::string ReplaceAllWhole(const std::string& s, const std::string& find, char repl) {
  std::string out;
  out.reserve(s.size());
  std::size_t copied = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    if (s.compare(i, find.size(), find) == 0) {
      out.append(s, copied, i - copied);
      out += repl;
      // The scan goes on right after the match, as the library's own
      // replace does, also where the match ended inside a character.
      copied = i = i + find.size();
      continue;
    }
    i += SjisCharLen(s, i);
  }
  out.append(s, std::min(copied, s.size()), npos);
  return out;
}

// The rule as defined: take the two bytes after the first "&#x", replace
// every "&#x" + those bytes by the byte they read as (0 when no hex
// number), and look again. Used only for texts where one pass could differ.
//
// Each pass walks the whole text, and a produced "&" can make a reference
// that only the next pass sees: "&#x26" followed by "#x26" k times takes k
// passes, so a crafted piece would take time in the square of its length
// with nothing yielding. The passes together walk at most kHexLoopWalk
// bytes per byte of the piece and kHexLoopWalkBase more; references still
// there when that is spent stay as text. A piece of up to about 1 kB
// always runs to the rule's end (every pass shortens it by two bytes at
// least), and so does any piece whose passes stay within the walk; a
// megabyte piece stops after about 64 passes, in a fraction of a second.
constexpr std::size_t kHexLoopWalk = 64;
constexpr std::size_t kHexLoopWalkBase = std::size_t{1} << 20;

std::string HexRuleLoop(std::string t) {
  const std::size_t budget = t.size() * kHexLoopWalk + kHexLoopWalkBase;
  std::size_t walked = 0;
  for (std::size_t at = FindRefFrom(t, 0); at != npos; at = FindRefFrom(t, 0)) {
    walked += at + t.size();
    if (walked > budget) break;
    const std::string h = t.substr(at + 3, 2);
    t = ReplaceAllWhole(t, "&#x" + h, static_cast<char>(HexValue(h)));
  }
  return t;
}

}  // namespace

std::string NormaliseText(const std::string& text, const StopFlags& flags) {
  std::string t = ApplyDashRule(DecodePageText(text));
  // Nothing yields inside this function, so the flags cannot change while it
  // runs: the rule either runs to its end or not at all.
  if (flags.AnySet() || t.find("&#x") == npos || FindRefFrom(t, 0) == npos) return t;
  std::string out;
  if (HexRuleOnePass(t, out)) return out;
  return HexRuleLoop(std::move(t));
}

// ------------------------------------------------------------------ marks

void ApplyTitleMarks(std::string& title, std::string& memo) {
  static const char* const kTitleRules[][2] = {
      {"(新)", "【新】"}, {"(終)", "【終】"}, {"[字]", "【文字】"}, {"［", "【"},
      {"］", "】"},       {"（", "【"},       {"）", "】"},         {"[", "【"},
      {"]", "】"},        {"(", "【"},        {")", "】"},
  };
  for (const auto& r : kTitleRules) title = SjisReplaceAll(title, r[0], r[1]);
  static const char* const kMemoRules[][2] = {
      {"［", "【"}, {"］", "】"}, {"[", "【"}, {"]", "】"},
  };
  for (const auto& r : kMemoRules) memo = SjisReplaceAll(memo, r[0], r[1]);

  if (!SjisContains(memo, "延長注意") && SjisContains(memo, "最大延長")) memo += "【延長注意】";

  // A leading time ("05 " or "23:30 ") is no part of the title; a title
  // that is only a time leaves its place to the summary.
  auto isNumber = [](const std::string& s) {
    int v;
    return TryStrToDecimal(s, v) && v != -1;
  };
  if (title.size() >= 3 && title[2] == ' ' && isNumber(title.substr(0, 2))) {
    title.erase(0, 3);
  } else if (title.size() >= 6 && title[2] == ':' && title[5] == ' ') {
    title.erase(0, 6);
  } else if ((title.size() == 2 && isNumber(title)) || (title.size() == 5 && title[2] == ':')) {
    title = memo;
    memo.clear();
  }

  if (SjisContains(memo, "【新】")) {
    memo = SjisReplaceAll(memo, "【新】", "");
    if (!SjisContains(title, "【新】")) title = "【新】" + title;
  }
  if (SjisContains(memo, "【終】")) {
    memo = SjisReplaceAll(memo, "【終】", "");
    if (!SjisContains(title, "【終】")) title += "【終】";
  }
  if (SjisContains(memo, "【再】")) {
    memo = SjisReplaceAll(memo, "【再】", "");
    if (!SjisContains(title, "【再】")) title += "【再】";
  }
}

}  // namespace kc
