#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/site.h"
#include "core/datetime.h"
#include "core/text.h"
#include "download/fetch_fake.h"
#include "download/host_files.h"
#include "download/page_download.h"
#include "support/run_fixture.h"
#include "platform/message_pump.h"
#include "platform/platform.h"
#include "support/forwarding_fs.h"

namespace kc {
namespace {

using test::FakeFetcher;
using test::RunFixture;

const std::string kBase = "http://127.0.0.1:8123";

std::string Page(std::size_t size) { return std::string(size, 'x'); }

TEST(PageNamesTest, FilesWindowsAndAddresses) {
  test::ScopedEnv base("KANALIA_BASE_URL", kBase + "/");
  const TDateTime dec6 = EncodeDate(2026, 12, 6);
  EXPECT_EQ(ChartPageFileName("161", dec6, 0), "tvmurok16112060.html");
  EXPECT_EQ(ChartPageFileName("55", dec6, 3), "tvmurok05512063.html");
  EXPECT_EQ(ChartPageFile("\\h\\plugin\\..", "161", EncodeDate(2027, 1, 9), 2),
            "\\h\\plugin\\..\\Cache\\skypt\\tvmurok16101092.html");

  const char* starts[] = {"0500", "1100", "1700", "2300"};
  for (int i = 0; i < kDayWindowCount; ++i) EXPECT_EQ(DayWindowStart(i), starts[i]);

  EXPECT_EQ(site::BaseAddress(), kBase);
  EXPECT_EQ(ChartPageAddress(false, "500161", dec6, 1),
            kBase + "/chart/cs/500161.action?head=202612061100&span=6");
  EXPECT_EQ(ChartPageAddress(true, "12", dec6, 3),
            kBase + "/chart/cs110/12.action?head=202612062300&span=6");
  EXPECT_EQ(ChartPageAddress(true, "", dec6, 0),
            kBase + "/chart/cs110/.action?head=202612060500&span=6");

  EXPECT_EQ(EscapeAddress("a?x=1&y=2&z=3"), "a?x=1&amp;y=2&amp;z=3");
  // Every "&", also one that already starts "&amp;".
  EXPECT_EQ(EscapeAddress("&amp;"), "&amp;amp;");

  const StringList keys = {"161=500161", "585=12", "161=999"};
  EXPECT_EQ(ChannelPageKey(keys, "161"), "500161");
  EXPECT_EQ(ChannelPageKey(keys, "585"), "12");
  EXPECT_EQ(ChannelPageKey(keys, "58"), "");
}

TEST(PageNamesTest, FetchCommandLine) {
#ifdef _WIN32
  // TLS 1.2 is added to PowerShell's protocols before wget.
  const std::string kPowerShell =
      "powershell [Net.ServicePointManager]::SecurityProtocol = "
      "[Net.ServicePointManager]::SecurityProtocol -bor 3072; wget ";
  EXPECT_EQ(FetchCommandLine("http://h/a?b=1&amp;c=2", "C:\\t\\_v1.tmp"),
            kPowerShell + "'http://h/a?b=1&amp;c=2' -O 'C:\\t\\_v1.tmp'");
  // A quote in a name stays inside the string.
  EXPECT_EQ(FetchCommandLine("http://h/", "C:\\O'Neil\\_v1.tmp"),
            kPowerShell + "'http://h/' -O 'C:\\O''Neil\\_v1.tmp'");
  // PowerShell's other single quotes ("\x81\x65" and "\x81\x66" reach it as
  // U+2018 and U+2019) are doubled too; what quoting cannot carry fails.
  EXPECT_EQ(FetchCommandLine("http://h/", "C:\\O\x81\x66Neil\x81\x65\\_v1.tmp"),
            kPowerShell + "'http://h/' -O 'C:\\O\x81\x66\x81\x66Neil\x81\x65\x81\x65\\_v1.tmp'");
  for (const char* bad : {"C:\\a\r\nb\\_v1.tmp", "C:\\a\"b\\_v1.tmp", "C:\\a\x81 b\\_v1.tmp"})
    EXPECT_EQ(FetchCommandLine("http://h/", bad), "") << bad;
#else
  const std::string wget = "wget -q --tries=1 --connect-timeout=15 --read-timeout=30 ";
  EXPECT_EQ(FetchCommandLine("http://h/a?b=1&amp;c=2", "\\tmp\\x\\_v1.tmp"),
            wget + "'http://h/a?b=1&amp;c=2' -O '/tmp/x/_v1.tmp'");
  // A quote in a name stays inside the string.
  EXPECT_EQ(FetchCommandLine("http://h/", "\\tmp\\O'Neil\\_v1.tmp"),
            wget + "'http://h/' -O '/tmp/O'\\''Neil/_v1.tmp'");
  // The launcher converts the command line to the system's text once; the
  // shell then sees the native name of a temp folder outside ASCII.
  const std::string japanese = "\\tmp\\一時\\表\\_v1.tmp";
  EXPECT_EQ(kc::Cp932ToUtf8(FetchCommandLine("http://h/", japanese)),
            wget + "'http://h/' -O '" + kc::NativePath(japanese) + "'");
#endif
}

TEST(DownloadToFileTest, CopiesThePageAndRemovesTheTempFile) {
  RunFixture f;
  test::FakeClock clock(2026, 12, 6, 6, 0, 0, 0.05);
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) { return Page(6000); };
  const std::string dest = f.Dir.winFile("page.html");
  EXPECT_EQ(DownloadToFile(f.Ctx, "http://h/x?a=1&b=2", dest), 6000);
  ASSERT_EQ(fetcher.Calls.size(), 1u);
  const test::FetchCall& c = fetcher.Calls[0];
  EXPECT_EQ(c.Address, "http://h/x?a=1&amp;b=2");
  EXPECT_EQ(c.ShowState, kc::SW_Hide);
  EXPECT_EQ(c.CommandLine, FetchCommandLine(c.Address, test::ToProductPath(c.OutFile)));
  EXPECT_EQ(test::ReadBytes(f.Dir.file("page.html")), Page(6000));
  EXPECT_FALSE(test::FileExistsAt(c.OutFile));
  EXPECT_GT(f.State.LastRequestTime, 0);
}

TEST(DownloadToFileTest, NothingFetchedLeavesTheDestinationAlone) {
  RunFixture f;
  FakeFetcher fetcher;
  f.WriteHost("page.html", "old");
  const std::string dest = f.Dir.winFile("page.html");
  fetcher.Body = [](const test::FetchCall&, int n) -> std::optional<std::string> {
    if (n == 0) return std::nullopt;  // no file
    if (n == 1) return std::string();  // an empty one
    return Page(6000);                 // a page cut off: the fetcher says it failed
  };
  fetcher.Status = [](int n) { return n == 2 ? 1 : 0; };
  for (int n = 0; n < 3; ++n) {
    f.State.LastRequestTime = 0;
    EXPECT_EQ(DownloadToFile(f.Ctx, "http://h/" + std::to_string(n), dest), 0) << n;
    EXPECT_FALSE(test::FileExistsAt(fetcher.Calls[static_cast<std::size_t>(n)].OutFile)) << n;
  }
  EXPECT_EQ(test::ReadBytes(f.Dir.file("page.html")), "old");
}

TEST(DownloadToFileTest, APageOverTheSizeLimitFailsWithItsLine) {
  RunFixture f;
  FakeFetcher fetcher;
  f.WriteHost("page.html", "old");
  fetcher.Body = [](const test::FetchCall&, int) { return std::string(kMaxPageSize + 1, 'x'); };
  EXPECT_EQ(DownloadToFile(f.Ctx, "http://h/big", f.Dir.winFile("page.html")), 0);
  EXPECT_EQ(test::ReadBytes(f.Dir.file("page.html")), "old");
  EXPECT_FALSE(test::FileExistsAt(fetcher.Calls[0].OutFile));
  EXPECT_EQ(f.State.EmptyFetchRun, 1);
  EXPECT_EQ(f.LogLines(), StringList{"ページが 64 MB を超えたため取得をやめました: http://h/big"});
}

#ifdef _WIN32
TEST(DownloadToFileTest, ATempNameThatCannotBePassedFailsTheFetchWithItsLine) {
  RunFixture f;
  test::ScopedEnv temp("temp", f.Dir.winPath() + "\\a\"b");
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) { return Page(6000); };
  EXPECT_EQ(DownloadToFile(f.Ctx, "http://h/1", f.Dir.winFile("page.html")), 0);
  EXPECT_TRUE(fetcher.Calls.empty());
  const StringList lines = f.LogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("一時ファイル名をコマンドに渡せないため取得しません: ", 0), 0u) << lines[0];
}
#endif

