// The download window over headless controls: what it shows, the one run of
// its first activation, the buttons pressed at chosen pumps of a run, the
// close, and failures that must still end the window with an error line.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/message_pump.h"
#include "core/datetime.h"
#include "core/error.h"
#include "core/text.h"
#include "ui/download_window.h"
#include "platform/platform.h"
#include "storage/log_file.h"
#include "storage/memtable.h"
#include "support/test_support.h"
#include "ui/about_window.h"
#include "ui/controls.h"

namespace kc {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

class FormDLLHeadless : public ::testing::Test {
 protected:
  void SetUp() override {
    savedDir_ = kc::Fs().GetCurrentDir();
    ui::App().Init(ui::BackendKind::Headless);
    WriteBytes(dir.file("plugin/readme.txt"), "");
    WriteBytes(dir.file("hoz.ini"),
               "[TSetup]\r\nDLL_SkyptE2=True\r\n[TSetup.DataList_Items]\r\nCount=2\r\n");
  }
  void TearDown() override {
    ui::App().Shutdown();
    kc::Fs().SetCurrentDir(savedDir_);
  }

  TFormDLL::Options Opts(TFormDLL::RunFunction run) {
    TFormDLL::Options o;
    o.Run = std::move(run);
    o.CloseWaitSeconds = 0.05;  // five pumps instead of a thousand
    o.PluginFolder = dir.winFile("plugin") + "\\";
    return o;
  }
  std::string Log() { return ReadBytes(dir.file("hoz.log")); }
  ui::HeadlessBackend& H() { return *ui::Headless(); }

  // A run that yields n times, noting the flags it sees after each yield.
  TFormDLL::RunFunction YieldingRun(int n, std::vector<std::string>* seen = nullptr) {
    return [n, seen](RunContext& c) {
      for (int i = 0; i < n && !c.State.StopRequested; ++i) {
        YieldToMessages();
        if (seen && c.State.SkipRequested) {
          seen->push_back("skip@" + std::to_string(ui::Headless()->PumpCount()));
          c.State.SkipRequested = false;
        }
      }
    };
  }

  TempDir dir;
  ScopedFormats formats_;
  std::string savedDir_;
};

TEST_F(FormDLLHeadless, ShowsItsCaptionControlsAndStartState) {
  TFormDLL f(Opts([](RunContext&) {}));
  EXPECT_EQ(f.Caption(), "番組データダウンロード中...");
  EXPECT_EQ(f.ClientWidth(), 445);
  EXPECT_EQ(f.ClientHeight(), 183);
  EXPECT_EQ(f.Font().Name, "ＭＳ Ｐゴシック");
  EXPECT_EQ(f.Style(), ui::FormStyle::Borderless);
  EXPECT_GT(f.CornerRadius(), 0);

  struct Expect {
    ui::Control& c;
    const char* caption;
    const char* hint;
    bool enabled;
  };
  const Expect table[] = {
      {f.LabelBrand, "Kanalia(CS)", "", true},
      {f.ButtonPlay, "再開", "", false},
      {f.ButtonSkip, "スキップ", "", true},
      {f.ButtonStop, "停止", "", true},
      {f.ButtonPause, "一時停止", "", true},
      {f.ButtonHome, nullptr, "ホームページを開く", true},
      {f.ButtonAbout, nullptr, "バージョン情報を表示する", true},
      {f.ButtonMin, nullptr, "ウィンドウを最小化します.", true},
  };
  for (const Expect& e : table) {
    SCOPED_TRACE(e.c.Name());
    if (e.caption) {
      EXPECT_EQ(e.c.Caption(), e.caption);
    }
    EXPECT_EQ(e.c.Hint(), e.hint);
    EXPECT_EQ(e.c.Enabled(), e.enabled);
  }
  EXPECT_EQ(f.LabelBrand.Font().Colour, ui::clNavy);
  EXPECT_EQ(f.LabelBrand.Font().SizePx, 16);
  EXPECT_EQ(f.Label1.Font().SizePx, 16);
  EXPECT_EQ(f.Label2.Font().SizePx, 12);
  EXPECT_EQ(f.ProgressBar1.Max(), 100);
  EXPECT_TRUE(f.ButtonSkip.Cancel);
  EXPECT_TRUE(f.ButtonStop.Cancel);
  EXPECT_GT(H().PaintCount(f), 3);  // a painted face
  // Every hit on the window itself drags it; other answers pass through.
  EXPECT_EQ(f.WMNCHitTest(ui::kHitClient), ui::kHitCaption);
  EXPECT_EQ(f.WMNCHitTest(ui::kHitCaption), ui::kHitCaption);
  EXPECT_EQ(f.WMNCHitTest(0), 0);
}

TEST_F(FormDLLHeadless, CreationSetsTheProcessFormatsAndTheCurrentFolder) {
  TFormDLL f(Opts([](RunContext&) {}));
  const FormatSettings& fs = ProcessFormats();
  EXPECT_EQ(fs.DateSeparator, '-');
  EXPECT_EQ(fs.ShortDateFormat, "yyyy/mm/dd");
  EXPECT_EQ(fs.LongTimeFormat, "hh:nn:ss");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2010, 12, 6) + EncodeTime(22, 15, 30, 0)),
            "2010-12-06 22:15:30");
  EXPECT_EQ(kc::IncludeTrailingBackslash(test::ToProductPath(kc::Fs().GetCurrentDir())),
            kc::IncludeTrailingBackslash(dir.winFile("plugin")));
  EXPECT_TRUE(f.State.DownloadedFiles.empty());
  EXPECT_FALSE(f.State.Activated);
}

