// The window system's message, confirmation and file dialogs, and the one
// editor service the settings windows need beside the controls layer.
//
// Under the Win32 backend these are the system's own modal boxes and common
// dialogs. Under the headless backend nothing is shown: every call is noted
// in HeadlessDialogs() and answered from its queues, so tests can script the
// user's answers.
//
// All text is Shift-JIS.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ui/controls.h"

namespace kc::ui {

// A plain message box with an OK button, owned by the form (may be null).
void ShowMessage(const Form* owner, const std::string& text);
// An error box (the window system's standard error message).
void ShowError(const Form* owner, const std::string& text);
// A confirmation box with Yes and No; true unless No was pressed.
bool ConfirmYesNo(const Form* owner, const std::string& text);

struct FileDialogOptions {
  std::string FilterName;  // "チャンネル変換ファイル"
  std::string Pattern;     // "*.chg"
  std::string DefaultExt;  // "chg": added to a name typed without one
  std::string Title;       // empty: the system's
};
// The open and save dialogs; false when cancelled, else fileName is the full
// name chosen.
bool OpenFileDialog(const Form* owner, const FileDialogOptions& options, std::string& fileName);
bool SaveFileDialog(const Form* owner, const FileDialogOptions& options, std::string& fileName);

// Selects the whole text of a text box, so that typing replaces it.
void SelectAllText(Edit& edit);

// What the headless backend records and answers.
struct HeadlessDialogLog {
  enum class Kind { Message, Error, Confirm, Open, Save };
  struct Entry {
    Kind What;
    std::string Text;  // message text, or the dialog's pattern
  };
  std::vector<Entry> Shown;
  // Answers for confirmations, in order; when empty the answer is Yes.
  std::deque<bool> ConfirmAnswers;
  // Answers for file dialogs, in order; an empty name (or an empty queue)
  // is a cancelled dialog.
  std::deque<std::string> FileAnswers;
  // The text boxes whose text was selected whole, in order.
  std::vector<const Edit*> SelectedAll;

  void Clear() { *this = HeadlessDialogLog(); }
  int Count(Kind k) const;
  std::vector<std::string> Texts(Kind k) const;
};
HeadlessDialogLog& HeadlessDialogs();

namespace detail {
// The Win32 implementations (dialogs_win.cpp); the native build has only
// headless windows and never reaches them.
void NativeMessage(const Form* owner, const std::string& text, bool error);
bool NativeConfirm(const Form* owner, const std::string& text);
bool NativeFileDialog(const Form* owner, const FileDialogOptions& options, bool save,
                      std::string& fileName);
void NativeSelectAll(Edit& edit);
}  // namespace detail

}  // namespace kc::ui
