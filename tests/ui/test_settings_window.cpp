// The settings window over headless controls: creation from the host's
// keys, the first activation, the list with its new-channel stars, ticks per
// dataset, the update command, find, the web buttons and closing, all on a
// temp host folder with a fake page fetcher.
#include <gtest/gtest.h>

#include <cstdio>

#include "analysis/site.h"
#include "core/error.h"
#include "download/host_settings.h"
#include "settings_fixture.h"
#include "ui/bulk_input_window.h"
#include "ui/conversion_window.h"

namespace kc {
namespace {

using test::ChannelRow;
using test::E2Page;
using test::FakeFetcher;
using test::SkyptPage;
using Kind = ui::HeadlessDialogLog::Kind;

class SettingsFormTest : public test::SettingsFixture {};

// ---- creation

TEST_F(SettingsFormTest, CreationReadsTheKeysAndOffersArea47Datasets) {
  FakeFetcher fetcher;
  TFormDLLSetup f(Opts());
  EXPECT_EQ(f.Caption(), "Kanalia(CS)プラグイン設定");
  EXPECT_GE(f.ClientWidth(), 370);
  EXPECT_GE(f.ClientHeight(), 100);
  EXPECT_EQ(f.DataList.Items(), (StringList{"地上波", "CS"}));
  EXPECT_EQ(f.DatasetChoice(), (StringList{"0", "2"}));
  EXPECT_EQ(f.CurrentDataSet(), -1);
  EXPECT_TRUE(f.CheckBox1.Checked());
  EXPECT_TRUE(f.CheckBox2.Checked());
  EXPECT_FALSE(f.CheckBox2.Visible());
  EXPECT_FALSE(f.RadioSkypt.Checked());
  EXPECT_FALSE(f.Radioe2.Checked());
  EXPECT_FALSE(f.StopRequested());
  EXPECT_FALSE(f.Visible());
  EXPECT_TRUE(fetcher.Calls.empty());
  EXPECT_EQ(f.ButtonReload.Hint(), "チャンネルリストを更新する");
  EXPECT_EQ(f.TVChList.Count(), 0);
}

TEST_F(SettingsFormTest, APlatformTurnedOnAtCreationRunsTheUpdate) {
  struct Case {
    const char* keys;
    std::vector<std::string> addresses;
    bool skypt, e2;
  } cases[] = {
      {"DLL_Skypt=True\r\n", {"http://127.0.0.1:9/chart/cs/skylist.action"}, true, false},
      {"DLL_SkyptE2=True\r\n", {"http://127.0.0.1:9/chart/cs110/e2list.action"}, false, true},
      // Both on: each turn-on is a click, the second one wins.
      {"DLL_Skypt=True\r\nDLL_SkyptE2=True\r\n",
       {"http://127.0.0.1:9/chart/cs/skylist.action",
        "http://127.0.0.1:9/chart/cs110/e2list.action"},
       false, true},
      // Only the exact text counts.
      {"DLL_Skypt=true\r\nDLL_SkyptE2=1\r\n", {}, false, false},
  };
  for (const Case& c : cases) {
    WriteHost("hoz.ini", test::HozIni(c.keys));
    FakeFetcher fetcher;
    fetcher.Body = [](const test::FetchCall&, int) -> std::optional<std::string> {
      return std::nullopt;
    };
    TFormDLLSetup f(Opts());
    std::vector<std::string> addresses;
    for (const auto& call : fetcher.Calls) addresses.push_back(call.Address);
    EXPECT_EQ(addresses, c.addresses) << c.keys;
    EXPECT_EQ(f.RadioSkypt.Checked(), c.skypt) << c.keys;
    EXPECT_EQ(f.Radioe2.Checked(), c.e2) << c.keys;
    EXPECT_TRUE(f.ButtonReload.Enabled());
    EXPECT_EQ(f.CurrentDataSet(), -1);
  }
}

TEST_F(SettingsFormTest, TheConnectionQuestionAtCreationCanRefuse) {
  WriteHost("hoz.ini",
            test::HozIni("DLL_Skypt=True\r\nQonConnect_Checked=True\r\n"));
  FakeFetcher fetcher;
  Dialogs().ConfirmAnswers = {false};
  TFormDLLSetup f(Opts());
  EXPECT_EQ(Dialogs().Texts(Kind::Confirm), (std::vector<std::string>{"インターネットに接続しますか"}));
  EXPECT_TRUE(fetcher.Calls.empty());
  EXPECT_TRUE(f.RadioSkypt.Checked());
}

// ---- first activation

TEST_F(SettingsFormTest, NoOfferedDatasetShowsTheMessageAndEnds) {
  WriteHost("hoz.ini", "[TSetup.DataList_Items]\r\nCount=1\r\nItem0=A\r\n[DataSet 0]\r\nArea 47=False\r\n");
  FakeFetcher fetcher;
  TFormDLLSetup f(Opts());
  f.Show();
  f.Activate();
  EXPECT_EQ(Dialogs().Texts(Kind::Message),
            (std::vector<std::string>{"最初に地域設定で、SkyperfcTVにチェックを入れてください."}));
  EXPECT_TRUE(f.Closed());
  EXPECT_TRUE(ui::App().Terminated());
  EXPECT_TRUE(fetcher.Calls.empty());
}

TEST_F(SettingsFormTest, ActivationShowsTheStoredListWithStarsOnce) {
  StoredChannels();
  WriteHost("tvskypch.ini", "[DataSet 0]\r\ncount=2\r\ntvch 585=True\r\ntvch 602=False\r\n");
  FakeFetcher fetcher;
  TFormDLLSetup f(Opts());
  f.Activate();
  EXPECT_TRUE(fetcher.Calls.empty());
  // Numbers sorted as text, the table walked in its order; 700 is not in
  // the number list.
  EXPECT_EQ(f.TVChList.Items(), (StringList{"585 Example", "602 *新局"}));
  EXPECT_EQ(Ticked(f.TVChList), (StringList{"585 Example"}));
  EXPECT_EQ(f.ChannelNumberList(), (StringList{"585", "602"}));
  EXPECT_EQ(f.CurrentDataSet(), 0);
  EXPECT_EQ(f.DataList.ItemIndex(), 0);

  // The star is used up: the next fill shows the channel plainly.
  f.FillList();
  EXPECT_EQ(f.TVChList.Items(), (StringList{"585 Example", "602 新局"}));
  // A later activation does nothing.
  f.TVChList.SetChecked(1, true);
  f.Activate();
  EXPECT_EQ(Ticked(f.TVChList), (StringList{"602 新局"}));
}

TEST_F(SettingsFormTest, ActivationRetrievesWhenTheTableOrNumbersAreShort) {
  struct Case {
    const char* what;
    std::vector<ChannelRow> table;  // empty: no file
    StringList numbers;             // empty: no file
    bool fetches;
  } cases[] = {
      {"no table file", {}, {"585", "602"}, true},
      {"one row", {{"585", "Example", 0}}, {"585", "602"}, true},
      {"no number list", {{"585", "Example", 0}, {"602", "新局", 0}}, {}, true},
      {"enough of both", {{"585", "Example", 0}, {"602", "新局", 0}}, {"585"}, false},
  };
  for (const Case& c : cases) {
    std::remove(dir.file("tvskypch.csv").c_str());
    std::remove(dir.file("tvmurokch.csv").c_str());
    if (!c.table.empty()) WriteTable(c.table);
    if (!c.numbers.empty()) WriteNumbers(c.numbers);
    FakeFetcher fetcher;
    fetcher.Body = [](const test::FetchCall&, int) {
      return E2Page({{"585", "Example"}, {"611", "Eleven"}});
    };
    TFormDLLSetup f(Opts());
    f.Activate();
    EXPECT_EQ(fetcher.Calls.size(), c.fetches ? 1u : 0u) << c.what;
    if (c.fetches) {
      EXPECT_EQ(fetcher.Calls[0].Address, "http://127.0.0.1:9/chart/cs110/e2list.action") << c.what;
      EXPECT_EQ(f.ChannelNumberList(), (StringList{"585", "611"})) << c.what;
      // The new numbers are stored at once.
      EXPECT_EQ(Host("tvmurokch.csv"), "585\r\n611\r\n") << c.what;
      EXPECT_EQ(f.TVChList.Items().back(), "611 *Eleven") << c.what;
    }
  }
}

TEST_F(SettingsFormTest, ActivationRetrievalNeedsTheConnectionAnswer) {
  WriteHost("hoz.ini", test::HozIni("QonConnect_Checked=True\r\n"));
  WriteTable({{"585", "Example", 0}});
  WriteNumbers({"585"});
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) { return E2Page({{"602", "B"}}); };
  Dialogs().ConfirmAnswers = {false};
  TFormDLLSetup f(Opts());
  f.Activate();
  EXPECT_EQ(Dialogs().Count(Kind::Confirm), 1);
  EXPECT_TRUE(fetcher.Calls.empty());
  // Said no: the stored table and numbers are shown all the same.
  EXPECT_EQ(f.TVChList.Items(), (StringList{"585 Example"}));
}

TEST_F(SettingsFormTest, ARetrievalThatBringsNothingKeepsTheStoredNumbers) {
  WriteTable({{"585", "Example", 0}});
  WriteNumbers({"585"});
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) { return std::string("<html>no list</html>"); };
  TFormDLLSetup f(Opts());
  f.Activate();
  EXPECT_EQ(fetcher.Calls.size(), 1u);
  EXPECT_TRUE(f.ChannelNumberList().empty());
  EXPECT_EQ(f.TVChList.Count(), 0);
  f.Close();
  EXPECT_EQ(Host("tvmurokch.csv"), "585\r\n");
}

