// Calendar arithmetic, formatting by pattern and reading of date-time text.
#include "core/datetime.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "core/error.h"

namespace kc {
namespace {

TEST(DateTime, EpochAndKnownDays) {
  EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDate(1970, 1, 1), 25569.0);
  EXPECT_DOUBLE_EQ(EncodeDate(2010, 12, 6), 40518.0);
  EXPECT_DOUBLE_EQ(EncodeDate(2000, 3, 1) - EncodeDate(2000, 2, 28), 2.0);
  TDateTime dt;
  EXPECT_FALSE(TryEncodeDate(2010, 2, 29, dt));
  EXPECT_FALSE(TryEncodeDate(2010, 13, 1, dt));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, dt));
  EXPECT_THROW(EncodeDate(2010, 0, 5), Error);
}

TEST(DateTime, DecodeRoundsToTheMillisecond) {
  // 21:00 built from minutes / 1440 must decode as 21:00:00.000, not 20:59:59.999.
  TDateTime dt = EncodeDate(2010, 12, 6) + 1260.0 / kMinutesPerDay;
  int h, n, s, z, y, m, d;
  DecodeTime(dt, h, n, s, z);
  DecodeDate(dt, y, m, d);
  EXPECT_EQ(std::vector<int>({y, m, d, h, n, s, z}), std::vector<int>({2010, 12, 6, 21, 0, 0, 0}));
  // A value a hair below midnight belongs to the next day.
  DecodeDate(EncodeDate(2010, 12, 6) + 1 - 1e-12, y, m, d);
  EXPECT_EQ(d, 7);
  // A half millisecond rounds up, also before the epoch: -2^-11 days is
  // -42187.5 ms, so 23:59:17.813 of the day before (rounding half away from
  // zero, as the file times once did, gave .812).
  DecodeTime(-1.0 / 2048, h, n, s, z);
  DecodeDate(-1.0 / 2048, y, m, d);
  EXPECT_EQ(std::vector<int>({y, m, d, h, n, s, z}), std::vector<int>({1899, 12, 29, 23, 59, 17, 813}));
}

struct FormatCase {
  const char* pattern;
  const char* expected;
};

TEST(DateTime, FormatPatterns) {
  FormatSettings fs;
  fs.DateSeparator = '-';
  fs.ShortDateFormat = "yyyy/mm/dd";
  fs.LongTimeFormat = "hh:nn:ss";
  TDateTime dt = EncodeDate(2010, 12, 6) + EncodeTime(9, 5, 7, 45);
  const FormatCase cases[] = {
      {"yyyy/mm/dd", "2010-12-06"},
      {"hh:nn:ss", "09:05:07"},
      {"hhnnssz", "09050745"},
      {"yy m d h:n:s", "10 12 6 9:5:7"},
      {"hh:mm", "09:05"},  // m after h means minutes
      {"mmdd", "1206"},
      {"c", "2010-12-06 09:05:07"},
      {"'yyyy' \"mm\"", "yyyy mm"},
      {"番組yyyy", "番組2010"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.pattern, dt, fs), c.expected) << c.pattern;
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2010, 12, 6), fs), "2010-12-06");
}

TEST(DateTime, ScopedFormatsRestoreOnException) {
  ProcessFormats().DateSeparator = '-';
  try {
    ScopedFormats keep;
    ProcessFormats().DateSeparator = '/';
    throw Error("x");
  } catch (const Error&) {
  }
  EXPECT_EQ(ProcessFormats().DateSeparator, '-');
  ProcessFormats() = FormatSettings();
}

TEST(DateTime, ReadsTableFileDates) {
  FormatSettings fs;
  fs.DateSeparator = '/';
  fs.ShortDateFormat = "dd/mm/yyyy";
  struct {
    const char* text;
    bool ok;
    TDateTime value;
  } cases[] = {
      {"06/12/2010 21:00:00", true, EncodeDate(2010, 12, 6) + EncodeTime(21, 0, 0, 0)},
      {"06/12/2010", true, EncodeDate(2010, 12, 6)},
      {" 6/1/2010 1:02", true, EncodeDate(2010, 1, 6) + EncodeTime(1, 2, 0, 0)},
      {"31/02/2010", false, 0},
      {"06/12/2010 25:00:00", false, 0},
      {"abc", false, 0},
      {"", false, 0},
      {"06/12/2010x", false, 0},
      // the year given stands in for a missing one and places two digits
      {"6/12", true, EncodeDate(2015, 12, 6)},
      {"06/12/10", true, EncodeDate(2010, 12, 6)},
      {"06/12/70", true, EncodeDate(1970, 12, 6)},
      {"06/12/64", true, EncodeDate(2064, 12, 6)},
  };
  for (const auto& c : cases) {
    TDateTime out = -1;
    EXPECT_EQ(TryStrToDateTime(c.text, fs, 2015, out), c.ok) << c.text;
    if (c.ok) {
      EXPECT_NEAR(out, c.value, 1e-9) << c.text;
    }
  }
}

