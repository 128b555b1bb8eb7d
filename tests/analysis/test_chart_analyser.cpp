#include "analysis/chart_analyser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_fixture.h"
#include "core/error.h"
#include "core/text.h"
#include "download/host_files.h"
#include "download/programme_files.h"

namespace kc {
namespace {

using test::RunFixture;

TDateTime At(int y, int mo, int d, int h, int mi) { return EncodeDate(y, mo, d) + EncodeTime(h, mi, 0, 0); }

// A page of channel 101 on 2019-12-06, and one element fed to a walker.
PageContext TestPage() {
  PageContext page;
  page.Today = EncodeDate(2019, 12, 6);
  page.PageDate = page.Today;
  page.DayBase = page.Today + EncodeTime(5, 0, 0, 0);
  page.ChannelLabel = "101.テスト局";
  return page;
}

void Tag(ChartWalker& w, const char* name, const char* param = nullptr, const char* value = nullptr) {
  w.BeginTag(name);
  if (param) w.TagParam(param, value);
  w.EndElement();
}

// ---- the genre class table

TEST(ChartAnalyserRules, CategoryOfClass) {
  struct Case {
    const char* cls;
    int category;
  } cases[] = {
      {"cell genre-100000", 10}, {"cell genre-101000", 4}, {"genre-102000", 9},
      {"genre-102105", 5},       {"genre-103000", 1},      {"genre-104000", 3},
      {"genre-105000", 7},       {"genre-106000", 2},      {"genre-107000", 6},
      {"genre-108000", 11},      {"genre-109000", 12},     {"genre-110000", 14},
      {"genre-110108", 16},      {"genre-111000", 14},     {"cell genre-999999", 0},
      // the first row of the table that matches wins, not the first in the value
      {"genre-111000 genre-100000", 10},
      // the class is searched as found: upper case does not match
      {"GENRE-100000", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(CategoryOfClass(c.cls), c.category) << c.cls;
}

// ---- STYLE heights

TEST(ChartAnalyserRules, DurationOfStyle) {
  struct Case {
    const char* style;
    bool used;
    int minutes;
  } cases[] = {
      {"height: 57px;", true, 20},
      {"height:57px", true, 3},  // the byte after the colon is always dropped
      {"HEIGHT: 87PX", true, 30},
      {"width: 10px; height: 177px", true, 60},
      {"height:  57 px", true, 20},  // blanks around the number are trimmed
      {"height: 0px", true, 1},
      {"height: abcpx", true, 1},  // not a number reads 0
      // A hostile page's largest heights still give a length, not an overflow.
      {"height: 2147483647px", true, 715827883},
      {"height: $7FFFFFFFpx", true, 715827883},
      {"height: -2147483648px", true, -715827881},
      {"height: 57", false, -1},
      {"width: 10px", false, -1},
      {"height:", false, -1},
  };
  for (const Case& c : cases) {
    int minutes = -1;
    EXPECT_EQ(DurationOfStyle(c.style, minutes), c.used) << c.style;
    EXPECT_EQ(minutes, c.minutes) << c.style;
  }
}

// ---- recording links

TEST(ChartAnalyserRules, StartOfRecordingLink) {
  TDateTime start = 0;
  ASSERT_TRUE(StartOfRecordingLink("/m/clipAdding.action?id=500161201912062530", 2019, start));
  EXPECT_DOUBLE_EQ(start, At(2019, 12, 7, 1, 30));
  ASSERT_TRUE(StartOfRecordingLink("https://x/m/clipAdding.action?id=500161201912060500&r=1", 2019, start));
  EXPECT_DOUBLE_EQ(start, At(2019, 12, 6, 5, 0));
  // no valid date: 1970-01-01 plus the time, far in the past but kept
  ASSERT_TRUE(StartOfRecordingLink("/m/clipAdding.action?id=500161201913450700", 2019, start));
  EXPECT_DOUBLE_EQ(start, At(1970, 1, 1, 7, 0));
  start = 42;
  EXPECT_FALSE(StartOfRecordingLink("/schedule/500161201912060500.action", 2019, start));
  EXPECT_EQ(start, 42);
}

// ---- channel labels

TEST(ChartAnalyserRules, ChannelLabelConversions) {
  struct Case {
    const char* conversion;
    const char* label;
  } cases[] = {
      {"", "101.局"},   {"0", "101.局"},    {"-5", "101.局"},   {"abc", "101.局"},
      {"5", "C5.局"},   {"05", "C05.局"},   {"201", "201.局"},  {"1234", "1234.局"},
  };
  for (const Case& c : cases) EXPECT_EQ(MakeChannelLabel(101, c.conversion, "局"), c.label) << c.conversion;

  // A row saved unchanged by the conversion window names the channel's own
  // number: the label stays the one without a conversion.
  struct Own {
    int channel;
    const char* conversion;
    const char* label;
  } own[] = {{55, "55", "55.局"}, {55, "055", "55.局"}, {5, "5", "5.局"},
             {161, "161", "161.局"}, {55, "56", "C56.局"}, {55, "155", "155.局"}};
  for (const Own& c : own)
    EXPECT_EQ(MakeChannelLabel(c.channel, c.conversion, "局"), c.label) << c.conversion;
}

// ---- page context from the file name

// Title and summary take each piece as Trim(gathered + piece): a blank that
// ends one piece is gone before the next one comes.
TEST(ChartAnalyserRules, GatheringTrimsAfterEveryPiece) {
  struct Case {
    std::vector<std::string> pieces;
    const char* gathered;
  };
  const Case cases[] = {
      {{"  a ", "b"}, "ab"},
      {{"a", " b "}, "a b"},
      {{" ", "\t", "x", "\r\n"}, "x"},
      {{"x", "  ", " y\x01", "z"}, "x yz"},
      {{"番組", " 名 ", "\x81\x40"}, "番組 名\x81\x40"},
  };
  const PageContext page = TestPage();
  for (const Case& c : cases) {
    std::vector<ProgrammeRecord> stored;
    ChartWalker w(page, nullptr, [&](const ProgrammeRecord& r) { stored.push_back(r); });
    auto tag = [&w](const char* name, const char* param, const char* value) { Tag(w, name, param, value); };
    auto gather = [&](const char* spanClass) {
      tag("SPAN", "CLASS", spanClass);
      for (const std::string& p : c.pieces) {
        w.Text(p);
        w.EndElement();
      }
    };
    tag("DIV", "CLASS", "topcolumn");
    tag("A", "HREF", "/m/clipAdding.action?id=500101201912062000");
    gather("schedule-title");
    gather("Schedule-Summary wide");
    tag("/DIV", nullptr, nullptr);
    ASSERT_EQ(stored.size(), 1u) << c.gathered;
    EXPECT_EQ(stored[0].Title, c.gathered);
    EXPECT_EQ(stored[0].Memo, c.gathered);
  }
}

TEST(ChartAnalyserRules, OnlyASitePathBecomesTheLink) {
  const struct {
    const char* href;
    const char* url;
  } cases[] = {
      {"/schedule/500101201912062000.action", "https://www.kanalia.example/schedule/500101201912062000.action"},
      {".other.example/schedule/1", "https://www.kanalia.example"},
      {"@other.example/schedule/1", "https://www.kanalia.example"},
      {"https://other.example/schedule/1", "https://www.kanalia.example"},
  };
  PageContext page = TestPage();
  page.BaseAddress = "https://www.kanalia.example";
  for (const auto& c : cases) {
    std::vector<ProgrammeRecord> stored;
    ChartWalker w(page, nullptr, [&](const ProgrammeRecord& r) { stored.push_back(r); });
    auto tag = [&w](const char* name, const char* param, const char* value) { Tag(w, name, param, value); };
    tag("DIV", "CLASS", "topcolumn");
    tag("A", "HREF", "/m/clipAdding.action?id=500101201912062000");
    tag("A", "HREF", c.href);
    tag("SPAN", "CLASS", "schedule-title");
    w.Text("番組");
    w.EndElement();
    tag("/DIV", nullptr, nullptr);
    ASSERT_EQ(stored.size(), 1u) << c.href;
    EXPECT_EQ(stored[0].url, c.url) << c.href;
  }
}

// The context the run makes of a cached page: its name read back, then the
// analyser's context from what it holds.
PageContext FromFileName(const std::string& name, TDateTime now, const std::string& days,
                         const std::string& base) {
  return PageContextOfFile(name, {now, days, base});
}

TEST(ChartAnalyserRules, PageContextFromFileName) {
  PageContext pc = FromFileName("tvmurok16112063.html", At(2019, 12, 6, 8, 0), "", "https://b");
  EXPECT_EQ(pc.ChannelNumber, 161);
  EXPECT_EQ(pc.ChannelText, "161");
  EXPECT_DOUBLE_EQ(pc.PageDate, EncodeDate(2019, 12, 6));
  EXPECT_DOUBLE_EQ(pc.DayBase, At(2019, 12, 6, 5, 0));
  EXPECT_DOUBLE_EQ(pc.Today, EncodeDate(2019, 12, 6));
  EXPECT_EQ(pc.DaysAhead, 100);
  // a January page read in December belongs to the next year
  EXPECT_DOUBLE_EQ(FromFileName("tvmurok16101020.html", At(2019, 12, 31, 23, 0), "0", "").PageDate,
                   EncodeDate(2020, 1, 2));
  EXPECT_EQ(FromFileName("tvmurok16112060.html", At(2019, 12, 6, 8, 0), "x", "").DaysAhead, 100);
  EXPECT_EQ(FromFileName("tvmurok16112060.html", At(2019, 12, 6, 8, 0), "1", "").DaysAhead, 1);
  // channels below 100 are written with three digits, so positions hold
  EXPECT_EQ(FromFileName("tvmurok05512060.html", At(2019, 12, 6, 8, 0), "", "").ChannelNumber, 55);
  EXPECT_EQ(FromFileName("tvmurokabc12060.html", At(2019, 12, 6, 8, 0), "", "").ChannelNumber, 0);
  EXPECT_THROW(FromFileName("tvmurok16113320.html", At(2019, 12, 6, 8, 0), "", ""), Error);
}

// ---- whole pages against the expected programme file

std::string Lf(const std::string& s) { return ByteReplaceAll(s, "\r\n", "\n"); }

struct PageCase {
  const char* fixture;
  const char* pageName;
  const char* days;
  const char* conversion;  // name=value or ""
  const char* expected;
};

class ChartPages : public ::testing::TestWithParam<PageCase> {};

TEST_P(ChartPages, MatchExpectedProgrammeFile) {
  const PageCase& c = GetParam();
  test::FakeClock clock(2019, 12, 6, 8, 0, 0);
  RunFixture f;
  f.AddChannel("101", "テスト局");
  if (*c.conversion) f.State.ChannelConversionList.push_back(c.conversion);
  std::string page = f.Plugin + c.pageName;
  std::string html = test::ReadBytes(test::SourcePath(std::string("tests/data/analyser/") + c.fixture));
  ASSERT_FALSE(html.empty()) << c.fixture;
  kc::WriteWholeFile(page, html);
  f.Mas.Open();

  int n = AnalyzeChartPageWith(f.Ctx, page, c.days, "https://www.kanalia.example");

  std::string expected = test::ReadBytes(test::SourcePath(std::string("tests/data/analyser/") + c.expected));
  ASSERT_FALSE(expected.empty()) << c.expected;
  std::string got = kc::Cp932ToUtf8(f.Mas.SaveToString(f.Mas.PersistentSaveOptions));
  EXPECT_EQ(Lf(got), expected) << c.fixture;
  EXPECT_EQ(n, f.Mas.RecordCount());
  EXPECT_EQ(f.State.PhaseName, "Analyze");
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ChartPages,
    ::testing::Values(
        PageCase{"column_start.html", "tvmurok10112060.html", "", "", "column_start.expected.csv"},
        PageCase{"style_height.html", "tvmurok10112060.html", "", "", "style_height.expected.csv"},
        PageCase{"shared_span.html", "tvmurok10112061.html", "", "", "shared_span.expected.csv"},
        PageCase{"nested_div.html", "tvmurok10112061.html", "", "", "nested_div.expected.csv"},
        PageCase{"early_start.html", "tvmurok10112063.html", "", "", "early_start.expected.csv"},
        PageCase{"days_limit.html", "tvmurok10112063.html", "1", "", "days_limit.expected.csv"},
        PageCase{"marks_notes.html", "tvmurok10112062.html", "", "", "marks_notes.expected.csv"},
        PageCase{"no_column.html", "tvmurok10112060.html", "", "", "no_column.expected.csv"},
        PageCase{"shared_span.html", "tvmurok10112061.html", "", "101=5", "conversion_c5.expected.csv"}),
    [](const ::testing::TestParamInfo<PageCase>& info) {
      std::string name = info.param.expected;
      name = name.substr(0, name.find('.'));
      return name;
    });

// ---- the window side: channel table, log, flags, progress

TEST(ChartAnalyserRun, ChannelMissingFromTableLogsAndReadsNothing) {
  test::FakeClock clock(2019, 12, 6, 8, 0, 0);
  RunFixture f;
  f.AddChannel("161", "映画");
  f.Mas.Open();
  // The page does not even exist: the label check comes first.
  std::string page = f.Plugin + "tvmurok10112060.html";
  EXPECT_EQ(AnalyzeChartPageWith(f.Ctx, page, "", "https://b"), 0);
  StringList lines = f.LogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "hoz.log: チャンネル名取得エラー [" + page + "] (C.ERROR)");
}

TEST(ChartAnalyserRun, ChannelBelowHundredFindsItsRowAndConversion) {
  test::FakeClock clock(2019, 12, 6, 8, 0, 0);
  RunFixture f;
  f.AddChannel("55", "スポーツ");
  f.State.ChannelConversionList = {"055=7"};
  std::string page = f.Plugin + "tvmurok05512061.html";
  kc::WriteWholeFile(page, test::ReadBytes(test::SourcePath("tests/data/analyser/shared_span.html")));
  f.Mas.Open();
  ASSERT_EQ(AnalyzeChartPageWith(f.Ctx, page, "", ""), 2);
  f.Mas.First();
  EXPECT_EQ(f.Mas.FieldByName("TVChannel").AsString(), "C7.スポーツ");
}

TEST(ChartAnalyserRun, StopAndSkipEndTheWalkKeepingWhatWasStored) {
  for (bool skip : {false, true}) {
    test::FakeClock clock(2019, 12, 6, 8, 0, 0);
    RunFixture f;
    f.AddChannel("101", "テスト局");
    std::string page = f.Plugin + "tvmurok10112061.html";
    kc::WriteWholeFile(page, test::ReadBytes(test::SourcePath("tests/data/analyser/nested_div.html")));
    f.Mas.Open();
    // Press the button once the first programme is stored.
    int pumps = 0, storedAt = 0;
    ScopedMessagePump pump([&] {
      ++pumps;
      if (storedAt == 0 && f.Mas.RecordCount() == 1) {
        storedAt = pumps;
        (skip ? f.State.SkipRequested : f.State.StopRequested) = true;
      }
    });
    EXPECT_EQ(AnalyzeChartPageWith(f.Ctx, page, "", ""), 1) << skip;
    EXPECT_EQ(f.Mas.RecordCount(), 1);
    // the walk ended right after the element of that pump
    EXPECT_EQ(f.View.P1, storedAt);
  }
}

TEST(ChartAnalyserRun, ProgressCountsEveryElement) {
  test::FakeClock clock(2019, 12, 6, 8, 0, 0);
  RunFixture f;
  f.AddChannel("101", "テスト局");
  std::string page = f.Plugin + "tvmurok10112060.html";
  kc::WriteWholeFile(page, "<div class=\"topcolumn\">x</div>");
  f.Mas.Open();
  test::PumpHook pumps;
  EXPECT_EQ(AnalyzeChartPageWith(f.Ctx, page, "", ""), 0);
  EXPECT_EQ(f.View.P1, 3);
  EXPECT_EQ(pumps.count, 3);  // one yield per element
}

}  // namespace
}  // namespace kc