// ---- ticks per dataset

TEST_F(SettingsFormTest, TicksAreSavedAndLoadedPerDataset) {
  WriteTable({{"55", "五十五", 0}, {"585", "Example", 0}, {"602", "新局", 0}});
  WriteNumbers({"55", "585", "602"});
  // Dataset 2 stored when the list had one entry: only that one comes back.
  WriteHost("tvskypch.ini",
            "[DataSet 2]\r\ncount=1\r\ntvch 055=True\r\ntvch 585=True\r\ntvch 602=True\r\n");
  TFormDLLSetup f(Opts());
  f.Activate();
  ASSERT_EQ(f.TVChList.Items(), (StringList{"055 五十五", "585 Example", "602 新局"}));
  f.TVChList.UserToggle(0);
  f.TVChList.UserToggle(2);

  f.DataList.Select(1);
  EXPECT_EQ(f.CurrentDataSet(), 2);
  EXPECT_EQ(Ticked(f.TVChList), (StringList{"055 五十五"}));
  // Dataset 0 went to the file with the padded key of channel 55.
  EXPECT_EQ(HostIni("tvskypch.ini", "TSetup", "DataSetNo"), "0");
  EXPECT_EQ(HostIni("tvskypch.ini", "DataSet 0", "count"), "3");
  EXPECT_EQ(HostIni("tvskypch.ini", "DataSet 0", "tvch 055"), "True");
  EXPECT_EQ(HostIni("tvskypch.ini", "DataSet 0", "tvch 585"), "False");
  EXPECT_EQ(HostIni("tvskypch.ini", "DataSet 0", "tvch 602"), "True");

  // The download run fetches what the window ticked, channel 55 included.
  MemTable skypch("TableSkypch");
  DefineTableSkypch(skypch, PluginFolder() + "..\\tvskypch.csv");
  StringList wanted;
  GetDataSetChannels(PluginFolder(), 0, skypch, wanted);
  EXPECT_EQ(wanted, (StringList{"55", "602"}));
  skypch.Persistent = false;
  skypch.Close();

  f.DataList.Select(0);
  EXPECT_EQ(Ticked(f.TVChList), (StringList{"055 五十五", "602 新局"}));
  // Saving the shorter dataset again writes the full count.
  EXPECT_EQ(HostIni("tvskypch.ini", "DataSet 2", "count"), "3");
  EXPECT_EQ(HostIni("tvskypch.ini", "TSetup", "DataSetNo"), "2");
}

