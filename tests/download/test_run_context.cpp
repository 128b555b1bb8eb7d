// What a download run gives the parts it drives: the tokenizer's yield and
// the run's text formats.
#include <gtest/gtest.h>

#include <string>

#include "analysis/html_parser.h"
#include "platform/message_pump.h"
#include "download/run_context.h"

namespace kc {
namespace {

// The run's yield handles the window's messages only where the tokenizer
// asks for it: every ten bytes of a line and at its end.
TEST(RunContext, TokenizerYieldPumpsEveryTenBytes) {
  int pumps = 0;
  ScopedMessagePump pump([&] { ++pumps; });
  THTMLParser parser;
  parser.Lines = {std::string(25, 'a'), "<b>"};
  parser.Execute(RunTokenizerYield);
  EXPECT_EQ(pumps, 3 + 1);
  EXPECT_EQ(parser.Elements.size(), 2u);
}

TEST(RunContext, FormatsPrintDatesWithDashes) {
  const FormatSettings fs = RunFormats();
  const TDateTime t = EncodeDate(2010, 12, 6) + EncodeTime(22, 15, 30, 0);
  EXPECT_EQ(DateTimeToStr(t, fs), "2010-12-06 22:15:30");
  EXPECT_EQ(TimeToStr(t, fs), "22:15:30");
  EXPECT_EQ(FormatDateTime("t", t, fs), "22:15:30");
}

}  // namespace
}  // namespace kc
