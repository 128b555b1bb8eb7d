#include "ui/conversion_window.h"

#include <algorithm>

#include "core/text.h"
#include "download/conversion_file.h"
#include "platform/message_pump.h"
#include "ui/dialogs.h"
#include "ui/settings_window.h"

namespace kc {

namespace {

constexpr int kNameSize = 256;
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

// Holds the grid's redrawing while its cells are filled one by one: the
// native list is rebuilt once, at the end, instead of after every cell.
class HoldRedraw {
 public:
  explicit HoldRedraw(ui::Grid& g) : g_(g), handle_(g.Handle) { g_.Handle = nullptr; }
  ~HoldRedraw() {
    g_.Handle = handle_;
    g_.SetColumns(g_.Columns(), g_.ColumnWidths());
  }

 private:
  ui::Grid& g_;
  void* handle_;
};

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
      TableChChange("TableChChange"),
      setup_(setup) {
  FieldDef newCh;
  newCh.FieldName = "NewCh";
  newCh.DataType = FieldType::Integer;
  newCh.DisplayLabel = "新Ch";
  TableChChange.AddField(newCh);
  FieldDef oldCh;
  oldCh.FieldName = "OldCh";
  oldCh.DataType = FieldType::Integer;
  oldCh.Visible = false;
  TableChChange.AddField(oldCh);
  FieldDef name;
  name.FieldName = "TVName";
  name.DataType = FieldType::String;
  name.Size = kNameSize;
  name.DisplayLabel = "チャンネル名";
  name.ReadOnly = true;
  TableChChange.AddField(name);
  TableChChange.Persistent = false;

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
    const bool editing = TableChChange.Active() && TableChChange.State() == TableState::Edit;
    if (key == ui::kKeyEscape) {
      // An unsaved number is dropped first, wherever the focus is.
      if (editing)
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
    } else if ((key == ui::kKeyUp || key == ui::kKeyDown) && TableChChange.Active()) {
      GoToRow(TableChChange.RecNo() + (key == ui::kKeyUp ? -1 : 1));
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
  if (!TableChChange.Active()) TableChChange.Open();
  if (TableChChange.State() != TableState::Browse) TableChChange.Cancel();
  while (TableChChange.RecordCount() > 0) {
    TableChChange.First();
    TableChChange.Delete();
  }
  Field& newCh = TableChChange.FieldByName("NewCh");
  Field& oldCh = TableChChange.FieldByName("OldCh");
  Field& name = TableChChange.FieldByName("TVName");
  for (const ChannelConversionRow& row : LoadConversions(
           fileName, setup_.ChannelEntries(), setup_.ChannelTicks(), allEntries)) {
    TableChChange.Append();
    oldCh.SetAsInteger(row.OldCh);
    name.SetAsString(row.Entry);
    newCh.SetAsInteger(row.NewCh);
    TableChChange.Post();
  }
  TableChChange.First();
  ShowTable();
  StartEditing();
}

void TFormCh::Save(const std::string& fileName) {
  if (!TableChChange.Active()) return;
  HoldRedraw hold(GridChannels);
  // Going to the first row stores a row still being edited.
  TableChChange.First();
  Field& newCh = TableChChange.FieldByName("NewCh");
  Field& oldCh = TableChChange.FieldByName("OldCh");
  std::vector<std::pair<int, int>> pairs;
  for (; !TableChChange.Eof(); TableChChange.Next())
    pairs.emplace_back(oldCh.AsInteger(), newCh.AsInteger());
  SaveConversions(fileName, pairs);
  TableChChange.First();
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
  if (!TableChChange.Active()) return;
  if (key == ui::kKeyReturn) {
    if (TableChChange.State() == TableState::Edit) TableChChange.Post();
    ShowCurrentRow();
    const int row = TableChChange.RecNo();
    if (row + 1 < TableChChange.RecordCount()) TableChChange.Next();
    GridChannels.SetRow(TableChChange.RecNo());
    StartEditing();
  } else if (key == ui::kKeyEscape) {
    if (TableChChange.State() == TableState::Edit) TableChChange.Cancel();
    ShowCurrentRow();
    // Selected again, so that the next key typed replaces the number.
    StartEditing();
  }
}

void TFormCh::TableChChangeBeforeEdit() { ui::SelectAllText(EditNewCh); }

void TFormCh::GridChannelsClick() {
  if (!TableChChange.Active()) return;
  const int row = GridChannels.Row();
  if (row == TableChChange.RecNo()) {
    StartEditing();  // a click on the row being edited goes back to its editor
    return;
  }
  GoToRow(row);
}

void TFormCh::GoToRow(int row) {
  if (!TableChChange.Active() || row < 0 || row >= TableChChange.RecordCount()) return;
  // Leaving a row stores its change, as a data grid does.
  if (TableChChange.State() == TableState::Edit) TableChChange.Post();
  ShowCurrentRow();
  TableChChange.First();
  for (int i = 0; i < row; ++i) TableChChange.Next();
  GridChannels.SetRow(row);
  StartEditing();
}

void TFormCh::DeleteCurrentRow() {
  if (!TableChChange.Active() || TableChChange.RecNo() < 0) return;
  if (!ui::ConfirmYesNo(this, kDeleteQuestion)) return;
  const int row = TableChChange.RecNo();
  if (TableChChange.State() != TableState::Browse) TableChChange.Cancel();
  TableChChange.Delete();
  // The row that took its place, or the new last row.
  const int next = std::min(row, TableChChange.RecordCount() - 1);
  TableChChange.First();
  for (int i = 0; i < next; ++i) TableChChange.Next();
  ShowTable();
  StartEditing();
}

void TFormCh::EditNewChChange() {
  if (!TableChChange.Active() || TableChChange.RecNo() < 0) return;
  const std::string text = IntegerText(EditNewCh.Caption());
  if (text != EditNewCh.Caption()) EditNewCh.SetCaption(text);
  int value = 0;
  const bool number = TryStrToInt(text, value);
  // A lone sign is kept in the editor until a digit follows.
  if (!number && !text.empty()) return;
  if (TableChChange.State() == TableState::Browse) TableChChange.Edit();
  Field& newCh = TableChChange.FieldByName("NewCh");
  if (number)
    newCh.SetAsInteger(value);
  else
    newCh.Clear();
  GridChannels.SetCell(0, TableChChange.RecNo(), text);
}

void TFormCh::ShowTable() {
  const int current = TableChChange.Active() ? TableChChange.RecNo() : -1;
  {
    HoldRedraw hold(GridChannels);
    GridChannels.SetRowCount(0);
    if (TableChChange.Active()) {
      Field& newCh = TableChChange.FieldByName("NewCh");
      Field& name = TableChChange.FieldByName("TVName");
      int r = 0;
      for (TableChChange.First(); !TableChChange.Eof(); TableChChange.Next(), ++r) {
        GridChannels.SetCell(0, r, newCh.AsString());
        GridChannels.SetCell(1, r, name.AsString());
      }
      TableChChange.First();
      for (int i = 0; i < current; ++i) TableChChange.Next();
    }
  }
  GridChannels.SetRow(current);
}

void TFormCh::ShowCurrentRow() {
  if (!TableChChange.Active() || TableChChange.RecNo() < 0) return;
  GridChannels.SetCell(0, TableChChange.RecNo(), TableChChange.FieldByName("NewCh").AsString());
}

void TFormCh::ShowCurrentInEditor() {
  const bool any = TableChChange.Active() && TableChChange.RecNo() >= 0;
  EditNewCh.SetCaption(any ? TableChChange.FieldByName("NewCh").AsString() : "");
}

void TFormCh::StartEditing() {
  ShowCurrentInEditor();
  PlaceEditor();
  if (TableChChange.Active() && TableChChange.RecNo() >= 0) TableChChangeBeforeEdit();
}

void TFormCh::PlaceEditor() {
  const int row = TableChChange.Active() ? TableChChange.RecNo() : -1;
  int l = 0, t = 0, w = 0, h = 0;
  if (row < 0 || !GridChannels.CellBounds(0, row, l, t, w, h)) {
    EditNewCh.SetVisible(false);
    return;
  }
  EditNewCh.SetBounds(GridChannels.Left() + l, GridChannels.Top() + t, w, h);
  EditNewCh.SetVisible(true);
}

}  // namespace kc
