// The chart pages' date and time texts: lenient parsers that never fail.
#include "core/date_text.h"

#include <gtest/gtest.h>

#include <string>

#include "core/datetime.h"

namespace {

using kc::EncodeDate;
using kc::EncodeTime;
using kc::TDateTime;

std::string Show(TDateTime t) {
  return kc::FormatDateTime("yyyy/mm/dd hh:nn:ss", t) + " (" + std::to_string(t) + ")";
}

// ---------------------------------------------------------------- date text

TEST(UtilsDateText, Table) {
  struct Case {
    const char* text;
    int y, m, d;
  } cases[] = {
      // month/day in the current year; "(" and what follows is ignored
      {"12/6", 2015, 12, 6},
      {"12/6(\x8C\x8E)", 2015, 12, 6},  // 12/6(月)
      {"2010/12/6(\x8C\x8E)", 2010, 12, 6},
      // a last part above 31 is the year
      {"12/6/2010", 2010, 12, 6},
      {"12-06-2010", 2010, 12, 6},
      {"2010-12-06", 2010, 12, 6},
      {"2010:12:6", 2010, 12, 6},
      // year-month: the first day
      {"2010-12", 2010, 12, 1},
      // a zero month or day makes both 1
      {"2010/0/5", 2010, 1, 1},
      {"2010/5/0", 2010, 1, 1},
      // one ":" gives no month
      {"2010:12", 2010, 1, 1},
      // digits only: YYMMDD and YYYYMMDD
      {"101206", 2010, 12, 6},
      {"991206", 1999, 12, 6},
      {"191206", 2019, 12, 6},
      {"201206", 1920, 12, 6},
      {" 101206 ", 2010, 12, 6},
      {"ab1206", 1970, 12, 6},
      {"1012ab", 2010, 12, 1},
      {"20101206", 2010, 12, 6},
      {"2010ab06", 2010, 1, 6},
      // a day of 32 or more with a year of 12 or less: the parts rotate
      {"00121240", 40, 12, 12},
      // nothing that forms a date
      {"abc", 1970, 1, 1},
      {"", 1970, 1, 1},
      {"1206", 1970, 1, 1},
      {"2010/13/1", 1970, 1, 1},
      {"2/30", 1970, 1, 1},
      {"6/2010/12", 1970, 1, 1},
      {"-5/3", 1970, 1, 1},
  };
  for (const Case& c : cases) {
    TDateTime got = kc::ParseDateText(c.text, 2015);
    EXPECT_EQ(got, EncodeDate(c.y, c.m, c.d)) << "\"" << c.text << "\" gave " << Show(got);
  }
}

TEST(UtilsDateText, YearAndMonth) {
  EXPECT_EQ(kc::YearOfDate(EncodeDate(2010, 12, 6) + 0.75), 2010);
  EXPECT_EQ(kc::MonthOfDate(EncodeDate(2010, 12, 6) + 0.75), 12);
  EXPECT_EQ(kc::MonthOfDate(EncodeDate(2011, 1, 1)), 1);
}

// ---------------------------------------------------------------- time text

TEST(UtilsTimeText, Table) {
  struct Case {
    const char* text;
    int day, h, n, s;
  } cases[] = {
      {"12:30", 0, 12, 30, 0},
      {"12:30:45", 0, 12, 30, 45},
      {"5:07", 0, 5, 7, 0},
      {"1230", 0, 12, 30, 0},
      {"123045", 0, 12, 30, 45},
      {" 0530 ", 0, 5, 30, 0},
      // hours 24 to 35 are the next day
      {"25:30", 1, 1, 30, 0},
      {"24:00", 1, 0, 0, 0},
      {"35:59:59", 1, 11, 59, 59},
      {"2930", 1, 5, 30, 0},
      // no valid time: 00:00 and no day
      {"36:00", 0, 0, 0, 0},
      {"12:60", 0, 0, 0, 0},
      {"12:30:60", 0, 0, 0, 0},
      {"abc", 0, 0, 0, 0},
      {"123", 0, 0, 0, 0},
      {"12345", 0, 0, 0, 0},
      {"", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    TDateTime got = kc::ParseTimeText(c.text);
    EXPECT_NEAR(got, c.day + EncodeTime(c.h, c.n, c.s, 0), 1e-9)
        << "\"" << c.text << "\" gave " << got;
  }
}

}  // namespace