// ---- update command

TEST_F(SettingsFormTest, UpdateWithSkyptUsesTheStarsUpAndE2ShowsThem) {
  WriteTable({{"585", "Example", 0}, {"602", "旧名", 0}});
  WriteNumbers({"585", "602"});
  WriteHost("tvskypch.ini", "[DataSet 0]\r\ncount=2\r\ntvch 585=True\r\n");
  FakeFetcher fetcher;
  std::string page = SkyptPage({{"585", "Example"}, {"602", "新名"}, {"611", "Eleven"}});
  fetcher.Body = [&page](const test::FetchCall&, int) { return page; };
  TFormDLLSetup f(Opts());
  f.Activate();
  ASSERT_TRUE(fetcher.Calls.empty());
  f.TVChList.UserToggle(1);  // 602 ticked, not yet saved

  f.RadioSkypt.Click();
  EXPECT_TRUE(f.RadioSkypt.Checked());
  EXPECT_EQ(fetcher.Calls.size(), 1u);
  EXPECT_EQ(f.TVChList.Items(), (StringList{"585 Example", "602 新名", "611 Eleven"}));
  // The ticks were saved before the update and loaded after it.
  EXPECT_EQ(Ticked(f.TVChList), (StringList{"585 Example", "602 新名"}));
  for (ui::Control* c : {static_cast<ui::Control*>(&f.ButtonReload),
                         static_cast<ui::Control*>(&f.RadioSkypt),
                         static_cast<ui::Control*>(&f.Radioe2)})
    EXPECT_TRUE(c->Enabled()) << c->Name();

  page = E2Page({{"585", "Example"}, {"620", "Twenty"}});
  f.Radioe2.Click();
  EXPECT_TRUE(f.Radioe2.Checked());
  EXPECT_FALSE(f.RadioSkypt.Checked());
  EXPECT_EQ(fetcher.Calls.back().Address, "http://127.0.0.1:9/chart/cs110/e2list.action");
  EXPECT_EQ(f.TVChList.Items(), (StringList{"585 Example", "620 *Twenty"}));
  // A click on the platform already on updates again.
  f.Radioe2.Click();
  EXPECT_EQ(fetcher.Calls.size(), 3u);
  EXPECT_EQ(f.TVChList.Items(), (StringList{"585 Example", "620 Twenty"}));
}

