// The channel number conversion window: for each channel of the settings
// window's list, the site's number (old) and the number to use instead
// (new). The pairs live in [ChannelChange] of "..\tvskypch.ini", which the
// download run applies to the programmes of a channel, and can be written to
// and read from ".chg" files of the same form.
//
// The grid shows the rows; the one editable column, the new number, is
// edited in place by the cell editor EditNewCh, which lies over the current
// row's NewCh cell and always holds its value with the whole text selected,
// so typing replaces it. Enter stores the row and moves on, Escape drops the
// change (and with nothing to drop closes the window, as its cancel does),
// moving to another row stores it, Ctrl+Delete deletes the row after a
// confirmation. The channel names are read-only.
#pragma once

#include <string>

#include "ui/controls.h"
#include "ui/conversion_rows.h"

namespace kc {

class TFormDLLSetup;

class TFormCh : public ui::Form {
 public:
  explicit TFormCh(TFormDLLSetup& setup);
  ~TFormCh() override;

  // ---- controls
  ui::Button ButtonClose;   // "保存"
  ui::Button ButtonCancel;  // "キャンセル"
  ui::Button ButtonImport;  // "読み込み"
  ui::Button ButtonExport;  // "書き出し"
  ui::Edit EditNewCh;  // the grid's cell editor for NewCh, over the grid
  ui::Grid GridChannels;

  // The rows the grid shows and the editor changes; in memory only.
  ConversionRows ChannelRows;

  // Fills the rows from the settings window's list (ticked entries only,
  // or all) and the [ChannelChange] pairs of file.
  void Load(const std::string& fileName, bool allEntries);
  // Writes every row into [ChannelChange] of file, key by key.
  void Save(const std::string& fileName);
  // Shows the window: where it was kept, or the first time centred on the
  // settings window when nothing is kept.
  void Present();

  // ---- event handlers
  void ButtonCloseClick();
  void ButtonCancelClick();
  void ButtonImportClick();
  void ButtonExportClick();
  void GridChannelsKeyPress(int& key);
  // The user chose a row of the grid.
  void GridChannelsClick();
  // The user typed in the cell editor.
  void EditNewChChange();
  // Ctrl+Delete: the current row leaves once the user confirms.
  void DeleteCurrentRow();
  void FormClose();

 private:
  // Every row into the grid, the current one selected.
  void ShowTable();
  // The grid cell of the current row from the rows.
  void ShowCurrentRow();
  void ShowCurrentInEditor();
  void StartEditing();
  void GoToRow(int row);
  // The cell editor over the current row's NewCh cell, hidden while that
  // cell is scrolled out of sight.
  void PlaceEditor();

  TFormDLLSetup& setup_;
  bool placed_ = false;
};

}  // namespace kc
