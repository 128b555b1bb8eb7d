// The date and time texts of the chart pages as the analyser reads them:
// lenient parsers that never fail, and the year and month of a date-time.
#pragma once

#include <string>

#include "core/datetime.h"

namespace kc {

// "y/m/d", "m/d/y", "y-m-d", "y:m:d", "y-m", "m/d" (in currentYear), "yymmdd",
// "yyyymmdd"; "(" and what follows the day is ignored. Never fails: text that
// forms no date gives 1970-01-01.
TDateTime ParseDateText(const std::string& text, int currentYear);
// "h:n", "h:n:s", "hhnn", "hhnnss"; hours 24 to 35 are the next day. Never
// fails: text that forms no time gives 00:00.
TDateTime ParseTimeText(const std::string& text);
int YearOfDate(TDateTime dt);
int MonthOfDate(TDateTime dt);

}  // namespace kc
