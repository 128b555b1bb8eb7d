// The channel number conversion window over headless controls: loading
// from the settings window's list and a conversion file, saving key by key,
// the ".chg" dialogs, and editing the new numbers with Enter and Escape.
#include <gtest/gtest.h>

#include "settings_fixture.h"
#include "ui/conversion_window.h"

namespace kc {
namespace {

using Kind = ui::HeadlessDialogLog::Kind;
// NewCh, OldCh, TVName.
using ChRow = std::tuple<int, int, std::string>;

class ChannelChangeFormTest : public test::SettingsFixture {
 protected:
  // The settings window with channels 55, 585, 602 and 611 listed.
  void SetUp() override {
    SettingsFixture::SetUp();
    WriteTable({{"55", "五十五", 0}, {"585", "Example", 0}, {"602", "新局", 0}, {"611", "Eleven", 1}});
    WriteNumbers({"55", "585", "602", "611"});
    setup = std::make_unique<TFormDLLSetup>(Opts());
    setup->Activate();
    form = std::make_unique<TFormCh>(*setup);
    setup->FormCh = form.get();
  }
  void TearDown() override {
    form.reset();
    setup.reset();
    SettingsFixture::TearDown();
  }

  std::vector<ChRow> Rows() {
    std::vector<ChRow> rows;
    const ConversionRows& r = form->ChannelRows;
    for (int i = 0; i < r.Count(); ++i)
      rows.emplace_back(r.NewCh(i).value_or(0), r.OldCh(i), r.Entry(i));
    return rows;
  }
  void Tick(const StringList& keys) {
    for (int i = 0; i < setup->TVChList.Count(); ++i)
      setup->TVChList.SetChecked(
          i, IndexOf(keys, setup->TVChList.Items()[static_cast<std::size_t>(i)].substr(0, 3)) >= 0);
  }
  void Key(int key) { form->KeyDown(key); }

