// The names the plug-in shares with the host and the addresses of the site
// that every other part builds on.
#include "download/host_files.h"

#include <gtest/gtest.h>

#include <string>

#include "analysis/site.h"
#include "core/error.h"
#include "download/programme_files.h"
#include "support/run_fixture.h"
#include "support/test_support.h"

namespace kc {
namespace {

TEST(HostFiles, PathsBelowThePluginFolder) {
  EXPECT_EQ(HostFolder("C:\\Hoz\\plugin\\"), "C:\\Hoz\\plugin\\..");
  EXPECT_EQ(HostFolder("C:\\Hoz\\plugin"), "C:\\Hoz\\plugin\\..");
  EXPECT_EQ(HostFile("C:\\Hoz\\plugin\\", host::kChannelTable),
            "C:\\Hoz\\plugin\\..\\tvskypch.csv");
  EXPECT_EQ(LogFilePath("C:\\Hoz\\plugin\\"), "C:\\Hoz\\plugin\\\\..\\hoz.log");
  EXPECT_EQ(DataSetFile("C:\\Hoz\\plugin\\", 3), "C:\\Hoz\\plugin\\..\\tvdata3.csv");
  EXPECT_EQ(CacheFolder("C:\\Hoz\\plugin\\.."), "C:\\Hoz\\plugin\\..\\Cache\\skypt");
  // A folder whose last character is a double-byte one ending in 0x5C.
  EXPECT_EQ(HostFolder("C:\\表"), "C:\\表\\..");
}

TEST(HostFiles, OnlyADecimalChannelNamesAFile) {
  EXPECT_EQ(ChartPageFileName("55", EncodeDate(2010, 12, 6), 2), "tvmurok05512062.html");
  for (const char* bad : {"\\..\\..\\x", "1a", "", "12/", " 12"}) {
    EXPECT_THROW(ProgrammeFile(bad), Error) << bad;
    EXPECT_THROW(ChartPageFileName(bad, EncodeDate(2010, 12, 6), 0), Error) << bad;
  }

  // A table row whose text climbs out of the work files' names (five
  // characters, as the table holds them): the clean-ups of a run leave the
  // file it names alone and say so once.
  test::RunFixture f;
  f.AddChannel("\\..\\x", "外");
  f.AddChannel("161", "シネマ");
  ASSERT_TRUE(test::WriteBytes(f.Host("temp/tvmurok/keep"), ""));
  ASSERT_TRUE(test::WriteBytes(f.Host("temp/x.dat"), "keep"));
  ASSERT_TRUE(test::WriteBytes(f.Host("temp/tvmurok161.dat"), "old"));
  BuildProgrammeFiles(f.Ctx);
  MergeIntoDatasets(f.Ctx);
  EXPECT_EQ(test::ReadBytes(f.Host("temp/x.dat")), "keep");
  EXPECT_FALSE(test::FileExistsAt(f.Host("temp/tvmurok161.dat")));
  StringList lines = f.LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("TVChannelエラー:\\..\\x"), std::string::npos) << lines[0];
}

TEST(Site, BaseAddressFromTheEnvironmentOrTheBuild) {
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

TEST(Site, MakerAddressesAreWebAddresses) {
  for (const std::string& a : {site::MakerHomePage(), site::MakerBoardPage(), site::HelpPage()}) {
    EXPECT_EQ(a.rfind("https://", 0), 0u) << a;
  }
  EXPECT_NE(site::MakerHomePage(), site::MakerBoardPage());
}

}  // namespace
}  // namespace kc
