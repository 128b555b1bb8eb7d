#include "download/run_context.h"

#include "platform/message_pump.h"
#include "platform/platform.h"

namespace kc {

FormatSettings RunFormats() {
  // The defaults but for these two: dates "yyyy/mm/dd" with "-", times
  // "hh:nn:ss" with ":", short and long.
  FormatSettings fs;
  fs.DateSeparator = '-';
  fs.ShortTimeFormat = fs.LongTimeFormat;
  return fs;
}

void RunTokenizerYield(bool processMessages) {
  if (processMessages) ProcessMessages();
  kc::SleepMs(0);
}

}  // namespace kc