TEST(DownloadToFileTest, SpacingBetweenRequestStarts) {
  RunFixture f;
  // The clock moves 100 ms with every yield to the window (and 1 ms with
  // every reading), so only the waiting loop can make up the 900 ms.
  test::FakeClock clock(2026, 12, 6, 6, 0, 0, 0.001);
  ScopedMessagePump pump([&] { clock.advanceSeconds(0.1); });
  FakeFetcher fetcher;
  std::vector<TDateTime> starts;
  fetcher.OnStart = [&](int) { starts.push_back(clock.now()); };
  fetcher.Body = [](const test::FetchCall&, int) { return Page(10); };
  f.State.LastRequestTime = kc::Now();
  DownloadToFile(f.Ctx, "http://h/1", f.Dir.winFile("a"));
  DownloadToFile(f.Ctx, "http://h/2", f.Dir.winFile("b"));
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_GE((starts[1] - starts[0]) * kSecondsPerDay, 0.9 - 1e-6);
  EXPECT_LT((starts[1] - starts[0]) * kSecondsPerDay, 1.2);
}

TEST(DownloadToFileTest, AClockSetBackDuringTheSpacingDoesNotStallIt) {
  RunFixture f;
  test::FakeClock clock(2026, 12, 6, 6, 0, 0, 0.001);
  int yields = 0;
  ScopedMessagePump pump([&] {
    // The time of day goes an hour back at the first yield of the wait.
    if (++yields == 1) clock.advanceSeconds(-3600);
    clock.advanceSeconds(0.1);
  });
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) { return Page(10); };
  DownloadToFile(f.Ctx, "http://h/1", f.Dir.winFile("a"));
  yields = 0;
  DownloadToFile(f.Ctx, "http://h/2", f.Dir.winFile("b"));
  ASSERT_EQ(fetcher.Calls.size(), 2u);
  // The fetch's own pause and then the rest of the 900 ms: a few dozen
  // yields, not an hour's worth.
  EXPECT_LT(yields, 40);
}