TEST_F(FormDLLHeadless, FirstActivationRunsOnceAndCloses) {
  int runs = 0;
  std::string phaseSeen, hostSeen;
  bool logActive = false, tableOpen = false;
  TFormDLL f(Opts([&](RunContext& c) {
    ++runs;
    phaseSeen = c.State.PhaseName;
    hostSeen = c.State.HostFolder;
    logActive = c.Log.Active();
    tableOpen = c.TableSkypch.Active();
    YieldToMessages();
    YieldToMessages();
  }));
  // A second activation while the run yields (minimise and restore).
  H().ActivateAt(3, f);
  ui::App().Run();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(phaseSeen, "FormActivate");
  EXPECT_EQ(hostSeen, dir.winFile("plugin") + "\\..");
  EXPECT_TRUE(logActive);
  EXPECT_TRUE(tableOpen);
  EXPECT_TRUE(f.State.UseE2);
  EXPECT_EQ(f.State.DataSetCount, 2);
  EXPECT_TRUE(f.Closed());
  EXPECT_TRUE(ui::App().Terminated());
  EXPECT_TRUE(f.State.StopRequested);  // closing sets it
  EXPECT_FALSE(f.TableSkypch().Active());
  EXPECT_NE(Log().find("Kanalia(CS)プラグイン"), std::string::npos);

  f.Activate();  // and after the run
  EXPECT_EQ(runs, 1);
}

TEST_F(FormDLLHeadless, UseE2NeedsTheExactTextTrue) {
  for (const char* value : {"true", "TRUE", "1", ""}) {
    SCOPED_TRACE(value);
    WriteBytes(dir.file("hoz.ini"), std::string("[TSetup]\r\nDLL_SkyptE2=") + value + "\r\n");
    ui::App().Init(ui::BackendKind::Headless);
    TFormDLL f(Opts([](RunContext&) {}));
    ui::App().Run();
    EXPECT_FALSE(f.State.UseE2);
  }
}

TEST_F(FormDLLHeadless, PauseThenSkipEndsThePause) {
  std::vector<std::string> seen;
  std::vector<unsigned> pumpsWhilePaused;
  TFormDLL f(Opts(YieldingRun(40, &seen)));
  H().ClickAt(5, f.ButtonPause);
  H().At(8, [&] {
    pumpsWhilePaused.push_back(H().PumpCount());
    EXPECT_TRUE(f.State.Paused);
    EXPECT_TRUE(f.ButtonPlay.Enabled());
    EXPECT_FALSE(f.ButtonPause.Enabled());
  });
  H().ClickAt(12, f.ButtonSkip);
  ui::App().Run();
  ASSERT_EQ(pumpsWhilePaused.size(), 1u);
  // The run saw the skip right after the yield that held the pause.
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), "skip@12");
  EXPECT_FALSE(f.ButtonPlay.Enabled());
  EXPECT_TRUE(f.ButtonPause.Enabled());
  EXPECT_NE(f.Label2.Caption().find("スキップ..."), std::string::npos);
  EXPECT_NE(Log().find("スキップボタン押下"), std::string::npos);
}

