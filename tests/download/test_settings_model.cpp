// The settings windows' logic without their controls: the channel keys
// shared with the download run, the bulk input match, the conversion file
// and the settings model.
#include "download/settings_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/stringlist.h"
#include "download/channel_entry.h"
#include "download/conversion_file.h"
#include "download/host_files.h"
#include "platform/platform.h"
#include "storage/memtable.h"
#include "storage/tables.h"
#include "support/test_support.h"

namespace kc {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(ChannelKeyTextTest, PadsNumbersBelowHundredOnly) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"55", "055"},  {"5", "005"},   {"055", "055"}, {"0", "000"},
      {"161", "161"}, {"999", "999"}, {"1234", "1234"},
      // Not a number: left as it is.
      {"", ""},       {"C5", "C5"},   {"-5", "-5"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChannelKeyText(c.in), c.out) << c.in;
  EXPECT_EQ(ChannelKeyText(7), "007");
  EXPECT_EQ(ChannelTickKey("55"), "tvch 055");
}

// The settings window writes the tick key from its list entry, the download
// run reads it from the channel table's number: one rule for both.
TEST(ChannelEntryTest, ListTextAndTickKeysAgree) {
  struct Case {
    const char* channel;
    bool isNew;
    const char* listText;
    const char* tickKey;
  } cases[] = {
      {"5", false, "005 局", "tvch 005"},
      {"55", false, "055 局", "tvch 055"},
      {"161", true, "161 *局", "tvch 161"},
      {"999", false, "999 局", "tvch 999"},
      // Four digits: the first three, as the settings window writes them.
      {"1234", false, "1234 局", "tvch 123"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channel);
    const std::string entry = ChannelEntry{c.channel, "局", c.isNew}.ListText();
    EXPECT_EQ(entry, c.listText);
    EXPECT_EQ(EntryTickKey(entry), c.tickKey);
    EXPECT_EQ(ChannelTickKey(c.channel), c.tickKey);
  }
}

TEST(BulkInputTest, LinesTickTheFirstEntryWithTheirKey) {
  const StringList entries = {"055 a", "161 b", "161 c", "585 *d", "1234 e"};
  struct Case {
    const char* line;
    std::vector<int> ticked;
  } cases[] = {
      {"161", {1}},  {" 585 ", {3}}, {"55", {0}},  {"5", {}},    {"055", {0}},
      {"5850", {}},  {"123", {4}},   {"1234", {}}, {"", {}},     {"abc", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(BulkInputMatches({c.line}, entries), c.ticked) << c.line;
  EXPECT_EQ(BulkInputMatches({"585", "x", "055", "585"}, entries), (std::vector<int>{3, 0, 3}));
}

TEST(ConversionFileTest, SavedPairsComeBackAndOtherKeysStay) {
  TempDir dir;
  const std::string file = dir.winFile("x.chg");
  WriteBytes(dir.file("x.chg"), "[DataSet 0]\r\ncount=2\r\n[ChannelChange]\r\n300=7\r\n55=9\r\n");
  const StringList entries = {"055 a", "161 b", "585 c", "300 d"};
  // The unpadded key of an earlier version is found; no pair: the old number.
  std::vector<ChannelConversionRow> rows = LoadConversions(file, entries, {true, false, true, true}, false);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ((std::vector<int>{rows[0].OldCh, rows[0].NewCh, rows[1].OldCh, rows[1].NewCh, rows[2].OldCh, rows[2].NewCh}),
            (std::vector<int>{55, 9, 585, 585, 300, 7}));
  EXPECT_EQ(rows[0].Entry, "055 a");

  SaveConversions(file, {{55, 5}, {161, 201}});
  EXPECT_EQ(kc::ReadProfileString(file, "ChannelChange", "055", ""), "5");
  EXPECT_EQ(kc::ReadProfileString(file, "ChannelChange", "161", ""), "201");
  EXPECT_EQ(kc::ReadProfileString(file, "ChannelChange", "300", ""), "7");
  EXPECT_EQ(kc::ReadProfileString(file, "DataSet 0", "count", ""), "2");
  rows = LoadConversions(file, entries, {}, true);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].NewCh, 5);
  EXPECT_EQ(rows[1].NewCh, 201);
}