TEST_F(SettingsFormTest, UpdateAnsweredNoOrWithoutPlatformChangesNothing) {
  StoredChannels();
  FakeFetcher fetcher;
  TFormDLLSetup f(Opts());
  f.Activate();
  const StringList before = f.TVChList.Items();
  // No platform on: nothing is retrieved and the list is emptied with the
  // number list.
  f.ButtonReload.Click();
  EXPECT_TRUE(fetcher.Calls.empty());
  EXPECT_EQ(f.TVChList.Count(), 0);

  WriteHost("hoz.ini", test::HozIni("QonConnect_Checked=True\r\n"));
  TFormDLLSetup g(Opts());
  g.Activate();
  const StringList shown = g.TVChList.Items();
  Dialogs().ConfirmAnswers = {false};
  g.RadioSkypt.Click();
  EXPECT_TRUE(fetcher.Calls.empty());
  EXPECT_EQ(g.TVChList.Items(), shown);
  EXPECT_TRUE(g.ButtonReload.Enabled());
  EXPECT_FALSE(before.empty());
}

TEST_F(SettingsFormTest, ErrorsGoToTheHandlerAndTheControlsComeBack) {
  StoredChannels();
  FakeFetcher fetcher;
  fetcher.OnStart = [](int) { throw Error("取得できません"); };
  std::vector<std::string> errors;
  ui::App().OnException = [&](const std::string& m) { errors.push_back(m); };
  TFormDLLSetup f(Opts());
  f.Activate();
  f.RadioSkypt.Click();
  EXPECT_EQ(errors, (std::vector<std::string>{"取得できません"}));
  EXPECT_TRUE(f.ButtonReload.Enabled());
  EXPECT_TRUE(f.RadioSkypt.Enabled());
  EXPECT_TRUE(f.Radioe2.Enabled());

  // A pattern the matcher cannot compile fails the find command.
  f.EditFind.UserSetText("(");
  f.ButtonFind.Click();
  EXPECT_EQ(errors.size(), 2u);
  ui::App().OnException = nullptr;
}

// ---- find

TEST_F(SettingsFormTest, FindMakesTwoPassesFromTheSelection) {
  WriteTable({{"585", "Example", 0}, {"602", "シネマ", 0}, {"611", "Example Two", 0}});
  WriteNumbers({"585", "602", "611"});
  TFormDLLSetup f(Opts());
  f.Activate();
  struct Case {
    const char* pattern;
    int selected, found;
  } cases[] = {
      {"Example", -1, 0},  // no selection: from the first entry
      {"Example", 0, 2},   // from the entry after the selection
      {"Example", 2, 0},   // the last entry selected: wraps to the first
      {"611", 2, 2},       // pass 2 looks at the selection again
      {"しねま", -1, 1},   // the fuzzy dictionary: hiragana finds katakana
      {"ｅｘａｍｐｌｅ", 0, 2},
      {"nothing", 1, 1},   // no match: the selection stays
  };
  for (const Case& c : cases) {
    f.TVChList.SetItemIndex(c.selected);
    f.EditFind.UserSetText(c.pattern);
    f.ButtonFind.Click();
    EXPECT_EQ(f.TVChList.ItemIndex(), c.found) << c.pattern << " from " << c.selected;
    EXPECT_TRUE(f.FuzzyMatcher1.UseFuzzyDictionary());
  }
  EXPECT_EQ(Dialogs().Shown.size(), 0u);
}