TEST_F(FormDLLHeadless, ResumeEndsThePause) {
  unsigned resumedAt = 0;
  TFormDLL f(Opts([&](RunContext& c) {
    for (int i = 0; i < 20; ++i) {
      YieldToMessages();
      if (!c.State.Paused && resumedAt == 0 && H().PumpCount() > 4) resumedAt = H().PumpCount();
    }
  }));
  H().ClickAt(4, f.ButtonPause);
  H().ClickAt(9, f.ButtonPlay);
  ui::App().Run();
  EXPECT_EQ(resumedAt, 9u);
  EXPECT_FALSE(f.State.SkipRequested);
  EXPECT_FALSE(f.State.Paused);
}

TEST_F(FormDLLHeadless, SkipMarksTheChannelTextOnce) {
  TFormDLL f(Opts([](RunContext& c) {
    c.View.ShowDetail("161 チャンネル");
    for (int i = 0; i < 6; ++i) YieldToMessages();
  }));
  H().ClickAt(3, f.ButtonSkip);
  H().ClickAt(5, f.ButtonSkip);
  ui::App().Run();
  EXPECT_EQ(f.Label2.Caption(), "161 チャンネルスキップ...");
  const std::string log = Log();
  std::size_t first = log.find("スキップボタン押下");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(log.find("スキップボタン押下", first + 1), std::string::npos);  // logged each time
}

// Stop, and Escape, which presses it.
TEST_F(FormDLLHeadless, StopDisablesTheButtonsLogsAndEndsThePause) {
  for (bool byEscape : {false, true}) {
    SCOPED_TRACE(byEscape ? "Escape" : "button");
    ui::App().Init(ui::BackendKind::Headless);
    WriteBytes(dir.file("hoz.log"), "");
    int itemsAfterStop = 0;
    TFormDLL f(Opts([&](RunContext& c) {
      for (int i = 0; i < 50; ++i) {
        YieldToMessages();
        if (c.State.StopRequested) {
          ++itemsAfterStop;
          break;
        }
      }
    }));
    H().ClickAt(4, f.ButtonPause);
    if (byEscape)
      H().KeyAt(7, f, ui::kKeyEscape);
    else
      H().ClickAt(7, f.ButtonStop);
    unsigned closeStart = 0, closeEnd = 0;
    auto close = f.OnClose;
    f.OnClose = [&] {
      closeStart = H().PumpCount();
      close();
      closeEnd = H().PumpCount();
    };
    ui::App().Run();
    EXPECT_TRUE(f.State.StopRequested);
    EXPECT_EQ(itemsAfterStop, 1);
    for (ui::Control* b : {static_cast<ui::Control*>(&f.ButtonPlay), static_cast<ui::Control*>(&f.ButtonStop),
                           static_cast<ui::Control*>(&f.ButtonSkip), static_cast<ui::Control*>(&f.ButtonPause)}) {
      EXPECT_FALSE(b->Enabled()) << b->Name();
    }
    EXPECT_NE(Log().find("停止ボタン押下"), std::string::npos);
    // The close after Stop waits with the messages flowing.
    EXPECT_EQ(closeEnd - closeStart, 5u);
    EXPECT_TRUE(f.Closed());
  }
}

TEST_F(FormDLLHeadless, EscapeAfterStopDoesNothingMore) {
  TFormDLL f(Opts([](RunContext&) {}));
  f.ButtonStopClick();
  std::string before = Log();
  f.KeyDown(ui::kKeyEscape);
  EXPECT_EQ(Log(), before);
}

TEST_F(FormDLLHeadless, ClosingDuringTheRunStopsItAndStoresTheTable) {
  bool tableClosedWhileRunning = false;
  TFormDLL f(Opts([&](RunContext& c) {
    c.TableSkypch.Append();
    c.TableSkypch.FieldByName("TVChannel").SetAsString("161");
    c.TableSkypch.FieldByName("TVName").SetAsString("テスト");
    c.TableSkypch.FieldByName("Status").SetAsInteger(1);
    c.TableSkypch.Post();
    for (int i = 0; i < 30 && !c.State.StopRequested; ++i) YieldToMessages();
    tableClosedWhileRunning = !c.TableSkypch.Active();
  }));
  H().CloseAt(4, f);
  ui::App().Run();
  EXPECT_TRUE(f.State.StopRequested);
  EXPECT_TRUE(tableClosedWhileRunning);
  EXPECT_NE(ReadBytes(dir.file("tvskypch.csv")).find("\"161\",\"テスト\""), std::string::npos);
  EXPECT_TRUE(f.Closed());
}

