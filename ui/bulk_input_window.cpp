#include "ui/bulk_input_window.h"

#include "download/channel_entry.h"
#include "ui/settings_window.h"

namespace kc {

namespace {

constexpr const char kPlacementName[] = "TFormImport";
// Narrower, and the label would run under the button.
constexpr int kMinWidth = 300;
constexpr int kMinHeight = 120;

}  // namespace

TFormImport::TFormImport(TFormDLLSetup& setup)
    : ui::Form("TFormImport", "チャンネルの一括入力", 300, 360),
      Label1(*this, "Label1", 8, 12, 200, 32, "チャンネル番号を1行に１つづつ入力してください。"),
      Memo1(*this, "Memo1", 8, 48, 284, 304, /*wordWrap=*/false),
      ButtonImp(*this, "ButtonImp", 212, 8, 80, 26, "決定"),
      setup_(setup) {
  MinClientWidth = kMinWidth;
  MinClientHeight = kMinHeight;
  ButtonImp.Anchors = ui::akTop | ui::akRight;
  Memo1.Anchors = ui::akLeft | ui::akTop | ui::akRight | ui::akBottom;
  ButtonImp.OnClick = [this] { ButtonImpClick(); };
  OnClose = [this] { FormClose(); };
  // Escape leaves the window as it came, like a cancel.
  KeyPreview = true;
  OnKeyDown = [this](int& key) {
    if (key == ui::kKeyEscape) {
      Close();
      key = 0;
    }
  };
}

TFormImport::~TFormImport() {
  // The program ends with the settings window; an open window keeps its
  // place all the same.
  if (Visible()) KeepPlacement(kPlacementName);
  OnClose = nullptr;
  OnKeyDown = nullptr;
}

void TFormImport::Present() {
  if (!placed_) RestorePlacement(kPlacementName, true, &setup_);
  placed_ = true;
  Show();
}

void TFormImport::ButtonImpClick() {
  for (int i : BulkInputMatches(Memo1.Lines(), setup_.ChannelEntries())) setup_.TickChannel(i);
  Close();
}

void TFormImport::FormClose() {
  KeepPlacement(kPlacementName);
}

}  // namespace kc
