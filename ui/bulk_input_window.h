// The bulk channel input window: the user types or pastes channel numbers,
// one per line, and "決定" ticks those channels in the settings window's
// list. It only ever ticks; the ticks reach the host's files when the
// settings window next stores them.
#pragma once

#include "ui/controls.h"

namespace kc {

class TFormDLLSetup;

class TFormImport : public ui::Form {
 public:
  explicit TFormImport(TFormDLLSetup& setup);
  ~TFormImport() override;

  ui::Label Label1;
  ui::Button ButtonImp;  // "決定"
  ui::Memo Memo1;

  void ButtonImpClick();
  void FormClose();

 private:
  TFormDLLSetup& setup_;
};

}  // namespace kc
