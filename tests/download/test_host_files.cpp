// The names the plug-in shares with the host and the addresses of the site
// that every other part builds on.
#include "download/host_files.h"

#include <gtest/gtest.h>

#include <string>

#include "download/site.h"
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
