// The download run end to end inside the download window (headless
// controls, a stand-in fetcher serving one saved chart page for every
// address).
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "support/run_fixture.h"
#include "core/text.h"
#include "download/fetch_fake.h"
#include "download/host_files.h"
#include "download/programme_files.h"
#include "download/run_driver.h"
#include "platform/temp_files.h"
#include "ui/controls.h"
#include "ui/download_window.h"

namespace kc {
namespace {

using test::ReadBytes;
using test::WriteBytes;

// ---- the whole run in the window

// A chart page of the site's shape, over the acceptance threshold.
std::string ChartPage() {
  std::string page = ReadBytes(test::SourcePath("tests/data/analyser/shared_span.html"));
  page += "<!-- " + std::string(6000, '-') + " -->\n";
  return page;
}

class DownloadRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::App().Init(ui::BackendKind::Headless);
    WriteBytes(dir.file("plugin/readme.txt"), "");
    WriteBytes(dir.file("hoz.ini"),
               "[TSetup]\r\n[TSetup.DataList_Items]\r\nCount=1\r\nItem0=CS\r\n"
               "[DataSet 0]\r\ncount=1\r\nArea 0=True\r\n");
    WriteBytes(dir.file("tvskypch.ini"), "[DataSet 0]\r\ntvch 101=True\r\ntvch 161=True\r\n");
    WriteBytes(dir.file("tvskypch.csv"),
               kc::Utf8ToCp932(u8"\"TVChannel\",\"TVName\",\"Status\",\r\n"
                                 u8"\"101\",\"テスト局\",\"0\",\r\n\"161\",\"映画\",\"0\",\r\n"));
    // The list page brings nothing: the numbers and page keys of the
    // previous run count.
    WriteBytes(dir.file("tvmurokch.csv"), "101\r\n161\r\n");
    WriteBytes(dir.file("plugin/pagekeys_skypt.txt"), "101=500101\r\n161=500161\r\n");
    fetcher.Body = [](const test::FetchCall& c, int) -> std::optional<std::string> {
      if (c.Address.find("list.action") != std::string::npos) return std::nullopt;
      return ChartPage();
    };
  }
  void TearDown() override { ui::App().Shutdown(); }

  TFormDLL::Options Opts() {
    TFormDLL::Options o;
    o.CloseWaitSeconds = 0.05;
    o.PluginFolder = dir.winFile("plugin") + "\\";
    return o;
  }
  ui::HeadlessBackend& H() { return *ui::Headless(); }
  int ChartCalls() const {
    int n = 0;
    for (const auto& c : fetcher.Calls) n += c.Address.find("head=") != std::string::npos;
    return n;
  }
  StringList LogLines() {
    StringList out;
    for (const std::string& l : SplitLines(ReadBytes(dir.file("hoz.log"))))
      if (l.rfind("--- ", 0) != 0 && l.rfind("Version ", 0) != 0) out.push_back(l);
    return out;
  }
  // The end line: date and time in the window's formats, then the text.
  static bool IsEndLine(const std::string& l) {
    return l.size() == 19 + std::string(" Kanalia(CS) ダウンロード終了").size() &&
           l[4] == '-' && l[7] == '-' && l[13] == ':' &&
           l.substr(19) == " Kanalia(CS) ダウンロード終了";
  }
  std::string Cache(const std::string& name) { return dir.file("Cache/skypt/" + name); }

  test::TempDir dir;
  bool tempMade = WriteBytes(dir.file("temp/.keep"), "");
  test::ScopedEnv temp{"temp", dir.winPath() + "\\temp"};
  test::FakeFetcher fetcher;
  test::FakeClock clock{EncodeDate(2019, 12, 6) + EncodeTime(8, 0, 0, 0), 0.5};
};

TEST_F(DownloadRun, FetchesAnalysesAndMergesInOrder) {
  TFormDLL f(Opts());
  ui::App().Run();

  EXPECT_EQ(ChartCalls(), 8);
  StringList log = LogLines();
  ASSERT_EQ(log.size(), 4u) << JoinLinesCrLf(log);
  EXPECT_EQ(log[0], "Kanalia(CS)プラグイン");
  EXPECT_EQ(log[1], "Kanalia(CS) ダウンロード開始");
  EXPECT_EQ(log[2], "取得結果: 2チャンネル, ページ8件 (失敗0件), 番組16件, データセット0: 16行");
  EXPECT_TRUE(IsEndLine(log[3])) << log[3];

  // one header, then per channel its eight programmes in start order
  StringList data = SplitLines(ReadBytes(dir.file("tvdata0.csv")));
  ASSERT_EQ(data.size(), 1u + 16u);
  EXPECT_EQ(data[0].rfind("\"開始時間\",\"チャンネル\"", 0), 0u);
  EXPECT_NE(data[1].find("\"101.テスト局\""), std::string::npos);
  EXPECT_NE(data[9].find("\"161.映画\""), std::string::npos);
  // the programme files are gone, the pages stay in the cache
  EXPECT_TRUE(kc::Fs().FindFiles(TempFolder() + "tvmurok*.*", kc::faAnyFile).empty());
  EXPECT_TRUE(test::FileExistsAt(Cache("tvmurok10112060.html")));
  EXPECT_EQ(f.State.DownloadedFiles.size(), 8u);
  EXPECT_EQ(f.ProgressBar2.Position(), 3);
  EXPECT_EQ(f.Label1.Caption(), "終了処理中");
}

