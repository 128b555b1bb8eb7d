// Shift-JIS aware search and replace, ASCII case mapping, trimming and the
// integer conversions of settings and tables.
#include "core/text.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace kc {

std::size_t SjisCharLen(const std::string& s, std::size_t i) {
  return IsSjisLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

std::string WithoutHalfCharacters(const std::string& s) {
  std::string out;
  std::size_t copied = 0;
  for (std::size_t i = 0; i < s.size();) {
    if (!IsSjisLeadByte(static_cast<unsigned char>(s[i]))) {
      ++i;
    } else if (i + 1 < s.size() && IsSjisTrailByte(static_cast<unsigned char>(s[i + 1]))) {
      i += 2;
    } else {
      out.append(s, copied, i - copied);
      copied = ++i;
    }
  }
  if (copied == 0) return s;
  out.append(s, copied, npos);
  return out;
}

std::size_t SjisFind(const std::string& hay, const std::string& needle, std::size_t from) {
  if (from > hay.size()) return npos;
  // Walk character boundaries from the start; test a candidate found by the
  // fast byte search only when a boundary lands on it.
  std::size_t walker = 0;
  std::size_t search = from;
  while (true) {
    std::size_t cand = hay.find(needle, search);
    if (cand == npos) return npos;
    while (walker < cand) walker += SjisCharLen(hay, walker);
    if (walker == cand) return cand;
    search = walker;  // cand was a trail byte; the next boundary is walker
    if (needle.empty()) return walker <= hay.size() ? walker : npos;
  }
}

std::string SjisReplaceAll(const std::string& s, const std::string& find, const std::string& repl) {
  if (find.empty()) return s;
  // One walk over the character boundaries: candidates come from the byte
  // search, and a candidate counts only when a boundary lands on it.
  std::string out;
  out.reserve(s.size());
  std::size_t pos = 0;     // start of the text not yet copied
  std::size_t walker = 0;  // a character boundary at or before the search start
  std::size_t search = 0;
  while (true) {
    std::size_t cand = s.find(find, search);
    if (cand == npos) break;
    while (walker < cand) walker += SjisCharLen(s, walker);
    if (walker != cand) {
      search = walker;
      continue;
    }
    out.append(s, pos, cand - pos);
    out += repl;
    pos = cand + find.size();
    walker = pos;
    search = pos;
  }
  out.append(s, pos, npos);
  return out;
}

std::string ByteReplaceAll(const std::string& s, const std::string& find, const std::string& repl) {
  if (find.empty()) return s;
  std::string out;
  out.reserve(s.size());
  std::size_t pos = 0;
  while (true) {
    std::size_t hit = s.find(find, pos);
    if (hit == npos) break;
    out.append(s, pos, hit - pos);
    out += repl;
    pos = hit + find.size();
  }
  out.append(s, pos, npos);
  return out;
}

std::string UpperAscii(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

std::string LowerAscii(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = LowerAsciiChar(c);
  return r;
}

bool SameTextAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAsciiChar(a[i]) != LowerAsciiChar(b[i])) return false;
  return true;
}

namespace {
bool Blank(char c) { return static_cast<unsigned char>(c) <= 0x20; }
}  // namespace

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && Blank(s[b])) ++b;
  while (e > b && Blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool TryStrToInt(std::string_view s, int& out) {
  // The runtime's reading: leading blanks, an optional sign, then decimal
  // digits or a hexadecimal number after "$", "x" or "0x"; nothing after.
  if (!s.empty() && s.size() <= 9) {
    // Up to nine decimal digits, the common case, cannot overflow.
    int v = 0;
    std::size_t k = 0;
    for (; k < s.size() && s[k] >= '0' && s[k] <= '9'; ++k) v = v * 10 + (s[k] - '0');
    if (k == s.size()) {
      out = v;
      return true;
    }
  }
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    neg = s[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  unsigned long long v = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  if (base == 10) {
    if (neg ? v > 2147483648ull : v > 2147483647ull) return false;
    out = neg ? static_cast<int>(-static_cast<long long>(v)) : static_cast<int>(v);
  } else {
    // Hexadecimal numbers may use all 32 bits.
    long long sv = static_cast<long long>(static_cast<int>(static_cast<unsigned>(v)));
    out = static_cast<int>(neg ? -sv : sv);
  }
  return true;
}

int StrToIntDef(const std::string& s, int def) {
  int v;
  return TryStrToInt(s, v) ? v : def;
}

bool TryStrToDecimal(std::string_view s, int& out) {
  return s.find_first_of("$xX") == std::string_view::npos && TryStrToInt(s, out);
}

std::string IntToStr(long long v) { return std::to_string(v); }

char* WriteIntBefore(char* end, long long v) {
  char* p = end;
  // Unsigned, so that the lowest value has a magnitude too.
  unsigned long long mag = v < 0 ? 0ull - static_cast<unsigned long long>(v)
                                 : static_cast<unsigned long long>(v);
  do {
    *--p = static_cast<char>('0' + mag % 10);
    mag /= 10;
  } while (mag != 0);
  if (v < 0) *--p = '-';
  return p;
}

void AppendInt(std::string& out, long long v) {
  char buf[24];
  char* const end = buf + sizeof buf;
  out.append(WriteIntBefore(end, v), end);
}

std::string Format3d(int v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%3.3d", v);
  return buf;
}

}  // namespace kc
