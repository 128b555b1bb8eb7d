// Calendar arithmetic, the process-wide formats, and formatting and reading
// of date-time text.
#include "core/datetime.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/error.h"
#include "core/text.h"

namespace kc {
namespace {

constexpr long long kMsPerDay = 86400000LL;

// Days from 1970-01-01 for a proleptic Gregorian date (Howard Hinnant's
// civil-from-days inverse).
long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

// 1899-12-30 is day 0; it is 25569 days before 1970-01-01.
constexpr long long kEpochOffset = 25569;

// Splits a date-time into whole days and milliseconds of the day, rounding to
// the nearest millisecond as the host's runtime does.
void Split(TDateTime dt, long long& days, long long& msOfDay) {
  const long long t = MillisecondsOf(dt);
  days = t >= 0 ? t / kMsPerDay : -((-t + kMsPerDay - 1) / kMsPerDay);
  msOfDay = t - days * kMsPerDay;
}

// Appends v in decimal, zero-padded to width characters (a minus sign
// counting as one of them), as "%0*d" would; width 0 gives the bare number.
void AppendNumber(std::string& out, int v, int width) {
  char buf[24];
  char* const end = buf + sizeof buf;
  char* p = WriteIntBefore(end, v < 0 ? -static_cast<long long>(v) : v);
  const int pad = width - static_cast<int>(end - p) - (v < 0 ? 1 : 0);
  if (v < 0) out += '-';
  if (pad > 0) out.append(static_cast<std::size_t>(pad), '0');
  out.append(p, end);
}

}  // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  out = static_cast<double>(DaysFromCivil(year, month, day) + kEpochOffset);
  return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 ||
      msec < 0 || msec > 999)
    return false;
  out = (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) /
        static_cast<double>(kMsPerDay);
  return true;
}