TEST_F(FormDLLHeadless, ExceptionFromTheRunIsLoggedWithThePhaseAndTheWindowCloses) {
  bool closedBeforeLogged = false;
  TFormDLL f(Opts([](RunContext& c) {
    c.State.PhaseName = "DLLTVMurok2";
    throw Error("ページが壊れています");
  }));
  auto close = f.OnClose;
  f.OnClose = [&] {
    closedBeforeLogged = Log().find("ページが壊れています") == std::string::npos;
    close();
  };
  ui::App().Run();
  EXPECT_TRUE(f.Closed());
  EXPECT_TRUE(closedBeforeLogged);
  const std::string log = Log();
  EXPECT_NE(log.find("DLLTVMurok2: ページが壊れています"), std::string::npos) << log;
  EXPECT_NE(log.find("(C.ERROR)"), std::string::npos);
}

TEST_F(FormDLLHeadless, ExceptionInAButtonHandlerEndsOnlyThatHandler) {
  int yields = 0;
  TFormDLL f(Opts([&](RunContext& c) {
    c.State.PhaseName = "Analyze";
    for (int i = 0; i < 6; ++i) {
      YieldToMessages();
      ++yields;
    }
  }));
  f.ButtonHome.OnClick = [] { throw Error("開けません"); };
  H().ClickAt(3, f.ButtonHome);
  ui::App().Run();
  EXPECT_EQ(yields, 6);
  EXPECT_NE(Log().find("Analyze: 開けません"), std::string::npos);
}

TEST_F(FormDLLHeadless, BrokenChannelTableStillEndsTheWindowWithAnErrorLine) {
  // A definition of a type no table has: the load fails before the log is on.
  const std::string broken = "\"@@TABLEDEF START@@\",\r\nX=Float,0\r\n";
  WriteBytes(dir.file("tvskypch.csv"), broken);
  int runs = 0;
  TFormDLL f(Opts([&](RunContext&) { ++runs; }));
  ui::App().Run();
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(f.Closed());
  EXPECT_TRUE(ui::App().Terminated());
  const std::string log = Log();
  EXPECT_NE(log.find("FormActivate: "), std::string::npos) << log;
  // The host's file is not overwritten with what little was read.
  EXPECT_EQ(ReadBytes(dir.file("tvskypch.csv")), broken);
}

TEST_F(FormDLLHeadless, RunViewReachesTheControls) {
  TFormDLL f(Opts([](RunContext& c) {
    c.View.ShowPhase("番組表をダウンロード中");
    c.View.SetRunProgressRange(3);
    c.View.ShowRunProgress(1);
    c.View.SetProgressRange(8);
    c.View.ShowProgress(5);
  }));
  ui::App().Run();
  EXPECT_EQ(f.Label1.Caption(), "番組表をダウンロード中");
  EXPECT_EQ(f.ProgressBar2.Max(), 3);
  EXPECT_EQ(f.ProgressBar2.Position(), 1);
  EXPECT_EQ(f.View().Progress(), 5);
}

TEST_F(FormDLLHeadless, AboutIsCreatedOnceAndShownCentred) {
  TFormDLL f(Opts([](RunContext&) {}));
  f.SetPosition(200, 100);
  f.ButtonAboutClick();
  TAboutForm* about = f.AboutForm();
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->Visible());
  about->BtnCancel.Click();
  EXPECT_FALSE(about->Visible());
  EXPECT_FALSE(ui::App().Terminated());  // not the main window
  f.ButtonAboutClick();
  EXPECT_EQ(f.AboutForm(), about);
  EXPECT_TRUE(about->Visible());
  int w = 0, h = 0;
  H().GetFormOuterSize(*about, w, h);
  EXPECT_EQ(about->Left(), 200 + (445 - w) / 2);
}

TEST_F(FormDLLHeadless, HomeOpensTheSiteAndAboutPassesTheOpenerOn) {
  test::ScopedEnv base("KANALIA_BASE_URL", "http://127.0.0.1:8123/");
  std::vector<std::string> opened;
  TFormDLL::Options o = Opts([](RunContext&) {});
  o.OpenAddress = [&](const std::string& a) { opened.push_back(a); };
  TFormDLL f(o);
  f.ButtonHome.Click();
  f.ButtonAbout.Click();
  f.AboutForm()->Label3.Click();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "http://127.0.0.1:8123");
  EXPECT_EQ(opened[1], f.AboutForm()->Label3.Caption());
}

TEST_F(FormDLLHeadless, MinimiseButton) {
  TFormDLL f(Opts([](RunContext&) {}));
  f.ButtonMin.Click();
  EXPECT_TRUE(f.Minimized());
}

}  // namespace
}  // namespace kc
