// The run mode chosen from the command line, the test hold the entry passes
// to the download window, and the settings mode's windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_mode.h"
#include "support/test_support.h"
#include "ui/bulk_input_window.h"
#include "ui/conversion_window.h"
#include "ui/settings_fixture.h"

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

class SettingsModeTest : public test::SettingsFixture {};

// ---- the settings mode

TEST_F(SettingsModeTest, CreatesTheThreeWindowsAndShowsOne) {
  StoredChannels();
  bool checked = false;
  H().At(5, [&] {
    auto* setup = dynamic_cast<TFormDLLSetup*>(ui::App().MainForm);
    ASSERT_NE(setup, nullptr);
    ASSERT_NE(setup->FormCh, nullptr);
    ASSERT_NE(setup->FormImport, nullptr);
    EXPECT_TRUE(setup->Visible());
    EXPECT_FALSE(setup->FormCh->Visible());
    EXPECT_FALSE(setup->FormImport->Visible());
    EXPECT_EQ(setup->TVChList.Count(), 2);  // activated on showing
    setup->buttonImp.Click();
    EXPECT_TRUE(setup->FormImport->Visible());
    setup->ButtonChange.Click();
    EXPECT_TRUE(setup->FormCh->Visible());
    checked = true;
    setup->ButtonClose.Click();
  });
  EXPECT_EQ(RunSettingsMode(Opts()), 0);
  EXPECT_TRUE(checked);
  EXPECT_EQ(HostIni("hoz.ini", "TSetup", "DLL_SkyptE2"), "False");
}

}  // namespace
}  // namespace kc
