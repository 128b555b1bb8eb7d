#include "ui/bulk_input_window.h"

#include "download/channel_entry.h"
#include "ui/settings_window.h"

namespace kc {

namespace {

constexpr const char kPlacementName[] = "TFormImport";
constexpr int kMinWidth = 200;
constexpr int kMinHeight = 100;

}  // namespace

TFormImport::TFormImport(TFormDLLSetup& setup)
    : ui::Form("TFormImport", "チャンネルの一括入力", 300, 360),
      Label1(*this, "Label1", 8, 12, 200, 32, "チャンネル番号を1行に１つづつ入力してください。"),
      ButtonImp(*this, "ButtonImp", 212, 8, 80, 26, "決定"),
      Memo1(*this, "Memo1", 8, 48, 284, 304),
      setup_(setup) {
  Memo1.WordWrap = false;
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

  RestorePlacement(kPlacementName, true, kMinWidth, kMinHeight);
}

TFormImport::~TFormImport() {
  OnClose = nullptr;
  OnKeyDown = nullptr;
}

void TFormImport::ButtonImpClick() {
  for (int i : BulkInputMatches(Memo1.Lines(), setup_.ChannelEntries())) setup_.TickChannel(i);
  Close();
}

void TFormImport::FormClose() {
  KeepPlacement(kPlacementName);
}

}  // namespace kc