class SettingsModelTest : public ::testing::Test {
 protected:
  SettingsModelTest() : model(dir.winFile("plugin") + "\\") {
    WriteBytes(dir.file("plugin/readme.txt"), "");
  }
  std::string Hoz() { return ReadBytes(dir.file("hoz.ini")); }
  TempDir dir;
  SettingsModel model;
};

TEST_F(SettingsModelTest, ChoicesAreReadExactlyAndStoredAsTheFourKeys) {
  WriteBytes(dir.file("hoz.ini"),
             "[TSetup]\r\nDLL_Skypt=True\r\nDLL_SkyptE2=true\r\nDLLMORE_MUROKC_CHECKED=True\r\n"
             "OtherHostKey=kept\r\n");
  SettingsChoices c = model.ReadChoices();
  EXPECT_TRUE(c.Skypt);
  EXPECT_FALSE(c.E2);
  EXPECT_TRUE(c.MoreDetails);
  EXPECT_FALSE(c.KeywordSearch);

  c.Skypt = false;
  c.E2 = true;
  c.KeywordSearch = true;
  model.StoreChoices(c);
  const std::string ini = dir.winFile("hoz.ini");
  EXPECT_EQ(kc::ReadProfileString(ini, "TSetup", "DLL_Skypt", ""), "False");
  EXPECT_EQ(kc::ReadProfileString(ini, "TSetup", "DLL_SkyptE2", ""), "True");
  EXPECT_EQ(kc::ReadProfileString(ini, "TSetup", "DLLMORE_MUROKC_CHECKED", ""), "True");
  EXPECT_EQ(kc::ReadProfileString(ini, "TSetup", "USEKYEWORD_MUROKC_CHECKED", ""), "True");
  EXPECT_EQ(kc::ReadProfileString(ini, "TSetup", "OtherHostKey", ""), "kept");
  EXPECT_EQ(kc::ReadProfileKeys(ini, "TSetup").size(), 5u);
}

TEST_F(SettingsModelTest, ListEntriesShowListedChannelsAndTheirStarOnce) {
  MemTable t("TableTV");
  DefineTableTV(t, model.ChannelTableFile());
  t.Open();
  for (const auto& [ch, name, status] : std::vector<std::tuple<std::string, std::string, int>>{
           {"585", "Example", 0}, {"55", "五十五", 1}, {"700", "消えた局", 1}})
    AppendChannel(t, ch, name, status);
  StringList numbers = {"585", "55"};
  EXPECT_EQ(SettingsModel::ListEntries(t, numbers), (StringList{"585 Example", "055 *五十五"}));
  EXPECT_EQ(numbers, (StringList{"55", "585"}));  // sorted on the way
  // Shown once with the star; the unlisted channel keeps its mark.
  EXPECT_EQ(SettingsModel::ListEntries(t, numbers), (StringList{"585 Example", "055 五十五"}));
  ASSERT_TRUE(t.Locate("TVChannel", "700"));
  EXPECT_EQ(t.FieldByName("Status").AsInteger(), 1);
  t.Close();

  MemTable closed("TableTV");
  EXPECT_TRUE(SettingsModel::ListEntries(closed, numbers).empty());
}

TEST_F(SettingsModelTest, TicksAndChannelNumbersGoToTheHostFolder) {
  const StringList entries = {"055 a", "1234 b"};
  model.StoreTicks(1, entries, {true, true});
  EXPECT_EQ(kc::ReadProfileString(model.ChannelFile(), "DataSet 1", "tvch 123", ""), "True");
  EXPECT_EQ(model.LoadTicks(1, entries), (std::vector<bool>{true, true}));
  EXPECT_EQ(model.LoadTicks(0, entries), (std::vector<bool>{false, false}));

  EXPECT_FALSE(model.HasChannelNumbers());
  model.SaveChannelNumbers({"55", "161"});
  EXPECT_EQ(ReadBytes(dir.file("tvmurokch.csv")), "55\r\n161\r\n");
  EXPECT_TRUE(model.HasChannelNumbers());
  EXPECT_EQ(model.LoadChannelNumbers(), (StringList{"55", "161"}));
}

}  // namespace
}  // namespace kc
