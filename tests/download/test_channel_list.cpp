#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>

#include "analysis/html_parser.h"
#include "core/error.h"
#include "core/text.h"
#include "download/channel_list.h"
#include "download/host_settings.h"
#include "download/fetch_fake.h"
#include "download/host_files.h"
#include "support/run_fixture.h"
#include "platform/platform.h"
#include "storage/tables.h"

namespace kc {
namespace {

using test::FakeFetcher;
using test::RunFixture;

// The all-channels marker as the list page's script writes it, in the
// program's character set.
const std::string kAll = "{\"all\": {\"name\": \"すべてのチャンネル\", \"children\": { ";

struct Row {
  std::string channel, name;
  int status;
  bool operator==(const Row& o) const {
    return channel == o.channel && name == o.name && status == o.status;
  }
};
std::ostream& operator<<(std::ostream& os, const Row& r) {
  return os << r.channel << "|" << r.name << "|" << r.status;
}

std::vector<Row> Rows(MemTable& t) {
  std::vector<Row> rows;
  for (t.First(); !t.Eof(); t.Next())
    rows.push_back({t.FieldByName("TVChannel").AsString(),
                    t.FieldByName("TVName").AsString(),
                    t.FieldByName("Status").AsInteger()});
  return rows;
}

struct Lists {
  MemTable table{"TableSkypch"};
  StringList numbers, keys;
  ChannelListSink sink{table, numbers, &keys, nullptr, nullptr};
  Lists() {
    DefineTableSkypch(table, "");
    table.Persistent = false;
    table.Open();
  }
};

class ChannelListTest : public ::testing::Test {};

// ---- SKY PerfecTV! scan

TEST_F(ChannelListTest, SkyptEntriesPerWindow) {
  struct Case {
    const char* what;
    std::string text;
    ChannelListVariant variant;
    StringList numbers, keys;
    std::vector<Row> rows;
  } cases[] = {
      {"entry read by the download window",
       kAll + "\"123456\": {\"name\": \"585 - Example\"}, \"654321\": {\"name\": \"161 - シネマ \"}}}",
       ChannelListVariant::DownloadWindow,
       {"585", "161"},
       {"585=123456", "161=654321"},
       {{"585", "Example", 1}, {"161", "シネマ", 1}}},
      {"number text with a prefix: skipped by the download window",
       kAll + "\"123456\": {\"name\": \"CS 585 - Example\"}}}",
       ChannelListVariant::DownloadWindow, {}, {}, {}},
      {"number text with a prefix: last three characters in the settings window",
       kAll + "\"123456\": {\"name\": \"CS 585 - Example\"}}}",
       ChannelListVariant::SettingsWindow,
       {"585"}, {}, {{"585", "Example", 1}}},
      {"settings window: the first number text starts ahead of the entries",
       kAll + "\"000055\": {\"name\": \"55 - ジャパン\"}, \"000161\": {\"name\": \"161 - シネマ\"}}}",
       ChannelListVariant::SettingsWindow,
       {"55", "161"}, {}, {{"55", "ジャパン", 1}, {"161", "シネマ", 1}}},
      {"a channel listed twice is entered twice",
       kAll + "\"100240\": {\"name\": \"240 - A\"}, \"100240\": {\"name\": \"240 - B\"}}}",
       ChannelListVariant::DownloadWindow,
       {"240", "240"}, {"240=100240", "240=100240"}, {{"240", "B", 0}}},
      {"no marker: the first 35 characters go",
       std::string(35, 'x') + "\"000055\": {\"name\": \"55 - ジャパン\"}",
       ChannelListVariant::DownloadWindow,
       {"55"}, {"55=55"}, {{"55", "ジャパン", 1}}},
      {"garbage after the entries ends the scan",
       kAll + "\"111111\": {\"name\": \"300 - 音楽\"}}}};\"}} - x \"name\": \"",
       ChannelListVariant::DownloadWindow,
       {"300"}, {"300=111111"}, {{"300", "音楽", 1}}},
  };
  for (const Case& c : cases) {
    Lists l;
    ScanSkyptEntries(c.text, c.variant, l.sink);
    EXPECT_EQ(l.numbers, c.numbers) << c.what;
    EXPECT_EQ(l.keys, c.keys) << c.what;
    EXPECT_EQ(Rows(l.table), c.rows) << c.what;
  }
}

TEST_F(ChannelListTest, MergeKeepsUnlistedRowsAndOrdersAsText) {
  Lists l;
  MergeChannel(l.table, 585, "古い名前");
  MergeChannel(l.table, 602, "残る局");
  l.table.Edit();
  l.table.FieldByName("Status").SetAsInteger(0);
  l.table.Post();
  l.table.Locate("TVChannel", "585");
  l.table.Edit();
  l.table.FieldByName("Status").SetAsInteger(1);
  l.table.Post();
  ScanSkyptEntries(kAll + "\"000585\": {\"name\": \"585 - 新しい名前\"}, "
                          "\"000161\": {\"name\": \"161 - シネマ\"}}}",
                   ChannelListVariant::DownloadWindow, l.sink);
  OrderChannelTable(l.table);
  EXPECT_EQ(Rows(l.table), (std::vector<Row>{{"161", "シネマ", 1},
                                              {"585", "新しい名前", 0},
                                              {"602", "残る局", 0}}));
}

TEST_F(ChannelListTest, GatheringStartsAtTheLastMarkerLine) {
  RunFixture f;
  const std::string path = f.Dir.winFile("list.html");
  // UTF-8 page: a line before the marker, two marker lines, a character
  // without a Shift-JIS form (U+00E9) and a question mark after it.
  f.WriteHost("list.html",
              u8"<html>\r\nSptvSpecialitySelect.stations = {old\r\n"
              u8"SptvSpecialitySelect.stations = {\"a\": {\n"
              u8"  \"1\": {\"name\": \"55 - Caf\u00e9?\"}\r"
              u8"}};\n");
  std::string text;
  ASSERT_TRUE(GatherSkyptScript(path, nullptr, text));
  EXPECT_EQ(text,
            "SptvSpecialitySelect.stations = {\"a\": {  \"1\": {\"name\": \"55 - Cafーー\"}}};");
  EXPECT_FALSE(GatherSkyptScript(f.Dir.winFile("missing.html"), nullptr, text));
}

// ---- e2 page

TEST_F(ChannelListTest, E2FormOptionsPerWindow) {
  RunFixture f;
  const std::string path = f.Dir.winFile("e2.html");
  f.WriteHost("e2.html",
              u8"<form name=\"other\"><select name=\"id\"><option value=\"1\">999 - 外</option></select></form>\n"
              u8"<FORM NAME=\"SPTV-Speciality-Select-Header\">\n"
              u8"<select name=\"genre\"><option value=\"3\">777 - ジャンル</option></select>\n"
              u8"<select name=\"id\">\n"
              u8"<option value=\"12\">585 - Example</option>\n"
              u8"<option>602 - 値なし</option>\n"
              u8"<option value=\"14\">テキストだけ</option>\n"
              u8"<option value=\"15\">300 - チャンネル\u2212ミュージック</option>\n"
              u8"<option value=\"16\">585 - Example 2</option>\n"
              u8"</select></FORM>\n");
  {
    Lists l;
    ReadE2Page(path, ChannelListVariant::DownloadWindow, l.sink);
    EXPECT_EQ(l.numbers, (StringList{"585", "602", "300"}));
    EXPECT_EQ(l.keys, (StringList{"585=12", "602=0", "300=15", "585=16"}));
    OrderChannelTable(l.table);
    EXPECT_EQ(Rows(l.table), (std::vector<Row>{{"300", "チャンネル―ミュージック", 1},
                                                {"585", "Example 2", 0},
                                                {"602", "値なし", 1}}));
  }
  {
    Lists l;
    l.sink.Keys = nullptr;
    ReadE2Page(path, ChannelListVariant::SettingsWindow, l.sink);
    EXPECT_EQ(l.numbers, (StringList{"585", "602", "300"}));
  }
}

TEST_F(ChannelListTest, StopFlagEndsTheReaders) {
  Lists l;
  int tests = 0;
  l.sink.Stop = [&] { return ++tests > 1; };
  ScanSkyptEntries(kAll + "\"000585\": {\"name\": \"585 - A\"}, \"000161\": {\"name\": \"161 - B\"}}}",
                   ChannelListVariant::DownloadWindow, l.sink);
  EXPECT_EQ(l.numbers, (StringList{"585"}));
}

// The scan as it first was: the rest cut off the front after every entry
// and every marker searched from the front again. Slow but plainly right;
// the scanner must read every text the same way.
void ReferenceScan(std::string text, bool downloadWindow, StringList& numbers,
                   StringList& keys, std::vector<std::pair<int, std::string>>& merges) {
  auto pos = [&](const std::string& needle) -> long long { return SjisPos(needle, text); };
  auto copy = [&](long long index, long long count) {
    if (index < 1) index = 1;
    if (count <= 0 || index > static_cast<long long>(text.size())) return std::string();
    return text.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
  };
  auto drop = [&](long long count) {
    if (count <= 0) return;
    text.erase(0, std::min<std::size_t>(static_cast<std::size_t>(count), text.size()));
  };
  const std::string all = "\"すべてのチャンネル\", \"children\": {";
  if (downloadWindow) {
    long long m = pos(all);
    drop(m > 0 ? m - 1 + 35 + 1 : 35);
  }
  while (!text.empty()) {
    long long d = pos(" - "), n = pos("\"name\": \"");
    std::string numberText = copy(n + 9, d - n - 9);
    // Past 64 bytes a number text is no number; the settings window looks
    // at its last 64 bytes.
    const bool overlong = d - n - 9 > 64;
    if (overlong) numberText = downloadWindow ? "" : copy(d - 64, 64);
    bool tooLong = false;
    if (overlong && numberText.find_first_not_of("0123456789") == std::string::npos)
      numberText.clear();
    if (!downloadWindow && numberText.size() > 3) {
      std::size_t from = numberText.size();
      while (from > 0 && numberText[from - 1] >= '0' && numberText[from - 1] <= '9') --from;
      while (from + 1 < numberText.size() && numberText[from] == '0') ++from;
      tooLong = numberText.size() - from > 3;
      numberText = numberText.substr(numberText.size() - 3);
      std::size_t digits = numberText.size();
      while (digits > 0 && numberText[digits - 1] >= '0' && numberText[digits - 1] <= '9')
        --digits;
      if (digits > 0 && digits < numberText.size() && StrToIntDef(numberText, 0) == 0)
        numberText.erase(0, digits);
    }
    int number = StrToIntDef(numberText, 0);
    long long e = pos("\"}");
    std::string name = Trim(copy(d + 3, e - d - 3));
    long long q = pos("\"");
    int station = StrToIntDef(copy(q + 1, 6), 0);
    drop(e > 0 ? e + 2 : 2);
    if (tooLong || number < 1 || number > 999) continue;
    if (downloadWindow) keys.push_back(IntToStr(number) + "=" + IntToStr(station));
    numbers.push_back(IntToStr(number));
    merges.emplace_back(number, name);
  }
}

TEST_F(ChannelListTest, ScanReadsRandomTextsAsTheFrontCuttingScanDid) {
  // Entry pieces, double-byte characters (some whose trail byte is a quote
  // or a lead byte) and single bytes, so that cuts land inside characters.
  const std::vector<std::string> pieces = {
      "\"すべてのチャンネル\", \"children\": {", "\"name\": \"", " - ", "\"}", ", ", "\"",
      "123456", "585", "CS 585", "55", "チ", "\x81\"", "\x81\x81", "\xE0\x81", "a", "}", " "};
  std::mt19937 rng(3);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int count = static_cast<int>(rng() % 40);
    for (int i = 0; i < count; ++i) text += pieces[rng() % pieces.size()];
    for (bool downloadWindow : {true, false}) {
      StringList refNumbers, refKeys;
      std::vector<std::pair<int, std::string>> merges;
      ReferenceScan(text, downloadWindow, refNumbers, refKeys, merges);
      // Rows that were there before: a channel's first row takes its merge.
      auto before = [](Lists& x) {
        AppendChannel(x.table, "585", "前", 1);
        AppendChannel(x.table, "55", "前", 1);
        AppendChannel(x.table, "585", "二つ目", 1);
      };
      Lists l;
      before(l);
      ScanSkyptEntries(text,
                       downloadWindow ? ChannelListVariant::DownloadWindow
                                      : ChannelListVariant::SettingsWindow,
                       l.sink);
      ASSERT_EQ(l.numbers, refNumbers) << "text: " << text;
      ASSERT_EQ(l.keys, refKeys) << "text: " << text;
      Lists r;
      before(r);
      for (const auto& [number, name] : merges) MergeChannel(r.table, number, name);
      ASSERT_EQ(Rows(l.table), Rows(r.table)) << "text: " << text;
    }
  }
}

TEST_F(ChannelListTest, LongTextAfterTheLastEntryYieldsAndStops) {
  // A megabyte without entry ends: the scan steps two bytes at a time and
  // must let the window act on Stop while it does.
  Lists l;
  bool stop = false;
  int yields = 0;
  l.sink.Stop = [&] { return stop; };
  l.sink.TokenizerYield = [&](bool) {
    if (++yields == 3) stop = true;
  };
  ScanSkyptEntries(kAll + "\"000585\": {\"name\": \"585 - A\"}, " + std::string(1 << 20, 'x'),
                   ChannelListVariant::DownloadWindow, l.sink);
  EXPECT_EQ(yields, 3);
  EXPECT_EQ(l.numbers, (StringList{"585"}));
}

TEST_F(ChannelListTest, NumbersTheThreeDigitKeysCannotHoldAreLeftOut) {
  // 1234 and 123 share the tick key "tvch 123"; 123456 does not fit the
  // table's five characters.
  const std::string sky = kAll + "\"001234\": {\"name\": \"1234 - 長い\"}, "
                          "\"000123\": {\"name\": \"123 - 短い\"}, "
                          "\"012345\": {\"name\": \"123456 - 更に\"}, "
                          "\"000234\": {\"name\": \"234 - 残る\"}}}";
  const std::string e2 = u8"<form name=\"sptv-speciality-select-header\"><select name=\"id\">"
                         u8"<option value=\"7\">1234 - 長い</option>"
                         u8"<option value=\"8\">123 - 短い</option></select></form>";
  test::ScopedEnv base("KANALIA_BASE_URL", "http://127.0.0.1:9");
  RunFixture f;
  f.WriteHost("e2.html", e2);
  for (bool downloadWindow : {true, false}) {
    const ChannelListVariant v =
        downloadWindow ? ChannelListVariant::DownloadWindow : ChannelListVariant::SettingsWindow;
    Lists l;
    AppendChannel(l.table, "234", "前の名", 0);
    ScanSkyptEntries(sky, v, l.sink);
    EXPECT_EQ(l.numbers, (StringList{"123", "234"})) << downloadWindow;
    EXPECT_EQ(Rows(l.table), (std::vector<Row>{{"234", "残る", 0}, {"123", "短い", 1}}))
        << downloadWindow;
    EXPECT_EQ(LeftOutText(l.sink), "1234 123456") << downloadWindow;

    Lists m;
    ReadE2Page(f.Dir.winFile("e2.html"), v, m.sink);
    EXPECT_EQ(m.numbers, (StringList{"123"})) << downloadWindow;
    EXPECT_EQ(LeftOutText(m.sink), "1234") << downloadWindow;
  }

  // The download window says it once per list; a row of an earlier run is
  // no tick of the run.
  FakeFetcher fetcher;
  fetcher.Body = [&](const test::FetchCall&, int) {
    return std::string(u8"SptvSpecialitySelect.stations = ") + kc::Cp932ToUtf8(sky);
  };
  f.AddChannel("1234", "前の長い");
  RetrieveSkyptChannels(f.Ctx);
  EXPECT_EQ(f.State.ChannelNumberList, (StringList{"123", "234"}));
  EXPECT_EQ(f.LogLines(),
            (StringList{"GetTVChannel: 4桁以上のチャンネル番号は扱えないため除きました: 1234 123456"}));
  f.WriteHost("hoz.ini", "[DataSet 0]\r\ncount=1\r\nArea 0=True\r\n");
  f.WriteHost("tvskypch.ini", "[DataSet 0]\r\ntvch 123=True\r\n");
  GetDataSetChannels(f.Ctx, 0);
  EXPECT_EQ(f.State.DataSetChannels, (StringList{"123"}));
}

TEST_F(ChannelListTest, TextWithAFarSeparatorAndNoEntryEndIsReadInLinearTime) {
  // No name opener and no entry end after the last entry, a separator a
  // megabyte on: every two-byte step copied the number text up to it, hours
  // for this text (the test's time-out catches that). The entry stays.
  for (auto v : {ChannelListVariant::DownloadWindow, ChannelListVariant::SettingsWindow}) {
    Lists l;
    int yields = 0;
    l.sink.TokenizerYield = [&](bool) { ++yields; };
    ScanSkyptEntries(kAll + "\"000585\": {\"name\": \"585 - A\"}, " + std::string(1 << 20, ' ') +
                         " - 99 - " + std::string(1 << 20, 'y'),
                     v, l.sink);
    EXPECT_EQ(l.numbers, (StringList{"585"}));
    EXPECT_GT(yields, 1000);
  }
  // A far text of digits alone is no number either (the settings window's
  // scan cut three characters from the end of the emptied text and threw,
  // ending the list); its last digits read as the scan always read them.
  for (auto v : {ChannelListVariant::DownloadWindow, ChannelListVariant::SettingsWindow}) {
    Lists l;
    ScanSkyptEntries(kAll + "\"000585\": {\"name\": \"585 - A\"}, " + std::string(100, '7') + " - B",
                     v, l.sink);
    EXPECT_EQ(l.numbers, (StringList{"585", "777", "7"}));
  }
}

TEST_F(ChannelListTest, AHugeListPageIsCappedWithOneLineAndTheE2WalkYields) {
  test::ScopedEnv base("KANALIA_BASE_URL", "http://127.0.0.1:9");
  RunFixture f;
  FakeFetcher fetcher;
  const std::size_t entries = kMaxListEntries + 1000;
  std::string page = u8"SptvSpecialitySelect.stations = {\"all\": {\"name\": \"すべてのチャンネル\", "
                     u8"\"children\": {";
  for (std::size_t i = 0; i < entries; ++i)
    page += "\"" + std::to_string(100000 + i) + "\": {\"name\": \"" +
            std::to_string(i % 999 + 1) + u8" - 名" + std::to_string(i) + "\"}, ";
  fetcher.Body = [&](const test::FetchCall&, int) { return page; };
  f.AddChannel("1", "前の名");
  RetrieveSkyptChannels(f.Ctx);
  EXPECT_EQ(f.State.ChannelNumberList.size(), kMaxListEntries);
  EXPECT_EQ(f.State.ChannelKeyList.size(), kMaxListEntries);
  EXPECT_EQ(f.Skypch.RecordCount(), 999);
  ASSERT_TRUE(f.Skypch.Locate("TVChannel", "1"));
  EXPECT_EQ(f.Skypch.FieldByName("TVName").AsString(), "名4995");  // the last within the cap
  EXPECT_EQ(f.Skypch.FieldByName("Status").AsInteger(), 0);
  EXPECT_EQ(f.LogLines(),
            (StringList{"GetTVChannel: チャンネル一覧の項目が 5000 件を超えたため、それより後を読みません"}));

  // The e2 walk over the elements lets the window act (Stop here) after the
  // tokenizer is done.
  std::string e2 = u8"<form name=\"sptv-speciality-select-header\"><select name=\"id\">";
  for (int i = 1; i <= 900; ++i)
    e2 += "<option value=\"" + std::to_string(i) + "\">" + std::to_string(i) + " - x</option>";
  f.WriteHost("e2.html", e2 + "</select></form>");
  Lists l;
  int yields = 0, yieldsBeforeWalk = -1;
  l.sink.TokenizerYield = [&](bool) { ++yields; };
  l.sink.Stop = [&] {
    if (yieldsBeforeWalk < 0) yieldsBeforeWalk = yields;
    return yields > yieldsBeforeWalk;
  };
  ReadE2Page(f.Dir.winFile("e2.html"), ChannelListVariant::DownloadWindow, l.sink);
  EXPECT_GT(l.numbers.size(), 0u);
  EXPECT_LT(l.numbers.size(), 900u);
  EXPECT_EQ(Rows(l.table).size(), l.numbers.size());
}

// ---- number list file

TEST_F(ChannelListTest, NumberListFile) {
  RunFixture f;
  SaveChannelNumberList({"585", "602"}, f.State.PluginFolder);
  EXPECT_EQ(test::ReadBytes(f.Host("tvmurokch.csv")), "585\r\n602\r\n");
  EXPECT_EQ(LoadChannelNumberList(f.State.PluginFolder), (StringList{"585", "602"}));
  RunFixture g;
  EXPECT_THROW(LoadChannelNumberList(g.State.PluginFolder), Error);
}

// ---- the download window's retrieval

const char kSkyPage[] =
    u8"<html><head><script>\n"
    u8"SptvSpecialitySelect.stations = {\"all\": {\"name\": \"すべてのチャンネル\", \"children\": {\n"
    u8"  \"500055\": {\"name\": \"055 - ジャパンスポーツ\"},\n"
    u8"  \"500161\": {\"name\": \"161 - シネマ\"}\n"
    u8"}}};\n</script></head></html>\n";

TEST_F(ChannelListTest, DownloadWindowRetrievalAndStaleWorkingFile) {
  test::ScopedEnv base("KANALIA_BASE_URL", "http://127.0.0.1:9");
  RunFixture f;
  FakeFetcher fetcher;
  std::vector<std::string> phases;
  fetcher.OnStart = [&](int) { phases.push_back(f.State.PhaseName); };
  fetcher.Body = [](const test::FetchCall&, int n) -> std::optional<std::string> {
    if (n == 0) return std::string(kSkyPage);
    return std::nullopt;  // the site does not answer the second time
  };
  f.AddChannel("602", "残る局");
  RetrieveSkyptChannels(f.Ctx);
  ASSERT_EQ(fetcher.Calls.size(), 1u);
  EXPECT_EQ(fetcher.Calls[0].Address, "http://127.0.0.1:9/chart/cs/skylist.action");
  EXPECT_EQ(phases, (StringList{"GetTVChannel2"}));
  EXPECT_EQ(f.State.PhaseName, "GetTVChannel");
  EXPECT_EQ(f.State.ChannelNumberList, (StringList{"55", "161"}));
  EXPECT_EQ(f.State.ChannelKeyList, (StringList{"55=500055", "161=500161"}));
  EXPECT_EQ(Rows(f.Skypch), (std::vector<Row>{{"161", "シネマ", 1},
                                                    {"55", "ジャパンスポーツ", 1},
                                                    {"602", "残る局", 0}}));
  EXPECT_TRUE(test::FileExistsAt(test::ToPlatformPath(ChannelWorkFile())));

  // Nothing fetched: the working file of the earlier retrieval is read.
  f.State.ChannelNumberList.clear();
  f.State.ChannelKeyList.clear();
  f.State.LastRequestTime = 0;
  RetrieveSkyptChannels(f.Ctx);
  EXPECT_EQ(f.State.ChannelNumberList, (StringList{"55", "161"}));
  EXPECT_TRUE(f.LogLines().empty());
}

TEST_F(ChannelListTest, E2RetrievalStepNamesAndReaderError) {
  test::ScopedEnv base("KANALIA_BASE_URL", "http://127.0.0.1:9");
  RunFixture f;
  f.State.UseE2 = true;
  FakeFetcher fetcher;
  std::vector<std::string> phases;
  fetcher.OnStart = [&](int) { phases.push_back(f.State.PhaseName); };
  fetcher.Body = [](const test::FetchCall&, int) {
    return std::string(u8"<form name=\"sptv-speciality-select-header\"><select name=\"id\">"
                       u8"<option value=\"12\">585 - Example</option></select></form>");
  };
  RetrieveChannelList(f.Ctx);
  EXPECT_EQ(fetcher.Calls[0].Address, "http://127.0.0.1:9/chart/cs110/e2list.action");
  EXPECT_EQ(phases, (StringList{"GetTVChannelES2"}));
  EXPECT_EQ(f.State.PhaseName, "GetChannelES2");
  EXPECT_EQ(f.State.ChannelKeyList, (StringList{"585=12"}));

  // A table without its fields makes the merge fail: one error line, the
  // run goes on with what was read so far.
  MemTable broken("TableSkypch");
  broken.Open();
  RunContext ctx{f.State, f.View, f.Log, broken, f.Mas};
  f.State.ChannelNumberList.clear();
  f.State.LastRequestTime = 0;
  EXPECT_NO_THROW(RetrieveE2Channels(ctx));
  EXPECT_EQ(f.State.ChannelNumberList, (StringList{"585"}));
  StringList lines = f.LogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("GetChannelES2; チャンネルエラー (C.ERROR)"), std::string::npos) << lines[0];
}