TEST(DownloadToFileTest, StopBeforeAndDuringTheFetch) {
  RunFixture f;
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) { return Page(6000); };
  f.State.StopRequested = true;
  EXPECT_EQ(DownloadToFile(f.Ctx, "http://h/1", f.Dir.winFile("a")), 0);
  EXPECT_TRUE(fetcher.Calls.empty());

  // A fetcher that never ends is ended by Stop; what it wrote is no page.
  f.State.StopRequested = false;
  fetcher.NeverEnds = true;
  int yields = 0;
  ScopedMessagePump pump([&] {
    if (++yields == 3) f.State.StopRequested = true;
  });
  EXPECT_EQ(DownloadToFile(f.Ctx, "http://h/2", f.Dir.winFile("b")), 0);
  EXPECT_EQ(fetcher.Terminated, 1);
  EXPECT_FALSE(test::FileExistsAt(f.Dir.file("b")));
  EXPECT_FALSE(test::FileExistsAt(fetcher.Calls[0].OutFile));
}

TEST(DownloadToFileTest, HangingFetcherIsEndedAfterTheTimeOut) {
  RunFixture f;
  FakeFetcher fetcher;
  fetcher.NeverEnds = true;
  fetcher.Body = [](const test::FetchCall&, int) { return Page(6000); };
  std::int64_t size = 0;
  {
    ScopedFetchTimeout shorter(300);
    size = DownloadToFile(f.Ctx, "http://h/1", f.Dir.winFile("a"));
  }
  EXPECT_EQ(size, 0);
  EXPECT_EQ(fetcher.Terminated, 1);
  EXPECT_FALSE(test::FileExistsAt(f.Dir.file("a")));
  EXPECT_FALSE(test::FileExistsAt(fetcher.Calls[0].OutFile));
  EXPECT_FALSE(f.State.StopRequested);
}

