// The download run's clean-up phases and its own sequence without a window
// (tests/ui/test_download_run.cpp runs it inside the window).
#include "download/run_driver.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "analysis/run_fixture.h"
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
  plat::Fs().ForceDirectories(cache);
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
    plat::WriteWholeFile(cache + c.name, "x");
    ASSERT_TRUE(plat::Fs().SetFileAge(cache + c.name, c.age));
  }
  f.State.SkipRequested = true;  // cleared at the start of the phase
  DeleteCache(f.Ctx);
  for (const Case& c : cases) EXPECT_EQ(plat::Fs().FileExists(cache + c.name), c.stays) << c.name;
  EXPECT_EQ(f.State.PhaseName, "DeleteCache");
}

TEST(RunCleanUp, DeleteTempTakesOnlyWorkFilesAndStopsOnSkip) {
  test::RunFixture f;
  const std::string temp = TempFolder();
  for (const char* n : {"tvmurok101.dat", "tvmurok161.dat", "tvchannel.html", "_v1.tmp"})
    plat::WriteWholeFile(temp + n, "x");
  DeleteTemp(f.Ctx);
  EXPECT_FALSE(plat::Fs().FileExists(temp + "tvmurok101.dat"));
  EXPECT_FALSE(plat::Fs().FileExists(temp + "tvmurok161.dat"));
  EXPECT_TRUE(plat::Fs().FileExists(temp + "tvchannel.html"));
  EXPECT_TRUE(plat::Fs().FileExists(temp + "_v1.tmp"));

  // Skip pressed at the first yield ends the phase after one file.
  for (const char* n : {"tvmurok101.dat", "tvmurok161.dat", "tvmurok240.dat"})
    plat::WriteWholeFile(temp + n, "x");
  ScopedMessagePump pump([&] { f.State.SkipRequested = true; });
  DeleteTemp(f.Ctx);
  EXPECT_EQ(plat::Fs().FindFiles(temp + "tvmurok*.*", plat::faAnyFile).size(), 2u);
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

}  // namespace
}  // namespace kc
