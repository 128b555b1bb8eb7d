// The promise under faults: whatever fails and whenever the user acts, a
// run ends, the host's dataset files are their old content plus whole
// lines, the channel table is whole (old or new) with a whole backup, and
// the log only grows. A small whole run (two channels, two datasets, one of
// them new) is repeated with the failure seam armed at every input/output
// call in turn, and with Stop, Skip and Pause at every yield in turn; each
// failed or stopped run is followed by a clean run that must recover.
// The figures go to standard output for docs/RELIABILITY.md.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "support/run_fixture.h"
#include "core/text.h"
#include "download/fetch_fake.h"
#include "download/host_files.h"
#include "download/run_driver.h"
#include "platform/message_pump.h"
#include "platform/temp_files.h"
#include "support/fault_seam.h"

namespace kc {
namespace {

using test::ReadBytes;

const char kHeader[] =
    "\"開始時間\",\"チャンネル\",\"終了時間\",\"番組名\",\"内容\",\"カテゴリー\",\"URL\","
    "\"GCODE\",\"Flag\",\"予備\",";
const char kOldTable[] = "\"TVChannel\",\"TVName\",\"Status\",\r\n\"101\",\"テスト局\",\"0\",\r\n"
                         "\"161\",\"映画\",\"0\",\r\n";
const char kOlderTable[] = "\"TVChannel\",\"TVName\",\"Status\",\r\n\"101\",\"テスト局\",\"0\",\r\n";
const std::string kOldData0 = std::string(kHeader) + "\r\n\"old\",\"row\",,,,,,,,,\r\n";
// A page of an earlier day that no run of today asks for.
const char kEarlierPage[] = "Cache/skypt/tvmurok10112050.html";

std::string ChartPage() {
  std::string page = ReadBytes(test::SourcePath("tests/data/analyser/shared_span.html"));
  return page + "<!-- " + std::string(6000, '-') + " -->\n";
}

std::string ListPage() {
  return u8"<script>\nSptvSpecialitySelect.stations = {\"all\": {\"name\": \"すべてのチャンネル\", "
         u8"\"children\": {\n  \"500101\": {\"name\": \"101 - テスト局\"}, "
         u8"\"500161\": {\"name\": \"161 - 映画\"}}}};\n</script>\n";
}

// One host folder laid out for the small run, with the stand-ins that make
// runs quick: the fetcher serves the list and a chart page for every
// address, sleeps and minute waits take no time, the clock moves 0.5 s per
// reading.
struct Host {
  test::FakeClock clock{EncodeDate(2019, 12, 6) + EncodeTime(8, 0, 0, 0), 0.5};
  test::RunFixture f;
  test::FakeFetcher fetcher;
  kc::ScopedSleep noSleep{[](unsigned) {}};
  ScopedMinuteWait noWait{[](double) {}};
  std::string logBefore;

  Host() {
    f.WriteHost("hoz.ini",
                "[TSetup]\r\n[TSetup.DataList_Items]\r\nCount=2\r\n"
                "[DataSet 0]\r\ncount=1\r\nArea 0=True\r\n[DataSet 1]\r\ncount=1\r\nArea 0=True\r\n");
    f.WriteHost("tvskypch.ini",
                "[DataSet 0]\r\ntvch 101=True\r\n[DataSet 1]\r\ntvch 101=True\r\ntvch 161=True\r\n");
    f.WriteHost("tvskypch.csv", std::string(kOldTable));
    f.WriteHost("tvskypch.old", std::string(kOlderTable));
    f.WriteHost("tvdata0.csv", kOldData0);
    f.WriteHost("tvmurokch.csv", "101\r\n161\r\n");
    kc::Fs().ForceDirectories(f.HostFile("Cache\\skypt"));
    f.WriteHost(kEarlierPage, "an earlier day's page");
    const std::string list = ListPage(), chart = ChartPage();
    fetcher.Body = [list, chart](const test::FetchCall& c, int) -> std::optional<std::string> {
      return c.Address.find("list.action") != std::string::npos ? list : chart;
    };
    logBefore = f.ReadHost("hoz.log");
  }