TEST_F(ChannelListTest, SettingsWindowFillsItsListBeforeOrdering) {
  test::ScopedEnv base("KANALIA_BASE_URL", "http://127.0.0.1:9");
  RunFixture f;
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) { return std::string(kSkyPage); };
  MemTable tableTV("TableTV");
  DefineTableTV(tableTV, "");
  tableTV.Persistent = false;
  StringList numbers;
  std::vector<Row> seen;
  RetrieveChannelListForSettings(ChannelPlatform::Skypt, tableTV, numbers, nullptr, nullptr,
                                 [&] { seen = Rows(tableTV); });
  // The settings window keeps the marker in the text, so the first number
  // text runs from the first name opener on; its last three characters
  // still give the number.
  EXPECT_EQ(numbers, (StringList{"55", "161"}));
  // The list is filled in page order, the table ordered afterwards.
  EXPECT_EQ(seen, (std::vector<Row>{{"55", "ジャパンスポーツ", 1}, {"161", "シネマ", 1}}));
  EXPECT_EQ(Rows(tableTV), (std::vector<Row>{{"161", "シネマ", 1}, {"55", "ジャパンスポーツ", 1}}));
  EXPECT_TRUE(f.LogLines().empty());
  EXPECT_EQ(fetcher.Calls.size(), 1u);
}

}  // namespace
}  // namespace kc