TEST(DownloadToFileTest, FailedCopyIsLoggedAndTheSizeStillReturned) {
  RunFixture f;
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) { return Page(6000); };
  const std::string dest = f.Dir.winPath() + "\\missing\\folder\\p.html";
  EXPECT_EQ(DownloadToFile(f.Ctx, "http://h/1", dest), 6000);
  EXPECT_EQ(f.LogLines(), (StringList{dest + "書き込みエラー"}));
  EXPECT_FALSE(test::FileExistsAt(fetcher.Calls[0].OutFile));
}

TEST(DownloadToFileTest, SettingsWindowVariantHasNoSpacingAndNoLog) {
  RunFixture f;
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) { return Page(100); };
  const std::string dest = f.Dir.winPath() + "\\missing\\p.html";
  bool stop = false;
  EXPECT_EQ(DownloadToFileNoLog("http://h/a&b", dest, [&] { return stop; }), 100);
  EXPECT_EQ(fetcher.Calls[0].Address, "http://h/a&amp;b");
  EXPECT_TRUE(f.LogLines().empty());
  stop = true;
  EXPECT_EQ(DownloadToFileNoLog("http://h/a", dest, [&] { return stop; }), 0);
  EXPECT_EQ(fetcher.Calls.size(), 1u);
}

// ---- the page download phase

struct PhaseFixture : RunFixture {
  PhaseFixture() {
    WriteHost("hoz.ini",
              "[TSetup]\r\nNotExistsDLL_Checked=False\r\n"
              "[TSetup.DataList_Items]\r\nCount=2\r\n"
              "[DataSet 0]\r\ncount=1\r\nArea 0=True\r\n"
              "[DataSet 1]\r\ncount=2\r\nArea 1=False\r\n");
    WriteHost("tvskypch.ini",
              "[DataSet 0]\r\ntvch 055=True\r\ntvch 161=True\r\ntvch 240=True\r\n"
              "[DataSet 1]\r\ntvch 161=True\r\n");
    AddChannel("55", "ジャパンスポーツ");
    AddChannel("161", "シネマ");
    AddChannel("240", "アニメ");
    State.DataSetCount = 2;
    State.ChannelNumberList = {"161", "55"};  // 240 is not listed now
    State.ChannelKeyList = {"55=500055", "161=500161"};
  }
  std::string CachePage(const std::string& channel, int i) {
    return Dir.file("Cache/skypt/" + ChartPageFileName(channel, DateOf(kc::Now()), i));
  }
};

