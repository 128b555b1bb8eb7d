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

  // Created in the order Tab visits them: the memo first, where the
  // focus is on opening.
  ui::Label Label1;
  ui::Memo Memo1;
  ui::Button ButtonImp;  // "決定"

  // Shows the window: where it was kept, or the first time centred on the
  // settings window when nothing is kept.
  void Present();

  void ButtonImpClick();
  void FormClose();

 private:
  TFormDLLSetup& setup_;
  bool placed_ = false;
};

}  // namespace kc
