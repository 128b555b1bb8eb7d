#include "ui/bulk_input_window.h"

#include <algorithm>

#include "core/text.h"
#include "download/host_settings.h"
#include "platform/platform.h"
#include "ui/settings_window.h"

namespace kc {

namespace {

constexpr const char kPlacementName[] = "TFormImport";
constexpr int kMinWidth = 200;
constexpr int kMinHeight = 100;

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

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

  RestorePlacement(kPlacementName, true, kMinWidth, kMinHeight);
}

TFormImport::~TFormImport() { OnClose = nullptr; }

void TFormImport::ButtonImpClick() {
  ui::CheckList& list = setup_.TVChList;
  for (const std::string& line : Memo1.Lines()) {
    std::string key = Trim(line);
    // The list's keys are three digits with leading zeros; a channel below
    // 100 typed as the site writes it ("55") means the entry "055".
    if (key.size() < 3 && AllDigits(key)) key = ChannelKeyText(key);
    // Only a whole key can match: the text is compared with an entry's
    // first three characters.
    if (key.size() != 3) continue;
    for (int i = 0; i < list.Count(); ++i) {
      if (list.Items()[static_cast<std::size_t>(i)].compare(0, 3, key) == 0) {
        list.SetChecked(i, true);
        break;
      }
    }
  }
  Close();
}

void TFormImport::FormClose() {
  KeepPlacement(kPlacementName);
}

}  // namespace kc