TEST(DownloadPhaseTest, FourPagesPerListedChannelWithSizeRules) {
  test::ScopedEnv base("KANALIA_BASE_URL", kBase);
  test::FakeClock clock(2026, 12, 6, 6, 0, 0, 0.2);
  PhaseFixture f;
  FakeFetcher fetcher;
  // 55: window 1 brings 4999 bytes, window 2 nothing; 161: window 0 exactly
  // 5000 bytes.
  fetcher.Body = [](const test::FetchCall&, int n) -> std::optional<std::string> {
    switch (n) {
      case 1: return Page(4999);
      case 2: return std::nullopt;
      case 4: return Page(5000);
      default: return Page(7000);
    }
  };
  f.WriteHost("Cache/skypt/" + ChartPageFileName("55", EncodeDate(2026, 12, 6), 1), "old");
  DownloadChartPages(f.Ctx);
  EXPECT_EQ(f.State.PhaseName, "DLLTVMurok2");

  StringList addresses;
  for (const auto& c : fetcher.Calls) addresses.push_back(c.Address);
  const std::string cs = kBase + "/chart/cs/";
  EXPECT_EQ(addresses, (StringList{
                           cs + "500055.action?head=202612060500&amp;span=6",
                           cs + "500055.action?head=202612061100&amp;span=6",
                           cs + "500055.action?head=202612061700&amp;span=6",
                           cs + "500055.action?head=202612062300&amp;span=6",
                           cs + "500161.action?head=202612060500&amp;span=6",
                           cs + "500161.action?head=202612061100&amp;span=6",
                           cs + "500161.action?head=202612061700&amp;span=6",
                           cs + "500161.action?head=202612062300&amp;span=6",
                       }));
  const std::string cache = f.State.HostFolder + "\\Cache\\skypt\\";
  EXPECT_EQ(f.State.DownloadedFiles,
            (StringList{cache + "tvmurok05512060.html", cache + "tvmurok05512063.html",
                        cache + "tvmurok16112060.html", cache + "tvmurok16112061.html",
                        cache + "tvmurok16112062.html", cache + "tvmurok16112063.html"}));
  EXPECT_FALSE(test::FileExistsAt(f.CachePage("55", 1)));
  EXPECT_FALSE(test::FileExistsAt(f.CachePage("55", 2)));
  EXPECT_EQ(test::ReadBytes(f.CachePage("161", 0)), Page(5000));
  EXPECT_EQ(f.LogLines(), (StringList{"ダウンロード失敗: 55チャンネル", "通信エラー: 55チャンネル"}));
  EXPECT_EQ(f.View.Label2History.front(), "55チャンネルをダウンロード中...");
}

TEST(DownloadPhaseTest, ReuseSwitchSkipsCachedPages) {
  test::ScopedEnv base("KANALIA_BASE_URL", kBase);
  test::FakeClock clock(2026, 12, 6, 6, 0, 0, 0.2);
  PhaseFixture f;
  f.State.ChannelNumberList = {"161", "55"};
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) { return Page(6000); };
  for (int i = 0; i < 4; ++i) test::WriteBytes(f.CachePage("161", i), "cached");
  test::WriteBytes(f.CachePage("55", 0), "cached");

  struct Case {
    std::string value;
    std::size_t requests;
  } cases[] = {{"True", 3}, {"true", 8}};
  for (const Case& c : cases) {
    f.WriteHost("hoz.ini",
                "[TSetup]\r\nNotExistsDLL_Checked=" + c.value +
                    "\r\n[TSetup.DataList_Items]\r\nCount=1\r\n"
                    "[DataSet 0]\r\ncount=1\r\nArea 0=True\r\n");
    fetcher.Calls.clear();
    DownloadChartPages(f.Ctx);
    EXPECT_EQ(fetcher.Calls.size(), c.requests) << c.value;
    EXPECT_EQ(f.State.DownloadedFiles.size(), c.requests) << c.value;
    if (c.value == "True") {
      for (const std::string& file : f.State.DownloadedFiles)
        EXPECT_EQ(file.find("tvmurok161"), std::string::npos) << file;
    }
  }
}

