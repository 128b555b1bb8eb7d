// Date-times as the host and the table files know them: local time counted in
// days since 1899-12-30 00:00, the time of day being the fraction. Minutes are
// added as minutes / 1440. Also the date and time text formats: a value that
// the table files and the log are given, and the process-wide one that the
// download window sets for the texts it builds (the run's end line).
#pragma once

#include <string>
#include <string_view>

namespace kc {

using TDateTime = double;

constexpr double kMinutesPerDay = 1440.0;
constexpr double kSecondsPerDay = 86400.0;

// Calendar helpers. Try* return false for an impossible date or time and leave
// the output untouched; Encode* throw kc::Error with the message
// "Invalid argument to date encode" / "Invalid argument to time encode".
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
// A date and time of day as the system clock and file times give them, with
// no range check (they are valid by construction, and a leap second or a year
// past 9999 must not throw out of a clock read).
TDateTime ComposeDateTime(int year, int month, int day, int hour, int min, int sec,
                          int msec);
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
// Milliseconds since 1899-12-30, rounded to the nearest as the host's
// runtime rounds (a half up): the one way two date-times are compared.
long long MillisecondsOf(TDateTime dt);
TDateTime DateOf(TDateTime dt);   // midnight of that day
TDateTime TimeOf(TDateTime dt);   // the fraction only
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Date and time text formats. Patterns use y, m, d, h, n, s, z as usual: "yyyy"
// four-digit year, "yy" two digits, "mm"/"m" month (minutes after h), "dd"/"d",
// "hh"/"h", "nn"/"n", "ss"/"s", "zzz"/"z" milliseconds, "/" the date
// separator, ":" the time separator; text in double or single quotes is
// literal; other characters are copied.
struct FormatSettings {
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "yyyy/mm/dd";
  std::string LongDateFormat = "yyyy/mm/dd";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  std::string CurrencyString;
};

// The process-wide formats: the download window sets them for the texts it
// builds; no file's bytes depend on them.
FormatSettings& ProcessFormats();

// Formats with the given settings (the process formats by default).
std::string FormatDateTime(const std::string& pattern, TDateTime dt);
std::string FormatDateTime(const std::string& pattern, TDateTime dt,
                           const FormatSettings& fs);
// The same text appended to out.
void AppendFormatDateTime(std::string& out, const std::string& pattern, TDateTime dt,
                          const FormatSettings& fs);
// A date-time as the table files hold it, appended to out: the short date,
// then a blank and the long time unless hour, minute and second are all
// zero (milliseconds do not count).
void AppendTableDateTime(std::string& out, TDateTime dt, const FormatSettings& fs);
// DateToStr: short date format. TimeToStr: long time format. DateTimeToStr:
// the date, then a blank and the long time unless the time is exactly 00:00:00.
std::string DateToStr(TDateTime dt);
std::string TimeToStr(TDateTime dt);
std::string DateTimeToStr(TDateTime dt);
std::string DateToStr(TDateTime dt, const FormatSettings& fs);
std::string TimeToStr(TDateTime dt, const FormatSettings& fs);
std::string DateTimeToStr(TDateTime dt, const FormatSettings& fs);

// Reads text in the short date format's order of day, month and year, with
// the date separator, optionally followed by a blank and a time with the time
// separator (h:n or h:n:s). Leading and trailing blanks are allowed. A date
// of two numbers falls in currentYear; a two-digit year within 50 years
// either side of it. Returns false when the text is no valid date-time.
bool TryStrToDateTime(std::string_view text, const FormatSettings& fs,
                      int currentYear, TDateTime& out);
bool TryStrToTime(std::string_view text, const FormatSettings& fs, TDateTime& out);

// Saves the process formats on construction and restores them on destruction,
// also when an exception passes.
class ScopedFormats {
 public:
  ScopedFormats() : saved_(ProcessFormats()) {}
  ~ScopedFormats() { ProcessFormats() = saved_; }
  ScopedFormats(const ScopedFormats&) = delete;
  ScopedFormats& operator=(const ScopedFormats&) = delete;

 private:
  FormatSettings saved_;
};

}  // namespace kc
