#include "download/run_context.h"

#include "platform/message_pump.h"
#include "platform/platform.h"

namespace kc {

StopFlags FlagsOf(const DownloadRunState& state) {
  StopFlags f;
  f.Stop = &state.StopRequested;
  f.Skip = &state.SkipRequested;
  return f;
}

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

void RunTokenizerYield(bool processMessages) {
  if (processMessages) ProcessMessages();
  plat::SleepMs(0);
}

}  // namespace kc
