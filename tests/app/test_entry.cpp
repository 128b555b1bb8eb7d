// The run mode chosen from the command line and the test hold the entry
// passes to the download window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_mode.h"
#include "support/test_support.h"

namespace kc {
namespace {

TEST(EntryRunMode, FirstArgumentLowerCasedEqualToSlashC) {
  struct Case {
    std::vector<std::string> args;
    RunMode mode;
  };
  const Case cases[] = {
      {{"/c"}, RunMode::Settings},
      {{"/C"}, RunMode::Settings},
      {{"/c", "extra"}, RunMode::Settings},
      {{}, RunMode::Download},
      {{"-c"}, RunMode::Download},
      {{"c"}, RunMode::Download},
      {{"/c "}, RunMode::Download},
      {{" /c"}, RunMode::Download},
      {{"/cc"}, RunMode::Download},
      {{""}, RunMode::Download},
      {{"x", "/c"}, RunMode::Download},  // only the first argument counts
      {{"／ｃ"}, RunMode::Download},     // full-width letters are not ASCII
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args.front());
    EXPECT_EQ(ChooseRunMode(c.args), c.mode);
  }
}

TEST(EntryHoldSetting, ReadsMillisecondsOrNothing) {
  struct Case {
    const char* value;
    int ms;
  };
  const Case cases[] = {{"250", 250}, {" 40 ", 40}, {"abc", 0}, {"-5", 0}, {"", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    test::ScopedEnv env("KANALIA_TEST_HOLD_MS", c.value);
    EXPECT_EQ(TestHoldMs(), c.ms);
  }
  test::ScopedEnv unset("KANALIA_TEST_HOLD_MS");
  EXPECT_EQ(TestHoldMs(), 0);
}

}  // namespace
}  // namespace kc
