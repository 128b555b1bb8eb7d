// The version window over headless controls: texts from the program's
// version values, the icon stretched to 64 by 64, the links, OK and Escape.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/site.h"
#include "platform/platform.h"
#include "ui/about_window.h"
#include "ui/controls.h"

namespace kc {
namespace {

class AboutFormHeadless : public ::testing::Test {
 protected:
  void SetUp() override { ui::App().Init(ui::BackendKind::Headless); }
  void TearDown() override { ui::App().Shutdown(); }
};

TEST_F(AboutFormHeadless, ShowsTheVersionValues) {
  ui::Form main("Main", "main", 445, 183, ui::FormStyle::Borderless);
  TAboutForm f;
  const auto values = kc::OwnVersionValues();
  EXPECT_EQ(f.Caption(), "バージョン情報");
  EXPECT_EQ(f.Style(), ui::FormStyle::Dialog);
  EXPECT_EQ(f.LabelTitle.Caption(), values.at("ProductName"));
  EXPECT_EQ(f.LabelTitle.Caption(), "Kanalia(CS)プラグイン");
  EXPECT_EQ(f.LabelVersion.Caption(), "バージョン " + values.at("FileVersion"));
  EXPECT_EQ(f.LabelCopyLeft.Caption(), "作者 " + values.at("LegalCopyright"));
  EXPECT_EQ(f.LabelLatest.Caption(), "最新バージョンはこのホームページからダウンロードできます。");
  EXPECT_EQ(f.LabelRequests.Caption(), "要望、感想、質問、バグなどは、こちらのBBSまでご連絡ください");
  EXPECT_EQ(f.BtnCancel.Caption(), "OK");
  EXPECT_FALSE(f.ImageSub.Visible());
  EXPECT_EQ(f.ImageMain.Width(), 64);
  EXPECT_EQ(f.ImageMain.PixelWidth(), 64);
  EXPECT_EQ(f.ImageSub.PixelWidth(), 32);
}

TEST_F(AboutFormHeadless, TheIconIsDrawnAtItsSizeThenStretched) {
  // A 32 x 32 icon whose left half is red and right half blue.
  ui::HeadlessBackend& h = *ui::Headless();
  h.IconSize = 32;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) h.IconPixels.push_back(x < 16 ? 0xFF0000 : 0x0000FF);
  TAboutForm f;
  EXPECT_EQ(f.ImageSub.PixelAt(15, 3), 0xFF0000u);
  EXPECT_EQ(f.ImageMain.PixelAt(31, 60), 0xFF0000u);
  EXPECT_EQ(f.ImageMain.PixelAt(32, 0), 0x0000FFu);
  EXPECT_EQ(f.ImageMain.PixelAt(63, 63), 0x0000FFu);
}

TEST_F(AboutFormHeadless, LinksOpenTheirAddresses) {
  TAboutForm f;
  std::vector<std::string> opened;
  f.OpenAddress = [&](const std::string& a) { opened.push_back(a); };
  for (ui::Label* l : {&f.Label3, &f.Label4}) {
    EXPECT_TRUE(l->Font().Underline);
    EXPECT_TRUE(l->HandCursor());
    EXPECT_EQ(l->Hint(), "ホームページを開く");
  }
  f.Label3.Click();
  f.Label4.Click();
  EXPECT_EQ(opened, (std::vector<std::string>{site::MakerHomePage(), site::MakerBoardPage()}));
}

TEST_F(AboutFormHeadless, OkAndEscapeClose) {
  ui::Form main("Main", "main", 445, 183);
  TAboutForm f;
  for (bool escape : {false, true}) {
    f.ShowCentredOn(main);
    EXPECT_TRUE(f.Visible());
    if (escape)
      f.KeyDown(ui::kKeyEscape);
    else
      f.BtnCancel.Click();
    EXPECT_FALSE(f.Visible());
  }
  EXPECT_FALSE(ui::App().Terminated());
}

}  // namespace
}  // namespace kc
