// Calendar arithmetic, formatting by pattern and reading of date-time text.
#include "core/datetime.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kc