TEST_F(DownloadRun, SkipWhilePausedEndsThePauseAndSkipsTheChannel) {
  TFormDLL f(Opts());
  bool paused = false;
  fetcher.OnStart = [&](int n) {
    if (n != 1) return;  // the first chart page of channel 101
    H().After(1, [&] { f.ButtonPause.Click(); });
    H().After(4, [&] { paused = f.State.Paused; });
    H().After(6, [&] { f.ButtonSkip.Click(); });
  };
  ui::App().Run();

  EXPECT_TRUE(paused);
  // (the run got here, so Skip ended the pause loop)
  // 101 stopped after its first page; 161 had all four
  EXPECT_EQ(ChartCalls(), 5);
  StringList log = LogLines();
  ASSERT_EQ(log.size(), 5u) << JoinLinesCrLf(log);
  EXPECT_EQ(log[2], "スキップボタン押下");
  EXPECT_EQ(log[3], "取得結果: 2チャンネル, ページ5件 (失敗0件), 番組10件, データセット0: 10行");
  EXPECT_TRUE(IsEndLine(log[4]));
  StringList data = SplitLines(ReadBytes(dir.file("tvdata0.csv")));
  EXPECT_EQ(data.size(), 1u + 2u + 8u);
}

TEST_F(DownloadRun, StopWhilePausedDeletesThisRunsPagesOnly) {
  // a page of yesterday in the cache, inside the seven days
  WriteBytes(Cache("tvmurok10112050.html"), ChartPage());
  ASSERT_TRUE(kc::Fs().SetFileAge(dir.winPath() + "\\Cache\\skypt\\tvmurok10112050.html",
                                    EncodeDate(2019, 12, 5) + EncodeTime(6, 0, 0, 0)));
  TFormDLL f(Opts());
  bool paused = false;
  fetcher.OnStart = [&](int n) {
    if (n != 2) return;  // the second chart page of channel 101
    H().After(1, [&] { f.ButtonPause.Click(); });
    H().After(3, [&] { paused = f.State.Paused; });
    H().After(5, [&] { f.ButtonStop.Click(); });
  };
  ui::App().Run();

  EXPECT_TRUE(paused);

  EXPECT_EQ(ChartCalls(), 2);
  EXPECT_FALSE(test::FileExistsAt(Cache("tvmurok10112060.html")));
  EXPECT_FALSE(test::FileExistsAt(Cache("tvmurok10112061.html")));
  EXPECT_TRUE(test::FileExistsAt(Cache("tvmurok10112050.html")));
  // neither analysis nor merge ran
  EXPECT_FALSE(test::FileExistsAt(dir.file("tvdata0.csv")));
  EXPECT_TRUE(kc::Fs().FindFiles(TempFolder() + "tvmurok*.*", kc::faAnyFile).empty());
  StringList log = LogLines();
  ASSERT_EQ(log.size(), 5u) << JoinLinesCrLf(log);
  EXPECT_EQ(log[2], "停止ボタン押下");
  EXPECT_EQ(log[3], "取得結果: 1チャンネル, ページ2件 (失敗0件), 番組0件, データセット0: 0行");
  EXPECT_TRUE(IsEndLine(log[4]));
  EXPECT_TRUE(f.Closed());
}

TEST_F(DownloadRun, WindowClosedDuringTheAnalysisUnwindsAsAfterStop) {
  TFormDLL f(Opts());
  // Close the window once the analysis has stored its first programme.
  std::function<void()> watch = [&] {
    if (f.State.PhaseName == "Analyze" && f.TableMas().Active() &&
        f.TableMas().RecordCount() > 0)
      f.Close();
    else
      H().After(1, watch);
  };
  H().After(1, watch);
  ui::App().Run();

  EXPECT_EQ(ChartCalls(), 8);
  EXPECT_TRUE(f.State.StopRequested);
  // no error line, the merge skipped, this run's pages gone, the end line
  StringList log = LogLines();
  ASSERT_EQ(log.size(), 4u) << JoinLinesCrLf(log);
  EXPECT_EQ(log[2].rfind("取得結果: 2チャンネル, ページ8件 (失敗0件), 番組", 0), 0u) << log[2];
  EXPECT_TRUE(IsEndLine(log[3])) << log[3];
  EXPECT_FALSE(test::FileExistsAt(dir.file("tvdata0.csv")));
  EXPECT_FALSE(test::FileExistsAt(Cache("tvmurok10112060.html")));
  EXPECT_TRUE(f.Closed());
}