  std::unique_ptr<TFormDLLSetup> setup;
  std::unique_ptr<TFormCh> form;
};

// ---- loading

TEST_F(ChannelChangeFormTest, LoadTakesTheTickedEntriesAndTheirPairs) {
  struct Case {
    const char* what;
    std::string pairs;
    StringList ticked;
    std::vector<ChRow> rows;
  } cases[] = {
      {"a stored pair and a channel without one",
       "585=701\r\n",
       {"585", "602"},
       {{701, 585, "585 Example"}, {602, 602, "602 新局"}}},
      {"no ticks: an empty table", "585=701\r\n", {}, {}},
      {"not a number, or 0: the old number", "585=abc\r\n602=0\r\n611=\r\n",
       {"585", "602", "611"},
       {{585, 585, "585 Example"}, {602, 602, "602 新局"}, {611, 611, "611 *Eleven"}}},
      {"a channel below 100 by its padded key", "055=12\r\n", {"055"}, {{12, 55, "055 五十五"}}},
      {"or by the unpadded key earlier versions wrote", "55=13\r\n", {"055"},
       {{13, 55, "055 五十五"}}},
      {"no section at all", "", {"585"}, {{585, 585, "585 Example"}}},
  };
  for (const Case& c : cases) {
    WriteHost("tvskypch.ini", c.pairs.empty() ? "" : "[ChannelChange]\r\n" + c.pairs);
    Tick(c.ticked);
    setup->ButtonChange.Click();
    EXPECT_TRUE(form->Visible()) << c.what;
    EXPECT_EQ(Rows(), c.rows) << c.what;
    EXPECT_EQ(form->GridChannels.RowCount(), static_cast<int>(c.rows.size())) << c.what;
    EXPECT_EQ(form->GridChannels.Row(), c.rows.empty() ? -1 : 0) << c.what;
  }
  EXPECT_EQ(form->Caption(), "チャンネル番号変換");
  EXPECT_EQ(form->GridChannels.Columns(), (StringList{"新Ch", "チャンネル名"}));
  EXPECT_EQ(form->GridChannels.Cell(1, 0), "585 Example");
}

// ---- saving

TEST_F(ChannelChangeFormTest, SaveWritesEveryRowAndKeepsTheRest) {
  WriteHost("tvskypch.ini",
            "[DataSet 0]\r\ncount=4\r\n[ChannelChange]\r\n585=701\r\n999=5\r\n");
  Tick({"055", "585", "602"});
  setup->ButtonChange.Click();
  form->ButtonClose.Click();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(HostIni("tvskypch.ini", "ChannelChange", "585"), "701");
  // Unchanged rows are written too, a channel below 100 under its padded key.
  EXPECT_EQ(HostIni("tvskypch.ini", "ChannelChange", "602"), "602");
  EXPECT_EQ(HostIni("tvskypch.ini", "ChannelChange", "055"), "55");
  // A pair of a channel no longer listed and other sections stay.
  EXPECT_EQ(HostIni("tvskypch.ini", "ChannelChange", "999"), "5");
  EXPECT_EQ(HostIni("tvskypch.ini", "DataSet 0", "count"), "4");
  EXPECT_EQ(HostIni("tvskypch.ini", "ChannelChange", "611"), "<none>");

  // With no ticked channel "保存" writes nothing.
  WriteHost("tvskypch.ini", "[x]\r\ny=1\r\n");
  Tick({});
  setup->ButtonChange.Click();
  form->ButtonClose.Click();
  EXPECT_EQ(Host("tvskypch.ini"), "[x]\r\ny=1\r\n");
}

TEST_F(ChannelChangeFormTest, CancelClosesWithoutSavingAndKeepsTheEdits) {
  Tick({"585"});
  setup->ButtonChange.Click();
  form->EditNewCh.UserSetText("720");
  Key(ui::kKeyReturn);
  form->ButtonCancel.Click();
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(ui::App().Terminated());
  EXPECT_EQ(HostIni("tvskypch.ini", "ChannelChange", "585"), "<none>");
  EXPECT_EQ(Rows(), (std::vector<ChRow>{{720, 585, "585 Example"}}));
  // The next load replaces them.
  setup->ButtonChange.Click();
  EXPECT_EQ(Rows(), (std::vector<ChRow>{{585, 585, "585 Example"}}));
}

// ---- conversion files

TEST_F(ChannelChangeFormTest, ImportListsEveryChannelAndExportKeepsOtherKeys) {
  const std::string chg = dir.winFile("pairs.chg");
  test::WriteBytes(dir.file("pairs.chg"), "[ChannelChange]\r\n602=800\r\n123=321\r\n[Other]\r\na=b\r\n");
  Tick({"585"});
  setup->ButtonChange.Click();

  // A cancelled dialog does nothing.
  Dialogs().FileAnswers = {""};
  form->ButtonImport.Click();
  EXPECT_EQ(Rows().size(), 1u);

  Dialogs().FileAnswers = {chg};
  form->ButtonImport.Click();
  EXPECT_EQ(Rows(), (std::vector<ChRow>{{55, 55, "055 五十五"},
                                        {585, 585, "585 Example"},
                                        {800, 602, "602 新局"},
                                        {611, 611, "611 *Eleven"}}));
  // Nothing is written by an import.
  EXPECT_EQ(HostIni("tvskypch.ini", "ChannelChange", "602"), "<none>");

  form->EditNewCh.UserSetText("77");  // the first row, channel 55
  Dialogs().FileAnswers = {chg};
  form->ButtonExport.Click();
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(kc::ReadProfileString(chg, "ChannelChange", "055", ""), "77");
  EXPECT_EQ(kc::ReadProfileString(chg, "ChannelChange", "602", ""), "800");
  EXPECT_EQ(kc::ReadProfileString(chg, "ChannelChange", "123", ""), "321");
  EXPECT_EQ(kc::ReadProfileString(chg, "Other", "a", ""), "b");
  EXPECT_EQ(Dialogs().Texts(Kind::Open), (std::vector<std::string>{"*.chg", "*.chg"}));
  EXPECT_EQ(Dialogs().Texts(Kind::Save), (std::vector<std::string>{"*.chg"}));
}

// ---- editing in the grid

TEST_F(ChannelChangeFormTest, EnterStoresAndMovesOnEscapeDrops) {
  Tick({"055", "585", "602"});
  setup->ButtonChange.Click();
  ASSERT_EQ(form->EditNewCh.Caption(), "55");
  // Opening puts the first row into editing with its text selected.
  ASSERT_EQ(Dialogs().SelectedAll.size(), 1u);

  // Only digits and a leading sign are taken.
  form->EditNewCh.UserSetText("7a0-1");
  EXPECT_EQ(form->EditNewCh.Caption(), "701");
  EXPECT_EQ(form->GridChannels.Cell(0, 0), "701");
  Key(ui::kKeyReturn);
  EXPECT_FALSE(form->ChannelRows.Editing());
  EXPECT_EQ(form->ChannelRows.Current(), 1);
  EXPECT_EQ(form->GridChannels.Row(), 1);
  EXPECT_EQ(form->EditNewCh.Caption(), "585");
  EXPECT_EQ(Dialogs().SelectedAll.size(), 2u);

  form->EditNewCh.UserSetText("9");
  Key(ui::kKeyEscape);
  EXPECT_EQ(form->EditNewCh.Caption(), "585");
  EXPECT_EQ(form->GridChannels.Cell(0, 1), "585");

  // Choosing another row stores the change of the row left.
  form->EditNewCh.UserSetText("-5");
  form->GridChannels.SetRow(2);
  form->GridChannelsClick();
  EXPECT_EQ(form->EditNewCh.Caption(), "602");
  // On the last row Enter starts editing that row again.
  form->EditNewCh.UserSetText("603");
  Key(ui::kKeyReturn);
  EXPECT_EQ(form->ChannelRows.Current(), 2);
  EXPECT_EQ(form->EditNewCh.Caption(), "603");
  EXPECT_EQ(Rows(), (std::vector<ChRow>{{701, 55, "055 五十五"},
                                        {-5, 585, "585 Example"},
                                        {603, 602, "602 新局"}}));

  // An edit not yet stored is stored by saving.
  form->EditNewCh.UserSetText("604");
  form->ButtonClose.Click();
  EXPECT_EQ(HostIni("tvskypch.ini", "ChannelChange", "602"), "604");
  EXPECT_EQ(HostIni("tvskypch.ini", "ChannelChange", "055"), "701");
}

TEST_F(ChannelChangeFormTest, RowsAreDeletedOnlyWhenConfirmedAndEscapeClosesWhenNothingIsEdited) {
  Tick({"055", "585", "602"});
  setup->ButtonChange.Click();
  ASSERT_TRUE(form->Visible());
  ASSERT_EQ(form->ActiveControl(), &form->EditNewCh);

  Dialogs().ConfirmAnswers = {false, true};
  Key(ui::kKeyDelete);  // plain Delete belongs to the editor's text
  EXPECT_EQ(Rows().size(), 3u);
  Key(ui::kKeyDelete | ui::kKeyCtrl);  // answered No
  EXPECT_EQ(Rows().size(), 3u);
  form->EditNewCh.UserSetText("77");
  Key(ui::kKeyDelete | ui::kKeyCtrl);  // Yes: the row and its unsaved edit go
  EXPECT_EQ(Dialogs().Texts(Kind::Confirm),
            (std::vector<std::string>{"この行を削除しますか?", "この行を削除しますか?"}));
  EXPECT_EQ(Rows(), (std::vector<ChRow>{{585, 585, "585 Example"}, {602, 602, "602 新局"}}));
  EXPECT_EQ(form->ChannelRows.Current(), 0);
  EXPECT_EQ(form->EditNewCh.Caption(), "585");
  EXPECT_EQ(form->GridChannels.RowCount(), 2);

  form->EditNewCh.UserSetText("9");
  Key(ui::kKeyEscape);  // drops the edit, stays open
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(form->EditNewCh.Caption(), "585");
  Key(ui::kKeyEscape);  // nothing to drop: closes without saving
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(HostIni("tvskypch.ini", "ChannelChange", "585"), "<none>");

  setup->ButtonChange.Click();  // the deleted row is back from the list
  EXPECT_EQ(Rows().size(), 3u);
  form->ButtonClose.Click();
  EXPECT_EQ(HostIni("tvskypch.ini", "ChannelChange", "055"), "55");
}

}  // namespace
}  // namespace kc