TDateTime ComposeDateTime(int year, int month, int day, int hour, int min, int sec,
                          int msec) {
  return static_cast<double>(DaysFromCivil(year, month, day) + kEpochOffset) +
         (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / static_cast<double>(kMsPerDay);
}

long long MillisecondsOf(TDateTime dt) {
  return static_cast<long long>(std::floor(dt * static_cast<double>(kMsPerDay) + 0.5));
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime r;
  if (!TryEncodeDate(year, month, day, r)) throw Error("Invalid argument to date encode");
  return r;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime r;
  if (!TryEncodeTime(hour, min, sec, msec, r)) throw Error("Invalid argument to time encode");
  return r;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
  long long days, ms;
  Split(dt, days, ms);
  CivilFromDays(days - kEpochOffset, year, month, day);
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec) {
  long long days, ms;
  Split(dt, days, ms);
  hour = static_cast<int>(ms / 3600000);
  min = static_cast<int>(ms / 60000 % 60);
  sec = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

TDateTime DateOf(TDateTime dt) {
  long long days, ms;
  Split(dt, days, ms);
  return static_cast<double>(days);
}

TDateTime TimeOf(TDateTime dt) {
  long long days, ms;
  Split(dt, days, ms);
  return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

FormatSettings& ProcessFormats() {
  static FormatSettings settings;
  return settings;
}

std::string FormatDateTime(const std::string& pattern, TDateTime dt) {
  return FormatDateTime(pattern, dt, ProcessFormats());
}

namespace {

void AppendFormatted(std::string& out, const std::string& pattern, TDateTime dt,
                     const FormatSettings& fs, int depth);

bool IsZeroTime(TDateTime dt) {
  int h, n, s, z;
  DecodeTime(dt, h, n, s, z);
  return h == 0 && n == 0 && s == 0 && z == 0;
}

void AppendTwoDigits(char* p, int v) {
  p[0] = static_cast<char>('0' + v / 10);
  p[1] = static_cast<char>('0' + v % 10);
}

// "dd/mm/yyyy" with the date separator, 10 bytes.
void WriteTableDate(char* buf, int year, int month, int day, char sep) {
  AppendTwoDigits(buf, day);
  buf[2] = sep;
  AppendTwoDigits(buf + 3, month);
  buf[5] = sep;
  AppendTwoDigits(buf + 6, year / 100);
  AppendTwoDigits(buf + 8, year % 100);
}

// The two patterns every table file is written in, with the text the
// general walk below gives them; false for a year it would not write in
// four digits.
bool AppendTableForm(std::string& out, const std::string& pattern, TDateTime dt,
                     const FormatSettings& fs) {
  char buf[10];
  if (pattern.size() == 10 && std::memcmp(pattern.data(), "dd/mm/yyyy", 10) == 0) {
    int year, month, day;
    DecodeDate(dt, year, month, day);
    if (year < 0 || year > 9999) return false;
    WriteTableDate(buf, year, month, day, fs.DateSeparator);
    out.append(buf, 10);
    return true;
  }
  if (pattern.size() == 8 && std::memcmp(pattern.data(), "hh:nn:ss", 8) == 0) {
    int hour, minute, second, msec;
    DecodeTime(dt, hour, minute, second, msec);
    AppendTwoDigits(buf, hour);
    buf[2] = fs.TimeSeparator;
    AppendTwoDigits(buf + 3, minute);
    buf[5] = fs.TimeSeparator;
    AppendTwoDigits(buf + 6, second);
    out.append(buf, 8);
    return true;
  }
  return false;
}

// The text at pattern[i] that stands for itself: a Shift-JIS character, a
// quoted run (without its quotes), a date or time separator (as the
// settings have it) or a character that is no pattern letter. Returns how
// many pattern bytes it took; 0 at a pattern letter.
std::size_t AppendLiteral(std::string& out, const std::string& pattern, std::size_t i,
                          const FormatSettings& fs) {
  const std::size_t n = pattern.size();
  const char c = pattern[i];
  if (static_cast<unsigned char>(c) >= 0x80) {
    // A Shift-JIS character is copied whole.
    const std::size_t len = i + 1 < n && IsSjisLeadByte(static_cast<unsigned char>(c)) ? 2 : 1;
    out.append(pattern, i, len);
    return len;
  }
  if (c == '"' || c == '\'') {
    std::size_t j = i + 1;
    while (j < n && pattern[j] != c) ++j;
    out.append(pattern, i + 1, j - i - 1);
    return (j < n ? j + 1 : j) - i;
  }
  if (c == '/' || c == ':') {
    out += c == '/' ? fs.DateSeparator : fs.TimeSeparator;
    return 1;
  }
  if (std::strchr("ymdhnszct", static_cast<char>(c | 0x20)) == nullptr) {
    out += c;
    return 1;
  }
  return 0;
}

struct DateTimeParts {
  int year, month, day, hour, minute, second, msec;
};

// A run of one pattern letter (lc, lower case) of the given length; "m"
// right after an hour is the minute.
void AppendLetterRun(std::string& out, char lc, std::size_t run, const DateTimeParts& p,
                     bool lastWasHour, TDateTime dt, const FormatSettings& fs, int depth) {
  // One letter: the number as it is; two or more: two digits.
  auto num = [&out, run](int v) { AppendNumber(out, v, run == 1 ? 0 : 2); };
  switch (lc) {
    case 'y':
      if (run <= 2)
        AppendNumber(out, p.year % 100, 2);
      else
        AppendNumber(out, p.year, 4);
      break;
    case 'm': num(lastWasHour ? p.minute : p.month); break;
    case 'd':
      if (run >= 5)
        AppendFormatted(out, fs.ShortDateFormat, dt, fs, depth + 1);
      else
        num(p.day);
      break;
    case 'h': num(p.hour); break;
    case 'n': num(p.minute); break;
    case 's': num(p.second); break;
    case 'z': AppendNumber(out, p.msec, run >= 3 ? 3 : 0); break;
    case 'c':
      AppendFormatted(out, fs.ShortDateFormat, dt, fs, depth + 1);
      if (!IsZeroTime(dt)) {
        out += ' ';
        AppendFormatted(out, fs.LongTimeFormat, dt, fs, depth + 1);
      }
      break;
    case 't':
      AppendFormatted(out, run >= 2 ? fs.LongTimeFormat : fs.ShortTimeFormat, dt, fs, depth + 1);
      break;
  }
}

void AppendFormatted(std::string& out, const std::string& pattern, TDateTime dt,
                     const FormatSettings& fs, int depth) {
  if (depth > 2) return;
  if (AppendTableForm(out, pattern, dt, fs)) return;
  DateTimeParts p;
  DecodeDate(dt, p.year, p.month, p.day);
  DecodeTime(dt, p.hour, p.minute, p.second, p.msec);
  bool lastWasHour = false;
  const std::size_t n = pattern.size();
  std::size_t i = 0;
  while (i < n) {
    if (const std::size_t taken = AppendLiteral(out, pattern, i, fs)) {
      i += taken;
      continue;
    }
    // A run of one pattern letter, in either case.
    const char lc = static_cast<char>(pattern[i] | 0x20);
    std::size_t run = 0;
    while (i + run < n && (pattern[i + run] | 0x20) == lc) ++run;
    AppendLetterRun(out, lc, run, p, lastWasHour, dt, fs, depth);
    i += run;
    lastWasHour = lc == 'h';
  }
}

}  // namespace

std::string FormatDateTime(const std::string& pattern, TDateTime dt,
                           const FormatSettings& fs) {
  std::string out;
  AppendFormatted(out, pattern, dt, fs, 0);
  return out;
}

void AppendFormatDateTime(std::string& out, const std::string& pattern, TDateTime dt,
                          const FormatSettings& fs) {
  AppendFormatted(out, pattern, dt, fs, 0);
}

void AppendTableDateTime(std::string& out, TDateTime dt, const FormatSettings& fs) {
  long long days, ms;
  Split(dt, days, ms);
  const int hour = static_cast<int>(ms / 3600000);
  const int minute = static_cast<int>(ms / 60000 % 60);
  const int second = static_cast<int>(ms / 1000 % 60);
  const bool withTime = hour != 0 || minute != 0 || second != 0;
  int year, month, day;
  CivilFromDays(days - kEpochOffset, year, month, day);
  const bool tableForms = fs.ShortDateFormat.size() == 10 &&
                          std::memcmp(fs.ShortDateFormat.data(), "dd/mm/yyyy", 10) == 0 &&
                          fs.LongTimeFormat.size() == 8 &&
                          std::memcmp(fs.LongTimeFormat.data(), "hh:nn:ss", 8) == 0;
  if (!tableForms || year < 0 || year > 9999) {
    AppendFormatted(out, fs.ShortDateFormat, dt, fs, 0);
    if (withTime) {
      out += ' ';
      AppendFormatted(out, fs.LongTimeFormat, dt, fs, 0);
    }
    return;
  }
  // What the two patterns give, from one decoding.
  char buf[19];
  WriteTableDate(buf, year, month, day, fs.DateSeparator);
  if (!withTime) {
    out.append(buf, 10);
    return;
  }
  buf[10] = ' ';
  AppendTwoDigits(buf + 11, hour);
  buf[13] = fs.TimeSeparator;
  AppendTwoDigits(buf + 14, minute);
  buf[16] = fs.TimeSeparator;
  AppendTwoDigits(buf + 17, second);
  out.append(buf, 19);
}

std::string DateToStr(TDateTime dt, const FormatSettings& fs) {
  return FormatDateTime(fs.ShortDateFormat, dt, fs);
}

std::string TimeToStr(TDateTime dt, const FormatSettings& fs) {
  return FormatDateTime(fs.LongTimeFormat, dt, fs);
}

std::string DateTimeToStr(TDateTime dt, const FormatSettings& fs) {
  return FormatDateTime("c", dt, fs);
}

std::string DateToStr(TDateTime dt) { return DateToStr(dt, ProcessFormats()); }
std::string TimeToStr(TDateTime dt) { return TimeToStr(dt, ProcessFormats()); }
std::string DateTimeToStr(TDateTime dt) { return DateTimeToStr(dt, ProcessFormats()); }

namespace {

// Reads up to three unsigned numbers separated by `sep`; returns the count,
// or -1 when something else is met. pos advances.
int ScanNumbers(std::string_view s, std::size_t& pos, char sep, int (&nums)[3],
                int (&digits)[3]) {
  int count = 0;
  while (count < 3) {
    std::size_t start = pos;
    long v = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
      v = v * 10 + (s[pos] - '0');
      if (v > 99999) return -1;
      ++pos;
    }
    if (pos == start) return -1;
    nums[count] = static_cast<int>(v);
    digits[count] = static_cast<int>(pos - start);
    ++count;
    if (pos < s.size() && s[pos] == sep) {
      ++pos;
      continue;
    }
    break;
  }
  return count;
}

// Order of day, month and year in a short date format: 'D', 'M', 'Y'.
struct DateOrder {
  char at[3] = {'Y', 'M', 'D'};
};

DateOrder DateOrderOf(const std::string& fmt) {
  DateOrder order;
  if (fmt.size() == 10 && std::memcmp(fmt.data(), "dd/mm/yyyy", 10) == 0) {  // the tables' own
    order.at[0] = 'D';
    order.at[1] = 'M';
    order.at[2] = 'Y';
    return order;
  }
  int count = 0;
  for (char c : fmt) {
    const char lc = static_cast<char>(c | 0x20);
    if (lc != 'd' && lc != 'm' && lc != 'y') continue;
    const char uc = static_cast<char>(lc - 32);
    bool seen = false;
    for (int k = 0; k < count; ++k) seen = seen || order.at[k] == uc;
    if (seen) continue;
    if (count == 3) break;
    order.at[count++] = uc;
  }
  if (count != 3) order = DateOrder();
  return order;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Digits2(const char* p) { return (p[0] - '0') * 10 + (p[1] - '0'); }

// The form the tables write, "dd/mm/yyyy" with an optional " hh:nn:ss",
// read directly; the same value as the general reading gives. False when
// the text has another form (the caller reads it the general way); `valid`
// tells whether a text of this form was a possible date-time.
bool ReadSavedForm(std::string_view s, const FormatSettings& fs, const DateOrder& order,
                   bool& valid, TDateTime& out) {
  if (s.size() != 10 && s.size() != 19) return false;
  if (order.at[0] != 'D' || order.at[1] != 'M' || order.at[2] != 'Y') return false;
  const char ds = fs.DateSeparator, ts = fs.TimeSeparator;
  if (IsDigit(ds) || IsDigit(ts)) return false;
  const char* p = s.data();
  if (!IsDigit(p[0]) || !IsDigit(p[1]) || p[2] != ds || !IsDigit(p[3]) || !IsDigit(p[4]) ||
      p[5] != ds || !IsDigit(p[6]) || !IsDigit(p[7]) || !IsDigit(p[8]) || !IsDigit(p[9]))
    return false;
  if (s.size() == 19 &&
      (p[10] != ' ' || !IsDigit(p[11]) || !IsDigit(p[12]) || p[13] != ts || !IsDigit(p[14]) ||
       !IsDigit(p[15]) || p[16] != ts || !IsDigit(p[17]) || !IsDigit(p[18])))
    return false;
  TDateTime date = 0, time = 0;
  valid = TryEncodeDate(Digits2(p + 6) * 100 + Digits2(p + 8), Digits2(p + 3), Digits2(p), date) &&
          (s.size() == 10 || TryEncodeTime(Digits2(p + 11), Digits2(p + 14), Digits2(p + 17), 0, time));
  if (valid) out = date + time;
  return true;
}

bool ScanTime(std::string_view s, std::size_t& pos, char sep, TDateTime& out) {
  int nums[3] = {0, 0, 0}, digits[3];
  int count = ScanNumbers(s, pos, sep, nums, digits);
  if (count < 2) return false;
  int msec = 0;
  if (count == 3 && pos < s.size() && s[pos] == '.') {
    ++pos;
    std::size_t start = pos;
    long v = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && pos - start < 3) {
      v = v * 10 + (s[pos] - '0');
      ++pos;
    }
    if (pos == start) return false;
    msec = static_cast<int>(v);
  }
  return TryEncodeTime(nums[0], nums[1], count == 3 ? nums[2] : 0, msec, out);
}

}  // namespace

bool TryStrToDateTime(std::string_view text, const FormatSettings& fs, int currentYear,
                      TDateTime& out) {
  const DateOrder order = DateOrderOf(fs.ShortDateFormat);
  bool valid = false;
  if (ReadSavedForm(text, fs, order, valid, out)) return valid;
  std::size_t pos = 0;
  const std::string_view s = text;
  while (pos < s.size() && s[pos] == ' ') ++pos;
  int nums[3] = {0, 0, 0}, digits[3] = {0, 0, 0};
  std::size_t datePos = pos;
  int count = ScanNumbers(s, pos, fs.DateSeparator, nums, digits);
  TDateTime date = 0, time = 0;
  bool haveDate = false;
  if (count >= 2 && (pos >= s.size() || s[pos] == ' ')) {
    int y = 0, m = 0, d = 0;
    int yDigits = 4;
    if (count == 3) {
      for (int k = 0; k < 3; ++k) {
        if (order.at[k] == 'Y') { y = nums[k]; yDigits = digits[k]; }
        if (order.at[k] == 'M') m = nums[k];
        if (order.at[k] == 'D') d = nums[k];
      }
    } else {
      // Two numbers: month and day in the format's order, this year.
      const bool monthFirst = (order.at[0] == 'Y' ? order.at[1] : order.at[0]) == 'M';
      m = monthFirst ? nums[0] : nums[1];
      d = monthFirst ? nums[1] : nums[0];
      y = currentYear;
    }
    if (count == 3 && yDigits <= 2) {
      // Two-digit years fall within 50 years either side of the current one.
      int century = currentYear - 50;
      y += (century / 100) * 100;
      if (y < century) y += 100;
    }
    if (!TryEncodeDate(y, m, d, date)) return false;
    haveDate = true;
  } else {
    pos = datePos;
  }
  while (pos < s.size() && s[pos] == ' ') ++pos;
  if (pos < s.size()) {
    if (!ScanTime(s, pos, fs.TimeSeparator, time)) return false;
    while (pos < s.size() && s[pos] == ' ') ++pos;
    if (pos != s.size()) return false;
  } else if (!haveDate) {
    return false;
  }
  out = date + time;
  return true;
}

bool TryStrToTime(std::string_view text, const FormatSettings& fs, TDateTime& out) {
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  TDateTime t;
  if (!ScanTime(text, pos, fs.TimeSeparator, t)) return false;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  if (pos != text.size()) return false;
  out = t;
  return true;
}

}  // namespace kc
