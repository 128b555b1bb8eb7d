// The channel number conversion window: for each channel of the settings
// window's list, the site's number (old) and the number to use instead
// (new). The pairs live in [ChannelChange] of "..\tvskypch.ini", which the
// download run applies to the programmes of a channel, and can be written to
// and read from ".chg" files of the same form.
//
// The grid shows the table; the one editable column, the new number, is
// edited in the grid's cell editor EditNewCh, which always holds the current
// row's value. Enter stores the row and moves on, Escape drops the change,
// moving to another row stores it.
#pragma once

#include <string>

#include "storage/memtable.h"
#include "ui/controls.h"

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
  ui::Grid GridChannels;
  ui::Label LabelNewCh;
  ui::Edit EditNewCh;  // the grid's cell editor for NewCh

  // NewCh, OldCh (integers), TVName (the whole list entry, 256 bytes);
  // in memory only.
  MemTable TableChChange;

  // Fills the table from the settings window's list (ticked entries only,
  // or all) and the [ChannelChange] pairs of file.
  void Load(const std::string& fileName, bool allEntries);
  // Writes every row of the table into [ChannelChange] of file, key by key.
  void Save(const std::string& fileName);

  // ---- event handlers
  void ButtonCloseClick();
  void ButtonCancelClick();
  void ButtonImportClick();
  void ButtonExportClick();
  void GridChannelsKeyPress(int& key);
  void TableChChangeBeforeEdit();
  // The user chose a row of the grid.
  void GridChannelsClick();
  // The user typed in the cell editor.
  void EditNewChChange();

 private:
  void ShowTable();
  // The grid cell of the current row from the table.
  void ShowCurrentRow();
  void ShowCurrentInEditor();
  void StartEditing();

  TFormDLLSetup& setup_;
};

}  // namespace kc