  // One run as the window makes it; what escaped it is returned.
  std::string Run() {
    try {
      f.State = DownloadRunState{};
      f.State.PluginFolder = f.Plugin;
      PrepareRun(f.Ctx);
      Main(f.Ctx);
      f.Skypch.Close();
      return "";
    } catch (const std::exception& e) {
      return e.what();
    }
  }
};

// Old content plus whole lines, each one a line the clean run writes.
::testing::AssertionResult OldPlusWholeLines(const std::string& now, const std::string& old,
                                            const std::set<std::string>& allowed) {
  if (now.compare(0, old.size(), old) != 0)
    return ::testing::AssertionFailure() << "old content changed";
  const std::string added = now.substr(old.size());
  if (!added.empty() && added.size() < 2) return ::testing::AssertionFailure() << "half a line";
  if (!added.empty() && added.compare(added.size() - 2, 2, "\r\n") != 0)
    return ::testing::AssertionFailure() << "half a line at the end";
  for (const std::string& line : SplitLines(added)) {
    if (!allowed.count(line)) return ::testing::AssertionFailure() << "foreign line: " << line;
    if (!old.empty() && line == std::string(kHeader))
      return ::testing::AssertionFailure() << "a header in an old file";
  }
  return ::testing::AssertionSuccess();
}

struct CleanRun {
  int calls = 0;
  int yields = 0;
  std::set<std::string> lines;  // every line a dataset file may get
  std::string table;            // the channel table a clean run saves
};

CleanRun Clean() {
  CleanRun c;
  Host h;
  int yields = 0;
  {
    ScopedMessagePump pump([&] { ++yields; });
    test::FaultSeam seam;
    EXPECT_EQ(h.Run(), "");
    c.calls = seam.Calls();
  }
  c.yields = yields;
  for (const char* name : {"tvdata0.csv", "tvdata1.csv"})
    for (const std::string& l : SplitLines(h.f.ReadHost(name))) c.lines.insert(l);
  c.lines.insert(std::string(kHeader));
  c.table = h.f.ReadHost("tvskypch.csv");
  EXPECT_GT(c.lines.size(), 4u) << "the clean run merged programmes";
  return c;
}

// What must hold after any run of the host, and after the clean run that
// follows it.
void CheckHost(Host& h, const CleanRun& clean, const std::string& what) {
  const std::string old0 = kOldData0;
  EXPECT_TRUE(OldPlusWholeLines(h.f.ReadHost("tvdata0.csv"), old0, clean.lines)) << what;
  EXPECT_TRUE(OldPlusWholeLines(h.f.ReadHost("tvdata1.csv"), "", clean.lines)) << what;
  const std::string table = h.f.ReadHost("tvskypch.csv");
  EXPECT_TRUE(table == std::string(kOldTable) || table == clean.table) << what;
  const std::string backup = h.f.ReadHost("tvskypch.old");
  EXPECT_TRUE(backup.empty() || backup == std::string(kOldTable) ||
              backup == std::string(kOlderTable))
      << what;
  EXPECT_EQ(h.f.ReadHost("hoz.log").compare(0, h.logBefore.size(), h.logBefore), 0) << what;
}

void CheckRecovery(Host& h, const CleanRun& clean, const std::string& what) {
  const std::string logBefore = h.f.ReadHost("hoz.log");
  EXPECT_EQ(h.Run(), "") << what << ": the run after it";
  const std::string old0 = kOldData0;
  EXPECT_TRUE(OldPlusWholeLines(h.f.ReadHost("tvdata0.csv"), old0, clean.lines)) << what;
  EXPECT_TRUE(OldPlusWholeLines(h.f.ReadHost("tvdata1.csv"), "", clean.lines)) << what;
  EXPECT_EQ(h.f.ReadHost("tvskypch.csv"), clean.table) << what;
  EXPECT_EQ(h.f.ReadHost("hoz.log").compare(0, logBefore.size(), logBefore), 0) << what;
}

// Every call and yield natively; under Wine every file call is slow, so a
// sample that fits the stage's time-out (KC_MATRIX_EVERY sets another).
int Every() {
  const std::string set = kc::GetEnv("KC_MATRIX_EVERY");
  if (!set.empty()) return std::max(1, StrToIntDef(set, 1));
#ifdef _WIN32
  return 3;
#else
  return 1;
#endif
}

double SecondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

TEST(FaultMatrix, EveryInputOutputCallFailsOnce) {
  const auto start = std::chrono::steady_clock::now();
  const CleanRun clean = Clean();
  ASSERT_GT(clean.calls, 50);
  std::map<std::string, int> kinds, raised;
  int escaped = 0, writeFailuresLogged = 0, datasetWriteFailures = 0;
  const int every = Every();
  int runs = 0;
  for (int n = 1; n <= clean.calls; n += every) {
    ++runs;
    Host h;
    std::string failed, thrown;
    {
      test::FaultSeam seam(n);
      thrown = h.Run();
      failed = seam.Failed();
    }
    if (!thrown.empty()) {
      ++escaped;
      ++raised[thrown];
    }
    const std::string what = "call " + std::to_string(n) + " failed: " + failed;
    ASSERT_FALSE(failed.empty()) << what;
    ++kinds[failed.substr(0, failed.find(' '))];
    CheckHost(h, clean, what);
    // A dataset write that failed is said in the log.
    if (failed.rfind("write ", 0) == 0 && failed.find("tvdata") != std::string::npos) {
      ++datasetWriteFailures;
      const std::string log = h.f.ReadHost("hoz.log");
      if (log.find("に書き込めません") != std::string::npos) ++writeFailuresLogged;
      else ADD_FAILURE() << what << ": not logged";
    }
    CheckRecovery(h, clean, what);
  }
  std::printf("fault matrix: %d calls per run, %d runs with one failed call (+ %d recovery runs), "
              "%d raised to the window, %d of %d dataset write failures logged, %.1f s\n",
              clean.calls, runs, runs, escaped, writeFailuresLogged, datasetWriteFailures,
              SecondsSince(start));
  for (const auto& [kind, count] : kinds) std::printf("  %-8s %d\n", kind.c_str(), count);
  for (const auto& [message, count] : raised)
    std::printf("  raised %d times: %s\n", count, kc::Cp932ToUtf8(message).c_str());
}

TEST(FaultMatrix, StopSkipAndPauseAtEveryYield) {
  const auto start = std::chrono::steady_clock::now();
  const CleanRun clean = Clean();
  ASSERT_GT(clean.yields, 10);
  enum Action { Stop, Skip, PauseResume, PauseStop };
  const char* names[] = {"Stop", "Skip", "Pause then Resume", "Pause then Stop"};
  // Every yield up to this many, then every stride-th, so that the matrix
  // stays within its time; the figures say how many were tried.
  const int limit = 400;
  const int stride = std::max(1, (clean.yields - limit) / 400);
  const int every = Every();
  int tried = 0;
  for (int k = 1; k <= clean.yields; k += std::max(every, k <= limit ? 1 : stride)) {
    for (Action a : {Stop, Skip, PauseResume, PauseStop}) {
      Host h;
      const std::string what = std::string(names[a]) + " at yield " + std::to_string(k);
      int yields = 0;
      bool acted = false, inPause = false;
      std::string phaseAtStop;
      {
        ScopedMessagePump pump([&] {
          if (inPause || ++yields != k) return;
          acted = true;
          if (a == Skip) h.f.State.SkipRequested = true;
          if (a == PauseResume || a == PauseStop) {
            // The pause loop handles messages until Resume or Stop.
            inPause = true;
            for (int i = 0; i < 3; ++i) YieldToMessages();
            inPause = false;
          }
          if (a == Stop || a == PauseStop) {
            h.f.State.StopRequested = true;
            phaseAtStop = h.f.State.PhaseName;
          }
        });
        EXPECT_EQ(h.Run(), "") << what;
      }
      ++tried;
      EXPECT_TRUE(acted) << what;
      CheckHost(h, clean, what);
      if (a == Stop || a == PauseStop) {
        for (const std::string& page : h.f.State.DownloadedFiles)
          EXPECT_FALSE(kc::Fs().FileExists(page)) << what << ": " << page;
        EXPECT_EQ(h.f.ReadHost(kEarlierPage), "an earlier day's page") << what;
        if (phaseAtStop != "MergeTVMurok") {
          EXPECT_EQ(h.f.ReadHost("tvdata0.csv"), kOldData0) << what;
          EXPECT_FALSE(kc::Fs().FileExists(h.f.HostFile("tvdata1.csv"))) << what;
        }
      }
      CheckRecovery(h, clean, what);
    }
  }
  std::printf("yield matrix: %d yields per run, %d runs (Stop, Skip, Pause then Resume, Pause "
              "then Stop; every yield up to %d, then every %d-th), %.1f s\n",
              clean.yields, tried, limit, stride, SecondsSince(start));
}

}  // namespace
}  // namespace kc
