// The run mode chosen from the command line, and the names of the host's
// files and the site's addresses that every other part builds on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/host_files.h"
#include "app/run_mode.h"
#include "download/site.h"
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

TEST(EntryHostFiles, PathsBelowThePluginFolder) {
  EXPECT_EQ(host::HostFolder("C:\\Hoz\\plugin\\"), "C:\\Hoz\\plugin\\..");
  EXPECT_EQ(host::HostFolder("C:\\Hoz\\plugin"), "C:\\Hoz\\plugin\\..");
  EXPECT_EQ(host::HostFile("C:\\Hoz\\plugin\\", host::kChannelTable),
            "C:\\Hoz\\plugin\\..\\tvskypch.csv");
  EXPECT_EQ(host::LogFilePath("C:\\Hoz\\plugin\\"), "C:\\Hoz\\plugin\\\\..\\hoz.log");
  EXPECT_EQ(host::DataSetFile("C:\\Hoz\\plugin\\", 3), "C:\\Hoz\\plugin\\..\\tvdata3.csv");
  EXPECT_EQ(host::CacheFolderOf("C:\\Hoz\\plugin\\.."), "C:\\Hoz\\plugin\\..\\Cache\\skypt");
  // A folder whose last character is a double-byte one ending in 0x5C.
  EXPECT_EQ(host::HostFolder("C:\\表"), "C:\\表\\..");
}

TEST(EntrySite, BaseAddressFromTheEnvironmentOrTheBuild) {
  {
    test::ScopedEnv unset("KANALIA_BASE_URL");
    EXPECT_EQ(site::BaseAddress(), site::BuiltInBaseAddress());
    EXPECT_EQ(site::BaseAddress().back() == '/', false);
    EXPECT_EQ(site::BaseAddress().rfind("https://", 0), 0u);
  }
  struct Case {
    const char* env;
    const char* base;
  };
  const Case cases[] = {
      {"http://127.0.0.1:8080", "http://127.0.0.1:8080"},
      {"http://127.0.0.1:8080/", "http://127.0.0.1:8080"},
      {"  http://localhost:9  ", "http://localhost:9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.env);
    test::ScopedEnv env("KANALIA_BASE_URL", c.env);
    EXPECT_EQ(site::BaseAddress(), c.base);
    EXPECT_EQ(site::HomePage(), c.base);
  }
  test::ScopedEnv blank("KANALIA_BASE_URL", "   ");
  EXPECT_EQ(site::BaseAddress(), site::BuiltInBaseAddress());
}

TEST(EntrySite, MakerAddressesAreWebAddresses) {
  for (const std::string& a : {site::MakerHomePage(), site::MakerBoardPage(), site::HelpPage()}) {
    EXPECT_EQ(a.rfind("https://", 0), 0u) << a;
  }
  EXPECT_NE(site::MakerHomePage(), site::MakerBoardPage());
}

}  // namespace
}  // namespace kc
