#include "ui/conversion_window.h"

#include "core/text.h"
#include "platform/message_pump.h"
#include "ui/dialogs.h"
#include "ui/settings_window.h"

namespace kc {

namespace {

constexpr int kMinWidth = 380;
constexpr int kMinHeight = 100;
constexpr const char kPlacementName[] = "TFormCh";
constexpr const char kDeleteQuestion[] = "この行を削除しますか?";

ui::FileDialogOptions ChgFiles() {
  ui::FileDialogOptions s;
  s.FilterName = "チャンネル変換ファイル";
  s.Pattern = "*.chg";
  s.DefaultExt = "chg";
  return s;
}

// Digits, with one sign in front: what an integer cell accepts.
std::string IntegerText(const std::string& typed) {
  std::string out;
  for (char c : typed) {
    if (c >= '0' && c <= '9')
      out.push_back(c);
    else if ((c == '-' || c == '+') && out.empty())
      out.push_back(c);
  }
  return out;
}

}  // namespace

TFormCh::TFormCh(TFormDLLSetup& setup)
    : ui::Form("TFormCh", "チャンネル番号変換", 400, 420),
      ButtonClose(*this, "ButtonClose", 8, 8, 80, 26, "保存"),
      ButtonCancel(*this, "ButtonCancel", 94, 8, 80, 26, "キャンセル"),
      ButtonImport(*this, "ButtonImport", 180, 8, 80, 26, "読み込み"),
      ButtonExport(*this, "ButtonExport", 266, 8, 80, 26, "書き出し"),
      EditNewCh(*this, "EditNewCh", 0, 0, 60, 18),
      GridChannels(*this, "GridChannels", 8, 42, 384, 370),
      setup_(setup) {
  GridChannels.SetColumns({"新Ch", "チャンネル名"}, {60, 300});
  EditNewCh.SetHint("新しいチャンネル番号");
  EditNewCh.SetVisible(false);  // until a row is edited

  MinClientWidth = kMinWidth;
  MinClientHeight = kMinHeight;
  GridChannels.Anchors = ui::akLeft | ui::akTop | ui::akRight | ui::akBottom;

  ButtonClose.OnClick = [this] { ButtonCloseClick(); };
  ButtonCancel.OnClick = [this] { ButtonCancelClick(); };
  ButtonImport.OnClick = [this] { ButtonImportClick(); };
  ButtonExport.OnClick = [this] { ButtonExportClick(); };
  GridChannels.OnClick = [this] { GridChannelsClick(); };
  GridChannels.OnScroll = [this] { PlaceEditor(); };
  EditNewCh.OnChange = [this] { EditNewChChange(); };
  OnClose = [this] { FormClose(); };
  // The grid's keys; the form sees them before the editor does.
  KeyPreview = true;
  OnKeyDown = [this](int& key) {
    const bool inGrid = ActiveControl() == &EditNewCh || ActiveControl() == &GridChannels;
    if (key == ui::kKeyEscape) {
      // An unsaved number is dropped first, wherever the focus is.
      if (ChannelRows.Editing())
        GridChannelsKeyPress(key);
      else
        ButtonCancelClick();
      key = 0;
    } else if (!inGrid) {
      return;
    } else if (key == ui::kKeyReturn) {
      GridChannelsKeyPress(key);
      key = 0;
    } else if (key == (ui::kKeyDelete | ui::kKeyCtrl)) {
      DeleteCurrentRow();
      key = 0;
    } else if (key == ui::kKeyUp || key == ui::kKeyDown) {
      GoToRow(ChannelRows.Current() + (key == ui::kKeyUp ? -1 : 1));
      key = 0;
    }
  };
}

TFormCh::~TFormCh() {
  if (Visible()) KeepPlacement(kPlacementName);
  OnKeyDown = nullptr;
  OnClose = nullptr;
}

void TFormCh::Present() {
  if (!placed_) RestorePlacement(kPlacementName, true, &setup_);
  placed_ = true;
  Show();
  PlaceEditor();
}

void TFormCh::FormClose() { KeepPlacement(kPlacementName); }

void TFormCh::Load(const std::string& fileName, bool allEntries) {
  YieldToMessages();
  ChannelRows.Load(fileName, setup_.ChannelEntries(), setup_.ChannelTicks(), allEntries);
  ShowTable();
  StartEditing();
}

void TFormCh::Save(const std::string& fileName) {
  ChannelRows.Save(fileName);
  ShowTable();
  ShowCurrentInEditor();
}

void TFormCh::ButtonCloseClick() {
  Save(setup_.Model().ChannelFile());
  Close();
}

void TFormCh::ButtonCancelClick() { Close(); }

void TFormCh::ButtonImportClick() {
  std::string file;
  if (!ui::OpenFileDialog(this, ChgFiles(), file)) return;
  Load(file, true);
}

void TFormCh::ButtonExportClick() {
  std::string file;
  if (!ui::SaveFileDialog(this, ChgFiles(), file)) return;
  Save(file);
}

void TFormCh::GridChannelsKeyPress(int& key) {
  if (key == ui::kKeyReturn) {
    ChannelRows.Store();
    ShowCurrentRow();
    ChannelRows.GoTo(ChannelRows.Current() + 1);
    GridChannels.SetRow(ChannelRows.Current());
    StartEditing();
  } else if (key == ui::kKeyEscape) {
    ChannelRows.Drop();
    ShowCurrentRow();
    // Selected again, so that the next key typed replaces the number.
    StartEditing();
  }
}

void TFormCh::GridChannelsClick() {
  const int row = GridChannels.Row();
  if (row == ChannelRows.Current()) {
    StartEditing();  // a click on the row being edited goes back to its editor
    return;
  }
  GoToRow(row);
}

void TFormCh::GoToRow(int row) {
  if (row < 0 || row >= ChannelRows.Count()) return;
  // Leaving a row stores its change, as a data grid does.
  ChannelRows.Store();
  ShowCurrentRow();
  ChannelRows.GoTo(row);
  GridChannels.SetRow(row);
  StartEditing();
}

void TFormCh::DeleteCurrentRow() {
  if (ChannelRows.Current() < 0) return;
  if (!ui::ConfirmYesNo(this, kDeleteQuestion)) return;
  ChannelRows.DeleteCurrent();
  ShowTable();
  StartEditing();
}

void TFormCh::EditNewChChange() {
  if (ChannelRows.Current() < 0) return;
  const std::string text = IntegerText(EditNewCh.Caption());
  if (text != EditNewCh.Caption()) EditNewCh.SetCaption(text);
  int value = 0;
  const bool number = TryStrToInt(text, value);
  // A lone sign is kept in the editor until a digit follows.
  if (!number && !text.empty()) return;
  ChannelRows.Change(number ? std::optional<int>(value) : std::nullopt);
  GridChannels.SetCell(0, ChannelRows.Current(), text);
}

void TFormCh::ShowTable() {
  GridChannels.SetRows(ChannelRows.Cells());
  GridChannels.SetRow(ChannelRows.Current());
}

void TFormCh::ShowCurrentRow() {
  const int row = ChannelRows.Current();
  if (row >= 0) GridChannels.SetCell(0, row, NewChText(ChannelRows.NewCh(row)));
}

void TFormCh::ShowCurrentInEditor() {
  const int row = ChannelRows.Current();
  EditNewCh.SetCaption(row >= 0 ? NewChText(ChannelRows.NewCh(row)) : "");
}

void TFormCh::StartEditing() {
  ShowCurrentInEditor();
  PlaceEditor();
  if (ChannelRows.Current() >= 0) ui::SelectAllText(EditNewCh);
}

void TFormCh::PlaceEditor() {
  const int row = ChannelRows.Current();
  int l = 0, t = 0, w = 0, h = 0;
  if (row < 0 || !GridChannels.CellBounds(0, row, l, t, w, h)) {
    EditNewCh.SetVisible(false);
    return;
  }
  EditNewCh.SetBounds(GridChannels.Left() + l, GridChannels.Top() + t, w, h);
  EditNewCh.SetVisible(true);
}

}  // namespace kc
