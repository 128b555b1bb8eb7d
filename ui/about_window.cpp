#include "ui/about_window.h"

#include <map>

#include "analysis/site.h"
#include "platform/platform.h"

namespace kc {

namespace {

constexpr int kIconSize = 32;
constexpr int kImageSize = 64;

ui::FontInfo LinkFont() {
  ui::FontInfo f;
  f.SizePx = 12;
  f.Colour = ui::clBlue;
  f.Underline = true;
  return f;
}

std::string ValueOr(const std::map<std::string, std::string>& values, const char* key) {
  auto it = values.find(key);
  return it == values.end() ? std::string() : it->second;
}

}  // namespace

TAboutForm::TAboutForm()
    : ui::Form("AboutForm", "バージョン情報", 420, 240, ui::FormStyle::Dialog),
      ImageMain(*this, "ImageMain", 16, 16, kImageSize, kImageSize),
      ImageSub(*this, "ImageSub", 16, 16, kIconSize, kIconSize),
      LabelTitle(*this, "LabelTitle", 96, 18, 312, 20),
      LabelVersion(*this, "LabelVersion", 96, 44, 312, 16),
      LabelCopyLeft(*this, "LabelCopyLeft", 96, 64, 312, 16),
      LabelLatest(*this, "LabelLatest", 16, 98, 392, 16,
                  "最新バージョンはこのホームページからダウンロードできます。"),
      Label3(*this, "Label3", 32, 118, 376, 16),
      LabelRequests(*this, "LabelRequests", 16, 146, 392, 16,
                    "要望、感想、質問、バグなどは、こちらのBBSまでご連絡ください"),
      Label4(*this, "Label4", 32, 166, 376, 16),
      BtnCancel(*this, "BtnCancel", 170, 200, 80, 26, "OK") {
  FormCreate();
}

TAboutForm::~TAboutForm() = default;

void TAboutForm::FormCreate() {
  ImageSub.SetVisible(false);

  // The icon at its own size, then stretched into the larger picture.
  std::vector<ui::Color> icon;
  if (ui::App().Initialised() &&
      ui::App().Back().LoadIconPixels("MAINICON", kIconSize, icon)) {
    ImageSub.SetPixels(kIconSize, kIconSize, icon);
  } else {
    ImageSub.SetPixels(kIconSize, kIconSize,
                       std::vector<ui::Color>(kIconSize * kIconSize, ui::clWhite));
  }
  ImageMain.SetPixels(kImageSize, kImageSize,
                      ui::StretchPixels(ImageSub.Pixels(), kIconSize, kIconSize,
                                        kImageSize, kImageSize));

  const auto values = kc::OwnVersionValues();
  ui::FontInfo title;
  title.SizePx = 16;
  title.Bold = true;
  LabelTitle.SetFont(title);
  LabelTitle.SetCaption(ValueOr(values, "ProductName"));
  LabelVersion.SetCaption("バージョン " + ValueOr(values, "FileVersion"));
  LabelCopyLeft.SetCaption("作者 " + ValueOr(values, "LegalCopyright"));

  for (ui::Label* link : {&Label3, &Label4}) {
    link->SetFont(LinkFont());
    link->SetHandCursor(true);
    link->SetHint("ホームページを開く");
  }
  Label3.SetCaption(site::MakerHomePage());
  Label4.SetCaption(site::MakerBoardPage());
  Label3.OnClick = [this] { Label3Click(); };
  Label4.OnClick = [this] { Label4Click(); };

  OpenAddress = [](const std::string& a) { kc::ShellOpen(a, ""); };
  BtnCancel.Cancel = true;
  BtnCancel.Default = true;
  BtnCancel.OnClick = [this] { BtnCancelClick(); };
}

void TAboutForm::Label3Click() { OpenAddress(Label3.Caption()); }

void TAboutForm::Label4Click() { OpenAddress(Label4.Caption()); }

void TAboutForm::BtnCancelClick() { Close(); }

void TAboutForm::ShowCentredOn(const ui::Form& owner) {
  CenterOn(owner);
  Show();
}

}  // namespace kc