// With the reuse switch, a page whose copy into the cache failed is fetched
// again for the next dataset that wants it, but still named only once.
TEST(DownloadPhaseTest, ReusedRunNamesARefetchedPageOnce) {
  test::ScopedEnv base("KANALIA_BASE_URL", kBase);
  test::FakeClock clock(2026, 12, 6, 6, 0, 0, 0.2);
  PhaseFixture f;
  f.WriteHost("hoz.ini",
              "[TSetup]\r\nNotExistsDLL_Checked=True\r\n"
              "[TSetup.DataList_Items]\r\nCount=2\r\n"
              "[DataSet 0]\r\ncount=1\r\nArea 0=True\r\n"
              "[DataSet 1]\r\ncount=1\r\nArea 0=True\r\n");
  f.WriteHost("tvskypch.ini", "[DataSet 0]\r\ntvch 161=True\r\n[DataSet 1]\r\ntvch 161=True\r\n");
  struct FirstCopyFails : test::ForwardingFs {
    bool failed = false;
    bool CopyFile(const std::string& a, const std::string& b, bool o) override {
      if (failed) return base_.CopyFile(a, b, o);
      failed = true;
      return false;
    }
  } fs;
  kc::ScopedFs useFs(fs);
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) { return Page(6000); };
  DownloadChartPages(f.Ctx);
  EXPECT_EQ(fetcher.Calls.size(), 5u);
  StringList names;
  for (const auto& file : f.State.DownloadedFiles) names.push_back(kc::ExtractFileName(file));
  EXPECT_EQ(names, (StringList{"tvmurok16112060.html", "tvmurok16112061.html",
                               "tvmurok16112062.html", "tvmurok16112063.html"}));
}

// Two datasets that want the same channels (one per recorder, say) cost the
// site and the run what one dataset costs: each page is asked for once, named
// once, and a failed one is logged once.
TEST(DownloadPhaseTest, PagesSharedByDatasetsAreRequestedOnce) {
  test::ScopedEnv base("KANALIA_BASE_URL", kBase);
  struct Outcome {
    StringList addresses, files, log;
    double seconds = 0;
  };
  auto run = [](int dataSets) {
    test::FakeClock clock(2026, 12, 6, 6, 0, 0);
    kc::ScopedSleep sleep{[&clock](unsigned ms) { clock.advanceSeconds(ms / 1000.0); }};
    PhaseFixture f;
    f.WriteHost("hoz.ini",
                "[TSetup]\r\nNotExistsDLL_Checked=False\r\n"
                "[TSetup.DataList_Items]\r\nCount=2\r\n"
                "[DataSet 0]\r\ncount=1\r\nArea 0=True\r\n"
                "[DataSet 1]\r\ncount=1\r\nArea 0=True\r\n");
    f.WriteHost("tvskypch.ini",
                "[DataSet 0]\r\ntvch 055=True\r\ntvch 161=True\r\n"
                "[DataSet 1]\r\ntvch 161=True\r\ntvch 055=True\r\n");
    f.State.DataSetCount = dataSets;
    FakeFetcher fetcher;
    fetcher.Body = [](const test::FetchCall& c, int) -> std::optional<std::string> {
      if (c.Address.find("500161.action?head=202612061700") != std::string::npos)
        return std::nullopt;
      return Page(6000);
    };
    const TDateTime start = clock.now();
    DownloadChartPages(f.Ctx);
    Outcome o;
    o.seconds = (clock.now() - start) * kSecondsPerDay;
    for (const auto& c : fetcher.Calls) o.addresses.push_back(c.Address);
    for (const auto& file : f.State.DownloadedFiles) o.files.push_back(kc::ExtractFileName(file));
    o.log = f.LogLines();
    return o;
  };
  const Outcome one = run(1), two = run(2);
  EXPECT_EQ(one.addresses.size(), 8u);
  EXPECT_EQ(two.addresses, one.addresses);
  EXPECT_EQ(two.files, one.files);
  EXPECT_EQ(two.files.size(), 7u);
  EXPECT_EQ(two.log, (StringList{"通信エラー: 161チャンネル"}));
  EXPECT_DOUBLE_EQ(two.seconds, one.seconds);
}