// The letters as printf once wrote them: one letter the bare number, two or
// more two digits ("yy" the year's last two, longer runs of y four), "m"
// after an hour (separators between) the minutes, "z" three digits from
// three letters.
std::string PrintfFormat(const std::string& pattern, TDateTime dt, const FormatSettings& fs) {
  int y, mo, d, h, n, s, z;
  DecodeDate(dt, y, mo, d);
  DecodeTime(dt, h, n, s, z);
  std::string out;
  char buf[32];
  bool lastWasHour = false;
  for (std::size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    std::size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    int v = -1, width = run == 1 ? 0 : 2;
    switch (c) {
      case 'y': v = run <= 2 ? y % 100 : y; width = run <= 2 ? 2 : 4; break;
      case 'm': v = lastWasHour ? n : mo; break;
      case 'd': v = d; break;
      case 'h': v = h; break;
      case 'n': v = n; break;
      case 's': v = s; break;
      case 'z': v = z; width = run >= 3 ? 3 : 0; break;
      default:
        out += c == '/' ? fs.DateSeparator : c == ':' ? fs.TimeSeparator : c;
        ++i;
        continue;
    }
    std::snprintf(buf, sizeof buf, "%0*d", width, v);
    out += buf;
    lastWasHour = c == 'h';
    i += run;
  }
  return out;
}

TEST(DateTime, FormatterWritesWhatPrintfWrote) {
  std::mt19937 rng(20101206);
  FormatSettings fs;
  fs.DateSeparator = '-';
  fs.TimeSeparator = '.';
  const std::string letters = "ymdhnsz/: ";
  std::vector<std::string> patterns = {"dd/mm/yyyy", "hh:nn:ss", "yyyy/mm/dd", "hh:nn", "d/m/yy h:n:s.zzz"};
  for (int k = 0; k < 200; ++k) {
    std::string p;
    for (int len = 1 + static_cast<int>(rng() % 12); len > 0; --len) p += letters[rng() % letters.size()];
    if (p.find("ddddd") == std::string::npos) patterns.push_back(p);  // that is the short date
  }
  // Days from before year 1 to past 9999, times to the millisecond.
  std::uniform_int_distribution<long long> day(-800000, 3100000), ms(0, 86399999);
  for (int k = 0; k < 20000; ++k) {
    const TDateTime dt = static_cast<double>(day(rng)) + static_cast<double>(ms(rng)) / 86400000.0;
    const std::string& p = patterns[static_cast<std::size_t>(k) % patterns.size()];
    ASSERT_EQ(FormatDateTime(p, dt, fs), PrintfFormat(p, dt, fs)) << p << " " << dt;
    // The table files' date-time text, in their formats and in others.
    FormatSettings table = fs;
    table.ShortDateFormat = k % 2 ? "dd/mm/yyyy" : "yyyy/m/d";
    table.LongTimeFormat = "hh:nn:ss";
    int h, n, sec, ms;
    DecodeTime(dt, h, n, sec, ms);
    std::string expected = PrintfFormat(table.ShortDateFormat, dt, table);
    if (h != 0 || n != 0 || sec != 0) expected += " " + PrintfFormat(table.LongTimeFormat, dt, table);
    std::string text = "x";
    AppendTableDateTime(text, dt, table);
    ASSERT_EQ(text, "x" + expected) << dt;
  }
}

TEST(DateTime, SavedFormReadsAsTheGeneralReadingDoes) {
  // The exact saved form has a quick reading; a blank in front takes the
  // general one. Both must agree on every text, possible or not.
  std::mt19937 rng(7);
  FormatSettings fs;
  fs.ShortDateFormat = "dd/mm/yyyy";
  auto two = [&rng](int below) {
    char b[3];
    std::snprintf(b, sizeof b, "%02d", static_cast<int>(rng() % static_cast<unsigned>(below)));
    return std::string(b);
  };
  for (int k = 0; k < 20000; ++k) {
    std::string text = two(33) + "/" + two(14) + "/" + std::to_string(1000 + rng() % 9000);
    if (k % 3 != 0) text += " " + two(26) + ":" + two(62) + ":" + two(62);
    TDateTime quick = -1, general = -1;
    const bool ok = TryStrToDateTime(text, fs, 2015, quick);
    ASSERT_EQ(ok, TryStrToDateTime(" " + text, fs, 2015, general)) << text;
    if (ok) {
      ASSERT_EQ(quick, general) << text;
    }
  }
}

}  // namespace
}  // namespace kc
