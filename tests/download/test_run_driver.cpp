// The download run's clean-up phases and its own sequence without a window
// (tests/ui/test_download_run.cpp runs it inside the window).
#include "download/run_driver.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "support/run_fixture.h"
#include "core/text.h"
#include "download/fetch_fake.h"
#include "download/programme_files.h"
#include "download/host_files.h"
#include "platform/temp_files.h"

namespace kc {
namespace {

using test::ReadBytes;
using test::WriteBytes;

// ---- cache and temp clean-up

TEST(RunCleanUp, CacheCutOffIsSevenDaysAgoAtTen) {
  TDateTime now = EncodeDate(2019, 12, 13) + EncodeTime(8, 0, 0, 0);
  EXPECT_DOUBLE_EQ(CacheCutOff(now), EncodeDate(2019, 12, 6) + EncodeTime(10, 0, 0, 0));
}

TEST(RunCleanUp, DeleteCacheKeepsThePageAtTheCutOff) {
  test::FakeClock clock(2019, 12, 13, 8, 0, 0);
  test::RunFixture f;
  const std::string cache = f.State.HostFolder + "\\Cache\\skypt\\";
  kc::Fs().ForceDirectories(cache);
  TDateTime cut = EncodeDate(2019, 12, 6) + EncodeTime(10, 0, 0, 0);
  struct Case {
    const char* name;
    TDateTime age;
    bool stays;
  } cases[] = {
      {"tvmurok16112060.html", cut, true},
      {"tvmurok16112061.html", cut - 1 / kSecondsPerDay, false},
      {"tvmurok16105300.html", cut - 30, false},
      {"TVMUROK16112062.HTML", cut - 1, false},  // names match without regard to case
      {"tvmurok16113120.html", cut + 1, true},
      {"other.html", cut - 30, true},
  };
  for (const Case& c : cases) {
    kc::WriteWholeFile(cache + c.name, "x");
    ASSERT_TRUE(kc::Fs().SetFileAge(cache + c.name, c.age));
  }
  f.State.SkipRequested = true;  // cleared at the start of the phase
  DeleteCache(f.Ctx);
  for (const Case& c : cases) EXPECT_EQ(kc::Fs().FileExists(cache + c.name), c.stays) << c.name;
  EXPECT_EQ(f.State.PhaseName, "DeleteCache");
}

TEST(RunCleanUp, DeleteTempTakesOnlyWorkFilesAndStopsOnSkip) {
  test::RunFixture f;
  const std::string temp = TempFolder();
  // Fetch files of a killed run go; names of that shape only.
  for (const char* n : {"tvmurok101.dat", "tvmurok161.dat", "tvchannel.html", "_v1.tmp",
                        "_v123456789.tmp", "_v0800001.tmp", "_v12345678x.tmp", "_v2359599990.tmp"})
    kc::WriteWholeFile(temp + n, "x");
  DeleteTemp(f.Ctx);
  EXPECT_FALSE(kc::Fs().FileExists(temp + "tvmurok101.dat"));
  EXPECT_FALSE(kc::Fs().FileExists(temp + "tvmurok161.dat"));
  EXPECT_FALSE(kc::Fs().FileExists(temp + "_v123456789.tmp"));
  EXPECT_FALSE(kc::Fs().FileExists(temp + "_v0800001.tmp"));
  EXPECT_TRUE(kc::Fs().FileExists(temp + "tvchannel.html"));
  for (const char* kept : {"_v1.tmp", "_v12345678x.tmp", "_v2359599990.tmp"})
    EXPECT_TRUE(kc::Fs().FileExists(temp + kept)) << kept;

  // Skip pressed at the first yield ends the phase after one file.
  for (const char* n : {"tvmurok101.dat", "tvmurok161.dat", "tvmurok240.dat"})
    kc::WriteWholeFile(temp + n, "x");
  ScopedMessagePump pump([&] { f.State.SkipRequested = true; });
  DeleteTemp(f.Ctx);
  EXPECT_EQ(kc::Fs().FindFiles(temp + "tvmurok*.*", kc::faAnyFile).size(), 2u);
}

TEST(RunPrepare, AChannelTableReadFromItsBackupIsLogged) {
  test::RunFixture f;
  const std::string table = "\"TVChannel\",\"TVName\",\"Status\",\r\n\"585\",\"A\",\"0\",\r\n";
  f.WriteHost("tvskypch.old", table);
  PrepareRun(f.Ctx);
  EXPECT_EQ(f.Skypch.RecordCount(), 1);
  EXPECT_EQ(f.LogLines().back(),
            "hoz.log: FormActivate: tvskypch.csv がないため tvskypch.old から読み込みました (C.ERROR)");
}

// The run's own sequence without a window: labels, bars, the guard.
TEST(RunMain, PhasesLabelsAndBars) {
  test::FakeClock clock(EncodeDate(2019, 12, 6) + EncodeTime(8, 0, 0, 0), 0.5);
  test::RunFixture f;
  test::FakeFetcher fetcher;  // writes nothing: no list, no pages
  f.Skypch.Open();
  Main(f.Ctx);
  EXPECT_EQ(f.View.Label1History,
            (std::vector<std::string>{"番組表をダウンロード中", "番組表を作成中", "終了処理中"}));
  EXPECT_EQ(f.View.P2Max, 3);
  EXPECT_EQ(f.View.P2, 3);
  EXPECT_TRUE(f.View.ButtonsDisabled);
  EXPECT_EQ(f.State.PhaseName, "MergeTVMurok");
}

TEST(RunMain, WithoutAListTheLastPageKeysStandIn) {
  test::FakeClock clock(EncodeDate(2019, 12, 6) + EncodeTime(8, 0, 0, 0), 0.5);
  const std::string list =
      u8"SptvSpecialitySelect.stations = {\"all\": {\"name\": \"すべてのチャンネル\", \"children\": {\n"
      u8"  \"500055\": {\"name\": \"055 - ジャパン\"}}}};\n";
  const std::string ini = "[TSetup.DataList_Items]\r\nCount=1\r\n[DataSet 0]\r\ncount=1\r\nArea 0=True\r\n";
  struct Case {
    const char* what;
    bool listFirst;  // a run with the list comes first
    std::string chartRequest;  // the first chart page address asked for ("" none)
    StringList log;
  } cases[] = {
      {"keys of the run before", true, "/chart/cs/500055.action?head=201912060500", {}},
      {"no keys saved", false, "",
       {"チャンネル一覧を取得できず、保存したページキーもないため番組表を取得できません"}},
  };
  for (const Case& c : cases) {
    test::RunFixture f;
    f.WriteHost("hoz.ini", ini);
    f.WriteHost("tvskypch.ini", "[DataSet 0]\r\ntvch 055=True\r\n");
    f.WriteHost("tvmurokch.csv", "55\r\n");
    PrepareRun(f.Ctx);
    test::FakeFetcher fetcher;
    if (c.listFirst) {
      fetcher.Body = [&](const test::FetchCall& call, int) -> std::optional<std::string> {
        if (call.Address.find("skylist") != std::string::npos) return list;
        return std::nullopt;
      };
      Main(f.Ctx);
      EXPECT_EQ(ReadBytes(f.Dir.file("plugin/pagekeys_skypt.txt")), "55=500055\r\n") << c.what;
      f.State = DownloadRunState{};
      f.State.PluginFolder = f.Plugin;
      PrepareRun(f.Ctx);
    }
    fetcher.Body = nullptr;
    fetcher.Calls.clear();
    const std::size_t logBefore = f.LogLines().size();
    Main(f.Ctx);
    std::string chart;
    for (const auto& call : fetcher.Calls)
      if (chart.empty() && call.Address.find("/chart/cs/5") != std::string::npos)
        chart = call.Address.substr(call.Address.find("/chart/"));
    EXPECT_EQ(chart.substr(0, c.chartRequest.size()), c.chartRequest) << c.what;
    if (c.chartRequest.empty()) {
      EXPECT_EQ(fetcher.Calls.size(), 1u) << c.what;
    }
    StringList said;
    const StringList lines = f.LogLines();
    for (std::size_t i = logBefore; i < lines.size(); ++i)
      if (lines[i].find("チャンネル一覧") != std::string::npos) said.push_back(lines[i]);
    EXPECT_EQ(said, c.log) << c.what;
  }
}

}  // namespace
}  // namespace kc
