#include <gtest/gtest.h>

#include "core/stringlist.h"
#include "download/host_files.h"
#include "download/channel_entry.h"
#include "download/host_settings.h"
#include "support/run_fixture.h"
#include "platform/message_pump.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace kc {
namespace {

using test::RunFixture;

TEST(HostSettingsTest, SetupValuesAndDefaults) {
  RunFixture f;
  const std::string& pf = f.State.PluginFolder;
  // No file at all: every reader gives its default.
  EXPECT_EQ(ReadSetup(pf, "DLL_SkyptE2"), "");
  EXPECT_EQ(GetDataSetCount(pf), 0);
  EXPECT_EQ(ReadDaysAhead(pf), 100);
  EXPECT_TRUE(OfferedDataSets(pf).empty());

  struct Case {
    std::string value;
    bool on;
  } bools[] = {{"True", true}, {"true", false}, {"TRUE", false}, {"False", false},
               {"1", false}, {"", false}};
  for (const Case& c : bools) {
    f.WriteHost("hoz.ini", "[TSetup]\r\nDLL_SkyptE2=" + c.value + "\r\n");
    EXPECT_EQ(ReadSetupBool(pf, "DLL_SkyptE2"), c.on) << c.value;
  }

  struct Days {
    std::string value;
    int days;
  } days[] = {{"0", 100}, {"abc", 100}, {"", 100}, {"1", 1}, {"7", 7}};
  for (const Days& d : days) {
    f.WriteHost("hoz.ini", "[tsetup]\r\nnodllafterdays_text=" + d.value + "\r\n");
    EXPECT_EQ(ReadDaysAhead(pf), d.days) << d.value;
  }
}

TEST(HostSettingsTest, LastAreaForRunsAndArea47ForTheSettingsWindow) {
  RunFixture f;
  const std::string& pf = f.State.PluginFolder;
  f.WriteHost("hoz.ini",
              "[TSetup.DataList_Items]\r\nCount=5\r\nItem0=地上波\r\nItem1=BS\r\n"
              "Item2=CS全部\r\nItem3=CS一部\r\nItem4=設定のみ\r\n"
              "[DataSet 0]\r\ncount=10\r\nArea 9=False\r\n"
              "[DataSet 2]\r\ncount=48\r\nArea 47=True\r\n"
              "[DataSet 3]\r\ncount=40\r\nArea 39=True\r\n"
              "[DataSet 4]\r\ncount=40\r\nArea 47=True\r\n");
  EXPECT_EQ(GetDataSetCount(pf), 5);
  const bool expectedRun[] = {false, false, true, true, false};
  for (int n = 0; n < 5; ++n) EXPECT_EQ(DataSetTakesListings(pf, n), expectedRun[n]) << n;

  std::vector<OfferedDataSet> offered = OfferedDataSets(pf);
  ASSERT_EQ(offered.size(), 2u);
  EXPECT_EQ(offered[0].Number, 2);
  EXPECT_EQ(offered[0].Name, "CS全部");
  EXPECT_EQ(offered[1].Number, 4);
  EXPECT_EQ(offered[1].Name, "設定のみ");

  // Without "count" the key looked up is "Area -1".
  f.WriteHost("hoz.ini", "[DataSet 0]\r\nArea -1=True\r\n");
  EXPECT_TRUE(DataSetTakesListings(pf, 0));
}

TEST(HostSettingsTest, WantedChannelsInTableOrderWithPaddedKeys) {
  RunFixture f;
  f.WriteHost("hoz.ini", "[DataSet 1]\r\ncount=1\r\nArea 0=True\r\n");
  f.WriteHost("tvskypch.ini",
              "[DataSet 1]\r\ntvch 240=True\r\ntvch 055=True\r\ntvch 161=False\r\n"
              "tvch 300=true\r\n[DataSet 0]\r\ntvch 161=True\r\n");
  f.AddChannel("55", "ジャパンスポーツ");
  f.AddChannel("161", "シネマ");
  f.AddChannel("240", "アニメ");
  f.AddChannel("300", "音楽");
  GetDataSetChannels(f.Ctx, 1);
  EXPECT_EQ(f.State.DataSetChannels, (StringList{"55", "240"}));
  // Dataset 0 does not take these listings: nothing, whatever is ticked.
  GetDataSetChannels(f.Ctx, 0);
  EXPECT_TRUE(f.State.DataSetChannels.empty());
}

TEST(HostSettingsTest, CountsOutOfRangeAreHeldAndTheDatasetLoopYields) {
  RunFixture f;
  const std::string& pf = f.State.PluginFolder;
  struct {
    const char* count;
    int datasets;
  } cases[] = {{"-2147483648", 0}, {"-1", 0}, {"2147483647", kMaxDataSets}, {"3", 3}};
  for (const auto& c : cases) {
    f.WriteHost("hoz.ini", std::string("[TSetup.DataList_Items]\r\nCount=") + c.count +
                               "\r\n[DataSet 0]\r\ncount=" + c.count + "\r\nArea 2=True\r\n");
    EXPECT_EQ(GetDataSetCount(pf), c.datasets) << c.count;
    EXPECT_EQ(DataSetTakesListings(pf, 0), c.datasets == 3) << c.count;
  }
  int pumps = 0;
  ScopedMessagePump pump([&] { ++pumps; });
  f.WriteHost("hoz.ini", "[TSetup.DataList_Items]\r\nCount=2147483647\r\n");
  EXPECT_TRUE(OfferedDataSets(pf).empty());
  EXPECT_GE(pumps, kMaxDataSets / 64);
}

TEST(HostSettingsTest, TicksReadOnceGiveWhatPerKeyLookUpsGive) {
  RunFixture f;
  f.WriteHost("hoz.ini", "[DataSet 0]\r\ncount=1\r\nArea 0=True\r\n");
  f.WriteHost("tvskypch.ini",
              "[DataSet 0]\r\nTVCH 055=True\r\ntvch 161=False\r\ntvch 161=True\r\n"
              " tvch 240 = \"True\" \r\n;tvch 300=True\r\ntvch 585\r\ntvch 602=True \r\n");
  const std::string ini = ChannelIniPath(f.State.PluginFolder);
  StringList expected;
  for (const char* ch : {"55", "161", "240", "300", "585", "602", "777"}) {
    f.AddChannel(ch, "x");
    if (kc::ReadProfileString(ini, "DataSet 0", ChannelTickKey(ch), "False") == "True")
      expected.push_back(ch);
  }
  EXPECT_EQ(expected, (StringList{"55", "240", "602"}));
  GetDataSetChannels(f.Ctx, 0);
  EXPECT_EQ(f.State.DataSetChannels, expected);
}

TEST(HostSettingsTest, ConversionsInFileOrder) {
  RunFixture f;
  f.WriteHost("tvskypch.ini",
              "[TSetup]\r\nDataSetNo=0\r\n[ChannelChange]\r\n161=201\r\n055=5\r\n"
              "300=\r\n[DataSet 0]\r\ncount=0\r\n");
  f.State.ChannelConversionList = {"stale=1"};
  LoadChannelConversions(f.Ctx);
  EXPECT_EQ(f.State.PhaseName, "LoadChChangeList");
  EXPECT_EQ(f.State.ChannelConversionList, (StringList{"161=201", "055=5", "300="}));
  EXPECT_TRUE(f.LogLines().empty());
}

TEST(HostSettingsTest, ConversionsReadAsPerKeyLookUpsWouldAndStopWithTheRun) {
  RunFixture f;
  // Duplicates (the first wins, names without regard to case), quotes, a
  // comment, blanks, a line without "=", and more keys than one yield covers.
  std::string ini = "[ChannelChange]\r\nAb=1\r\n;c=2\r\n 161 = \"201\" \r\naB=3\r\nx\r\n";
  for (int k = 0; k < 600; ++k)
    ini += std::to_string(k % 200) + "=" + std::to_string(k) + "\r\n";
  f.WriteHost("tvskypch.ini", ini + "[Other]\r\n1=9\r\n");
  const std::string path = f.State.PluginFolder + "..\\tvskypch.ini";
  StringList expected;
  for (const std::string& key : kc::ReadProfileKeys(path, "ChannelChange"))
    expected.push_back(key + "=" + kc::ReadProfileString(path, "ChannelChange", key, key));
  ASSERT_EQ(expected.size(), 603u);
  EXPECT_EQ(expected[2], "aB=1");
  LoadChannelConversions(f.Ctx);
  EXPECT_EQ(f.State.ChannelConversionList, expected);

  // Stop pressed while the list is read ends it at the next key.
  ScopedMessagePump pump([&] { f.State.StopRequested = true; });
  LoadChannelConversions(f.Ctx);
  EXPECT_EQ(f.State.ChannelConversionList.size(), 255u);
}

TEST(HostSettingsTest, SelectionStoreAndLoad) {
  RunFixture f;
  const std::string& pf = f.State.PluginFolder;
  const StringList entries = {"055 ジャパンスポーツ", "161 シネマ", "240 アニメ"};

  // Nothing chosen or an empty list: nothing is written.
  StoreDataSetSelection(pf, -1, entries, {true, true, true});
  StoreDataSetSelection(pf, 0, {}, {});
  EXPECT_FALSE(test::FileExistsAt(f.Host("tvskypch.ini")));

  f.WriteHost("tvskypch.ini", "[ChannelChange]\r\n161=201\r\n");
  StoreDataSetSelection(pf, 2, entries, {true, false, true});
  const std::string ini = ChannelIniPath(pf);
  EXPECT_EQ(kc::ReadProfileString(ini, "TSetup", "DataSetNo", ""), "2");
  EXPECT_EQ(kc::ReadProfileString(ini, "DataSet 2", "count", ""), "3");
  EXPECT_EQ(kc::ReadProfileString(ini, "DataSet 2", "tvch 055", ""), "True");
  EXPECT_EQ(kc::ReadProfileString(ini, "DataSet 2", "tvch 161", ""), "False");
  EXPECT_EQ(kc::ReadProfileString(ini, "DataSet 2", "tvch 240", ""), "True");
  EXPECT_EQ(kc::ReadProfileString(ini, "ChannelChange", "161", ""), "201");

  std::vector<bool> ticked;
  LoadDataSetSelection(pf, 2, entries, ticked);
  EXPECT_EQ(ticked, (std::vector<bool>{true, false, true}));

  // "count" limits what is read back; a longer list is unticked beyond it.
  kc::WriteProfileString(ini, "DataSet 2", "count", "1");
  const StringList longer = {"055 a", "161 b", "240 c", "585 d"};
  LoadDataSetSelection(pf, 2, longer, ticked);
  EXPECT_EQ(ticked, (std::vector<bool>{true, false, false, false}));

  // A ticked channel below 100 is what the download run fetches.
  f.WriteHost("hoz.ini", "[DataSet 2]\r\ncount=1\r\nArea 0=True\r\n");
  f.AddChannel("55", "ジャパンスポーツ");
  f.AddChannel("161", "シネマ");
  GetDataSetChannels(f.Ctx, 2);
  EXPECT_EQ(f.State.DataSetChannels, (StringList{"55"}));
}

}  // namespace
}  // namespace kc
