// The bulk channel input window over headless controls: lines of channel
// numbers tick entries of the settings window's list, never untick them.
#include <gtest/gtest.h>

#include "settings_fixture.h"
#include "ui/bulk_input_window.h"

namespace kc {
namespace {

class ImportFormTest : public test::SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    WriteTable({{"55", "五十五", 0}, {"585", "Example", 0}, {"602", "新局", 1}, {"611", "Eleven", 0}});
    WriteNumbers({"55", "585", "602", "611"});
    setup = std::make_unique<TFormDLLSetup>(Opts());
    setup->Activate();
    form = std::make_unique<TFormImport>(*setup);
    setup->FormImport = form.get();
  }
  void TearDown() override {
    form.reset();
    setup.reset();
    SettingsFixture::TearDown();
  }

  std::unique_ptr<TFormDLLSetup> setup;
  std::unique_ptr<TFormImport> form;
};

TEST_F(ImportFormTest, LinesTickTheirEntries) {
  struct Case {
    const char* what;
    std::string text;
    StringList ticked;
  } cases[] = {
      {"empty", "", {}},
      {"one number", "585", {"585 Example"}},
      {"blanks and control characters around", " 585 \t\r\n\t602\x01", {"585 Example", "602 *新局"}},
      {"listed twice", "611\r\n611\r\n", {"611 Eleven"}},
      {"not in the list", "700\r\n999", {}},
      {"a channel below 100, padded or not", "055\r\n", {"055 五十五"}},
      {"", "55", {"055 五十五"}},
      {"more than the key", "5850\r\n585 Example\r\n58", {}},
      {"a key match is exact", "Ex\r\n585x", {}},
  };
  for (const Case& c : cases) {
    setup->TVChList.SetItems(setup->TVChList.Items());  // all unticked
    setup->buttonImp.Click();
    ASSERT_TRUE(form->Visible());
    form->Memo1.UserSetText(c.text);
    form->ButtonImp.Click();
    EXPECT_FALSE(form->Visible()) << c.what;
    EXPECT_EQ(Ticked(setup->TVChList), c.ticked) << c.what << " [" << c.text << "]";
    // The text stays for the next showing.
    EXPECT_EQ(form->Memo1.Caption(), c.text);
  }
  EXPECT_EQ(form->Caption(), "チャンネルの一括入力");
  EXPECT_EQ(form->ButtonImp.Caption(), "決定");
  EXPECT_FALSE(ui::App().Terminated());
}

TEST_F(ImportFormTest, TicksAreOnlyEverAdded) {
  setup->TVChList.SetChecked(0, true);
  setup->TVChList.SetChecked(3, true);
  form->Memo1.UserSetText("611\r\n585");
  form->ButtonImpClick();
  EXPECT_EQ(Ticked(setup->TVChList), (StringList{"055 五十五", "585 Example", "611 Eleven"}));
  // They reach the host's file with the settings window's next save.
  setup->SaveTicks(0);
  EXPECT_EQ(HostIni("tvskypch.ini", "DataSet 0", "tvch 585"), "True");
  EXPECT_EQ(HostIni("tvskypch.ini", "DataSet 0", "tvch 602"), "False");
}

TEST_F(ImportFormTest, OpensFirstCentredOnTheSettingsWindowThenWhereItWasAndEscapeCloses) {
  // A place kept off the screen (another monitor layout) counts as none;
  // the store may hold one from an earlier run.
  kc::Placement gone;
  gone.Left = -5000;
  gone.Top = -5000;
  gone.Width = 300;
  gone.Height = 360;
  kc::SavePlacement("TFormImport", gone);
  setup->SetPosition(100, 50);
  setup->buttonImp.Click();
  ASSERT_TRUE(form->Visible());
  // Outer sizes 406 x 485 and 306 x 385 (headless frame: 6 x 25).
  EXPECT_EQ(form->Left(), 150);
  EXPECT_EQ(form->Top(), 100);
  EXPECT_EQ(form->ActiveControl(), &form->Memo1);
  form->Memo1.UserSetText("585");
  form->KeyDown(ui::kKeyEscape);  // closes like a cancel: nothing ticked
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(Ticked(setup->TVChList), StringList{});

  form->SetPosition(300, 200);
  setup->SetPosition(0, 0);
  setup->buttonImp.Click();
  EXPECT_EQ(form->Left(), 300);
  EXPECT_EQ(form->Top(), 200);
  EXPECT_EQ(form->Memo1.Caption(), "585");  // the text stays between showings
}

}  // namespace
}  // namespace kc