// ---- web buttons

TEST_F(SettingsFormTest, HomePageWithoutQuestionHelpAfterIt) {
  WriteHost("hoz.ini", test::HozIni("QonConnect_Checked=True\r\n"));
  TFormDLLSetup f(Opts());
  f.ButtonHP.Click();
  EXPECT_EQ(Dialogs().Count(Kind::Confirm), 0);
  Dialogs().ConfirmAnswers = {false, true};
  f.ButtonHelp.Click();
  f.ButtonHelp.Click();
  EXPECT_EQ(Dialogs().Count(Kind::Confirm), 2);
  EXPECT_EQ(Opened, (std::vector<std::string>{site::HomePage(), site::HelpPage()}));
}

// ---- closing

TEST_F(SettingsFormTest, ClosingStoresTicksTableNumbersAndTheFourKeys) {
  StoredChannels();
  WriteHost("hoz.ini", test::HozIni("DLL_Skypt=True\r\n"));
  FakeFetcher fetcher;
  fetcher.Body = [](const test::FetchCall&, int) -> std::optional<std::string> {
    return std::nullopt;
  };
  // No page was fetched at creation and no working file exists, so the
  // creation-time update leaves everything as stored.
  TFormDLLSetup f(Opts());
  f.Activate();
  ASSERT_EQ(f.TVChList.Items(), (StringList{"585 Example", "602 *新局"}));
  f.TVChList.UserToggle(0);
  f.CheckBox1.Click();  // off
  f.ButtonClose.Click();

  EXPECT_TRUE(f.StopRequested());
  EXPECT_TRUE(ui::App().Terminated());
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &f.ButtonClose, &f.ButtonReload, &f.ButtonChange, &f.buttonImp, &f.ButtonFind,
           &f.RadioSkypt, &f.Radioe2, &f.TVChList, &f.DataList})
    EXPECT_FALSE(c->Enabled()) << c->Name();
  EXPECT_EQ(HostIni("hoz.ini", "TSetup", "DLLMORE_MUROKC_CHECKED"), "False");
  EXPECT_EQ(HostIni("hoz.ini", "TSetup", "USEKYEWORD_MUROKC_CHECKED"), "True");
  EXPECT_EQ(HostIni("hoz.ini", "TSetup", "DLL_Skypt"), "True");
  EXPECT_EQ(HostIni("hoz.ini", "TSetup", "DLL_SkyptE2"), "False");
  EXPECT_EQ(HostIni("hoz.ini", "TSetup", "OtherHostKey"), "kept");
  EXPECT_EQ(HostIni("tvskypch.ini", "DataSet 0", "tvch 585"), "True");
  // The table is stored with the star used up, the numbers as sorted.
  EXPECT_EQ(ReadTable(), (std::vector<ChannelRow>{
                             {"585", "Example", 0}, {"602", "新局", 0}, {"700", "消えた局", 0}}));
  EXPECT_EQ(Host("tvmurokch.csv"), "585\r\n602\r\n");
  // A second close stores nothing more.
  WriteHost("tvskypch.ini", "");
  f.Close();
  EXPECT_EQ(Host("tvskypch.ini"), "");
}

TEST_F(SettingsFormTest, ClosingDuringARetrievalStopsItAndKeepsTheTable) {
  StoredChannels();
  FakeFetcher fetcher;
  TFormDLLSetup* form = nullptr;
  fetcher.OnStart = [&](int) { form->Close(); };
  fetcher.Body = [](const test::FetchCall&, int) { return E2Page({{"900", "Late"}}); };
  TFormDLLSetup f(Opts());
  form = &f;
  f.Activate();
  f.Radioe2.Click();
  EXPECT_TRUE(f.Closed());
  EXPECT_FALSE(f.ButtonReload.Enabled());
  // What the close stored stays: the page read after it changed nothing.
  EXPECT_EQ(ReadTable(), (std::vector<ChannelRow>{
                             {"585", "Example", 0}, {"602", "新局", 0}, {"700", "消えた局", 0}}));
  EXPECT_EQ(HostIni("hoz.ini", "TSetup", "DLL_SkyptE2"), "True");
}

}  // namespace
}  // namespace kc
