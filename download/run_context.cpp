#include "download/run_context.h"

namespace kc {

FormatSettings RunFormats() {
  FormatSettings fs;
  fs.DateSeparator = '-';
  fs.ShortDateFormat = "yyyy/mm/dd";
  fs.LongDateFormat = "yyyy/mm/dd";
  fs.TimeSeparator = ':';
  fs.ShortTimeFormat = "hh:nn:ss";
  fs.LongTimeFormat = "hh:nn:ss";
  return fs;
}

}  // namespace kc