TEST(DownloadPhaseTest, SkipEndsTheChannelAndStopEndsThePhase) {
  test::FakeClock clock(2026, 12, 6, 6, 0, 0, 0.2);
  PhaseFixture f;
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) { return Page(6000); };
  // Skip pressed while the second window of channel 55 is fetched.
  fetcher.OnStart = [&](int n) {
    if (n == 1) f.State.SkipRequested = true;
  };
  DownloadChartPages(f.Ctx);
  ASSERT_EQ(fetcher.Calls.size(), 6u);
  EXPECT_NE(fetcher.Calls[2].Address.find("500161.action?head=202612060500"),
            std::string::npos);
  EXPECT_FALSE(f.State.SkipRequested);

  fetcher.Calls.clear();
  fetcher.OnStart = [&](int n) {
    if (n == 0) f.State.StopRequested = true;
  };
  DownloadChartPages(f.Ctx);
  EXPECT_EQ(fetcher.Calls.size(), 1u);
}

TEST(DownloadPhaseTest, ASiteThatBringsNothingIsGivenUp) {
  const std::string givenUp = "通信エラーが続いたため残りの番組表を取得しません";
  struct Case {
    const char* what;
    std::function<bool(int)> brings;  // call n brings a page
    double secondsPerFetch;
    std::size_t calls;
    bool gaveUp;
  } cases[] = {
      {"nothing at all: six requests", [](int) { return false; }, 0.2, 6, true},
      {"a page in between starts the count again", [](int n) { return n == 3; }, 0.2, 8, false},
      {"a too-small page counts as an answer", [](int n) { return n == 5; }, 0.2, 8, false},
      {"slow failures: five minutes", [](int) { return false; }, 100, 3, true},
  };
  for (const Case& c : cases) {
    test::FakeClock clock(2026, 12, 6, 6, 0, 0, 0.2);
    PhaseFixture f;
    FakeFetcher fetcher;
    fetcher.Body = [&](const test::FetchCall&, int n) -> std::optional<std::string> {
      if (!c.brings(n)) return std::nullopt;
      return Page(n == 5 ? 100 : 6000);
    };
    fetcher.OnStart = [&](int) { clock.advanceSeconds(c.secondsPerFetch); };
    DownloadChartPages(f.Ctx);
    EXPECT_EQ(fetcher.Calls.size(), c.calls) << c.what;
    const StringList log = f.LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), givenUp), c.gaveUp ? 1 : 0) << c.what;
  }
}

TEST(DownloadPhaseTest, RunOverMidnightUsesTheNewDate) {
  test::ScopedEnv base("KANALIA_BASE_URL", kBase);
  test::FakeClock clock(2026, 12, 6, 23, 59, 58, 0.05);
  PhaseFixture f;
  f.State.ChannelNumberList = {"161"};
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) { return Page(6000); };
  fetcher.OnStart = [&](int n) {
    if (n == 0) clock.set(EncodeDate(2026, 12, 7) + EncodeTime(0, 0, 1, 0));
  };
  DownloadChartPages(f.Ctx);
  ASSERT_EQ(fetcher.Calls.size(), 4u);
  EXPECT_NE(fetcher.Calls[0].Address.find("head=202612060500"), std::string::npos);
  EXPECT_NE(fetcher.Calls[1].Address.find("head=202612071100"), std::string::npos);
  ASSERT_EQ(f.State.DownloadedFiles.size(), 4u);
  EXPECT_NE(f.State.DownloadedFiles[0].find("tvmurok16112060.html"), std::string::npos);
  EXPECT_NE(f.State.DownloadedFiles[1].find("tvmurok16112071.html"), std::string::npos);
}

}  // namespace
}  // namespace kc
