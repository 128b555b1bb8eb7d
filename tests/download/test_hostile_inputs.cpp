// Inputs no site or host should send, generated here at full size: every
// reader ends, keeps what is right and writes nothing broken. (Speed is the
// benchmarks' concern; these only must end.)
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "support/run_fixture.h"
#include "core/text.h"
#include "download/channel_list.h"
#include "download/fetch_fake.h"
#include "download/host_files.h"
#include "download/host_settings.h"
#include "download/programme_files.h"
#include "platform/message_pump.h"
#include "platform/temp_files.h"

namespace kc {
namespace {

std::string Noise(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

// Noise on one line: no line breaks, no section start.
std::string LineNoise(std::size_t size, unsigned seed) {
  std::string s = Noise(size, seed);
  for (char& c : s)
    if (c == '\r' || c == '\n' || c == '[') c = ' ';
  return s;
}

const char kEntries[] =
    u8"SptvSpecialitySelect.stations = {\"all\": {\"name\": \"すべてのチャンネル\", \"children\": {\n"
    u8"  \"500101\": {\"name\": \"101 - テスト局\"}, \"500161\": {\"name\": \"161 - 映画\"}}}};\n";

TEST(HostileInputs, ChannelListPagesEndAndKeepTheEntries) {
  struct Case {
    const char* what;
    std::string page;
  } cases[] = {
      {"20 MB of script after the entries", kEntries + std::string(20 << 20, 'x')},
      {"binary with NUL bytes after the entries", kEntries + Noise(2 << 20, 1)},
      {"invalid UTF-8 after the entries",
       kEntries + std::string(1 << 20, '\xC3') + std::string(1 << 20, '\xE3')},
      {"one line of 1 MB holding entries and name openers without ends",
       std::string(kEntries).substr(0, std::string(kEntries).size() - 1) +
           [] {
             std::string s;
             while (s.size() < (1u << 20)) s += "\"name\": \"7 - x";
             return s;
           }()},
  };
  for (const Case& c : cases) {
    test::RunFixture f;
    test::FakeFetcher fetcher;
    fetcher.Body = [&](const test::FetchCall&, int) -> std::optional<std::string> { return c.page; };
    RetrieveSkyptChannels(f.Ctx);
    EXPECT_EQ(f.State.ChannelNumberList.size() >= 2 ? StringList(f.State.ChannelNumberList.begin(),
                                                               f.State.ChannelNumberList.begin() + 2)
                                                    : f.State.ChannelNumberList,
              (StringList{"101", "161"}))
        << c.what;
    ASSERT_TRUE(f.Skypch.Locate("TVChannel", "161")) << c.what;
    EXPECT_TRUE(f.LogLines().empty()) << c.what;
  }
}

TEST(HostileInputs, StopActsDuringALongListPage) {
  test::RunFixture f;
  test::FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) -> std::optional<std::string> {
    return kEntries + std::string(8 << 20, 'x');
  };
  // The run's tokenizer yield handles messages; Stop comes with the first
  // yield of the scan.
  RunContext ctx{f.State, f.View, f.Log, f.Skypch, f.Mas, RunTokenizerYield};
  bool scanning = false;
  ScopedMessagePump pump([&] {
    if (f.State.PhaseName == "GetTVChannel") {
      scanning = true;
      f.State.StopRequested = true;
    }
  });
  RetrieveSkyptChannels(ctx);
  EXPECT_TRUE(scanning);
  EXPECT_EQ(f.State.ChannelNumberList, (StringList{"101", "161"}));
}

TEST(HostileInputs, OverLongIniLines) {
  test::RunFixture f;
  const std::string longLine(10 << 20, 'z');
  f.WriteHost("hoz.ini", "[TSetup.DataList_Items]\r\n" + longLine + "\r\nCount=2\r\n" + longLine +
                             "=" + longLine + "\r\n[DataSet 1]\r\nArea 0=True\r\n");
  f.WriteHost("tvskypch.ini", "[ChannelChange]\r\n161=201\r\n" + longLine + "\r\n055=" + longLine +
                                  "\r\n" + LineNoise(1 << 20, 2) + "\r\n300=5\r\n");
  EXPECT_EQ(GetDataSetCount(f.Plugin), 2);
  LoadChannelConversions(f.Ctx);
  const StringList& list = f.State.ChannelConversionList;
  ASSERT_GE(list.size(), 3u);
  EXPECT_EQ(list[0], "161=201");
  // The system's profile service gives at most a megabyte of a value; the
  // POSIX layer the whole line.
  EXPECT_EQ(list[1].substr(0, 4), "055=");
  EXPECT_GE(list[1].size(), std::size_t{1} << 19);
  EXPECT_EQ(list[1].find_first_not_of('z', 4), std::string::npos);
  EXPECT_EQ(list.back(), "300=5");
}

TEST(HostileInputs, ProgrammeFilesWithNulBytesAndLongLinesMergeWhole) {
  test::RunFixture f;
  f.WriteHost("hoz.ini", "[TSetup.DataList_Items]\r\nCount=1\r\n[DataSet 0]\r\ncount=1\r\nArea 0=True\r\n");
  f.WriteHost("tvskypch.ini", "[DataSet 0]\r\ntvch 101=True\r\n");
  f.AddChannel("101", "局");
  f.State.DataSetCount = 1;
  const std::string nul("a\0b\0c", 5);
  const std::string longLine(4 << 20, 'y');
  kc::WriteWholeFile(ProgrammeFile("101"), nul + "\r\n" + longLine + "\r\nlast");
  f.WriteHost("tvdata0.csv", "old\r\n");
  MergeIntoDatasets(f.Ctx);
  EXPECT_EQ(f.ReadHost("tvdata0.csv"), "old\r\n" + nul + "\r\n" + longLine + "\r\nlast\r\n");
}

// A chart page swollen with markup, and one summary made of a million
// pieces: both are read to their end, and the two programmes of the page
// come out as from the page alone.
TEST(HostileInputs, HugeChartPagesKeepTheirProgrammes) {
  const std::string page =
      test::ReadBytes(test::SourcePath("tests/data/analyser/shared_span.html"));
  ASSERT_FALSE(page.empty());
  std::string markup;
  while (markup.size() < (50u << 20)) markup += "<p class=\"pad\">x</p><span>y</span><br>\n";
  std::string pieces;
  pieces.reserve(5u << 20);
  for (int i = 0; i < 1000000; ++i) pieces += "x<br>";
  struct Case {
    const char* what;
    std::string html;
  } cases[] = {
      {"50 MB of markup after the programmes", ByteReplaceAll(page, "</body>", markup + "</body>")},
      {"a million pieces in one summary",
       ByteReplaceAll(page, u8"先の番組の説明。", pieces)},
  };
  for (const Case& c : cases) {
    test::FakeClock clock(2019, 12, 6, 8, 0, 0);
    test::RunFixture f;
    f.AddChannel("101", u8"テスト局");
    const std::string file = f.Plugin + "tvmurok10112061.html";
    kc::WriteWholeFile(file, c.html);
    f.Mas.Open();
    EXPECT_EQ(AnalyzeChartPageWith(f.Ctx, file, "", ""), 2) << c.what;
    f.Mas.First();
    EXPECT_EQ(kc::Cp932ToUtf8(f.Mas.FieldByName("Title").AsString()), u8"先の番組") << c.what;
    EXPECT_TRUE(f.LogLines().empty()) << c.what;
  }
}

}  // namespace
}  // namespace kc