TEST_F(DownloadRun, NoChannelListAndNoSavedNumbersFetchesNothing) {
  kc::Fs().DeleteFile(dir.winPath() + "\\tvmurokch.csv");
  TFormDLL f(Opts());
  ui::App().Run();
  EXPECT_EQ(ChartCalls(), 0);
  StringList log = LogLines();
  ASSERT_EQ(log.size(), 7u) << JoinLinesCrLf(log);
  EXPECT_EQ(log[1], "Kanalia(CS) ダウンロード開始");
  // each ticked channel says why it was not asked for
  EXPECT_EQ(log[2], "取得しません: 101チャンネル (チャンネルリストを取得できず、保存した番号もありません)");
  EXPECT_EQ(log[3], "取得しません: 161チャンネル (チャンネルリストを取得できず、保存した番号もありません)");
  // the analysis and the merge still ran and found nothing
  EXPECT_EQ(log[4], "取得した番組表データがありません.");
  EXPECT_EQ(log[5], "取得結果: 0チャンネル, ページ0件 (失敗0件), 番組0件, データセット0: 0行");
  EXPECT_TRUE(IsEndLine(log[6]));
  EXPECT_FALSE(test::FileExistsAt(dir.file("tvmurokch.csv")));
}

// ---- what the run says about what it got

TEST_F(DownloadRun, AChannelWithoutPageKeyTickedInTwoDatasetsIsNamedOnce) {
  WriteBytes(dir.file("hoz.ini"),
             "[TSetup.DataList_Items]\r\nCount=2\r\n[DataSet 0]\r\ncount=1\r\nArea 0=True\r\n"
             "[DataSet 1]\r\ncount=1\r\nArea 0=True\r\n");
  WriteBytes(dir.file("tvskypch.ini"),
             "[DataSet 0]\r\ntvch 101=True\r\ntvch 161=True\r\n[DataSet 1]\r\ntvch 161=True\r\n");
  WriteBytes(dir.file("plugin/pagekeys_skypt.txt"), "101=500101\r\n");
  TFormDLL f(Opts());
  ui::App().Run();
  EXPECT_EQ(ChartCalls(), 4);
  const StringList log = LogLines();
  EXPECT_EQ(StringList(log.begin() + 2, log.end() - 1),
            (StringList{"取得しません: 161チャンネル (ページキーがありません)",
                        "取得結果: 1チャンネル, ページ4件 (失敗0件), 番組8件, データセット0: 8行, "
                        "データセット1: 0行"}));
}

TEST_F(DownloadRun, SkipDuringTheAnalysisOfChangedPagesPassesNoVerdictOnThem) {
  // Every page as a site with another layout serves it: large, no column.
  fetcher.Body = [](const test::FetchCall& c, int) -> std::optional<std::string> {
    if (c.Address.find("list.action") != std::string::npos) return std::nullopt;
    return ReadBytes(test::SourcePath("tests/data/analyser/no_column.html")) + "<!-- " +
           std::string(6000, '-') + " -->\n";
  };
  TFormDLL f(Opts());
  std::function<void()> watch = [&] {
    if (f.State.PhaseName == "Analyze")
      f.ButtonSkip.Click();
    else
      H().After(1, watch);
  };
  H().After(1, watch);
  ui::App().Run();
  // The page cut short says nothing of its layout; no page was read whole.
  const StringList log = LogLines();
  EXPECT_EQ(StringList(log.begin() + 2, log.end() - 1),
            (StringList{"スキップボタン押下",
                        "取得結果: 2チャンネル, ページ8件 (失敗0件), 番組0件, データセット0: 0行"}));
}

TEST_F(DownloadRun, SecondActivationStartsNoSecondRun) {
  TFormDLL f(Opts());
  H().ActivateAt(20, f);
  ui::App().Run();
  f.Activate();
  EXPECT_EQ(ChartCalls(), 8);
  int starts = 0;
  for (const std::string& l : LogLines()) starts += l == "Kanalia(CS) ダウンロード開始";
  EXPECT_EQ(starts, 1);
}

}  // namespace
}  // namespace kc
