#include "core/date_text.h"

#include <cstdint>

#include "core/text.h"

namespace kc {

namespace {

// The date parts are 16-bit unsigned in the table's comparisons.
std::uint16_t Word(int v) { return static_cast<std::uint16_t>(v); }

int Number(const std::string& s) { return StrToIntDef(Trim(s), 0); }

// The text before the first "(" (12/6(月) reads as 12/6).
std::string BeforeParen(const std::string& s) {
  std::size_t p = SjisFind(s, "(");
  return p == npos ? s : s.substr(0, p);
}

TDateTime BuildDate(std::uint16_t y, std::uint16_t m, std::uint16_t d) {
  TDateTime out;
  if (TryEncodeDate(y, m, d, out)) return out;
  return EncodeDate(1970, 1, 1);
}

}  // namespace

TDateTime ParseDateText(const std::string& text, int currentYear) {
  std::string sep;
  if (SjisContains(text, "/")) sep = "/";
  else if (SjisContains(text, "-")) sep = "-";
  else if (SjisContains(text, ":")) sep = ":";

  std::uint16_t y = 1970, m = 1, d = 1;
  if (!sep.empty()) {
    std::size_t s1 = SjisFind(text, sep);
    std::uint16_t p1 = Word(Number(text.substr(0, s1)));
    std::string rest = text.substr(s1 + 1);
    std::size_t s2 = SjisFind(rest, sep);
    if (s2 != npos) {
      std::uint16_t p2 = Word(Number(rest.substr(0, s2)));
      std::uint16_t p3 = Word(Number(BeforeParen(rest.substr(s2 + 1))));
      if (p3 <= 31) {
        y = p1; m = p2; d = p3;
      } else {
        y = p3; m = p1; d = p2;
      }
    } else if (sep == "/") {
      y = Word(currentYear);
      m = p1;
      d = Word(Number(BeforeParen(rest)));
    } else if (sep == "-") {
      y = p1;
      m = Word(Number(rest));
      d = 1;
    } else {
      // One ":" only: no month.
      y = p1;
      m = 0;
      d = Word(Number(BeforeParen(rest)));
    }
  } else {
    std::string t = Trim(text);
    if (t.size() == 6) {
      int yy;
      if (!TryStrToInt(t.substr(0, 2), yy)) yy = 70;
      y = Word(yy < 20 ? 2000 + yy : 1900 + yy);
      m = Word(StrToIntDef(t.substr(2, 2), 1));
      d = Word(StrToIntDef(t.substr(4, 2), 1));
    } else if (t.size() == 8) {
      y = Word(StrToIntDef(t.substr(0, 4), 1970));
      m = Word(StrToIntDef(t.substr(4, 2), 1));
      d = Word(StrToIntDef(t.substr(6, 2), 1));
    }
  }
  if (m == 0 || d == 0) {
    m = 1;
    d = 1;
  }
  if (d >= 32 && y <= 12) return BuildDate(d, y, m);
  return BuildDate(y, m, d);
}

TDateTime ParseTimeText(const std::string& text) {
  int h = 0, n = 0, s = 0;
  std::size_t c1 = SjisFind(text, ":");
  if (c1 != npos) {
    h = Number(text.substr(0, c1));
    std::string rest = text.substr(c1 + 1);
    std::size_t c2 = SjisFind(rest, ":");
    if (c2 != npos) {
      n = Number(rest.substr(0, c2));
      s = Number(rest.substr(c2 + 1));
    } else {
      n = Number(rest);
    }
  } else {
    std::string t = Trim(text);
    if (t.size() == 4 || t.size() == 6) {
      h = Number(t.substr(0, 2));
      n = Number(t.substr(2, 2));
      if (t.size() == 6) s = Number(t.substr(4, 2));
    }
  }
  double day = 0;
  if (h >= 24 && h <= 35) {
    h -= 24;
    day = 1;
  }
  TDateTime t;
  if (!TryEncodeTime(h, n, s, 0, t)) return 0;
  return day + t;
}

int YearOfDate(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return y;
}

int MonthOfDate(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return m;
}

}  // namespace kc
