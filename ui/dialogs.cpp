#include "ui/dialogs.h"

namespace kc::ui {

namespace {

bool Native() { return App().Initialised() && App().Kind() == BackendKind::Win32; }

void Note(HeadlessDialogLog::Kind k, const std::string& text) {
  HeadlessDialogs().Shown.push_back({k, text});
}

bool NextFileAnswer(std::string& fileName) {
  HeadlessDialogLog& log = HeadlessDialogs();
  if (log.FileAnswers.empty()) return false;
  std::string answer = log.FileAnswers.front();
  log.FileAnswers.pop_front();
  if (answer.empty()) return false;
  fileName = answer;
  return true;
}

}  // namespace

HeadlessDialogLog& HeadlessDialogs() {
  static HeadlessDialogLog log;
  return log;
}

int HeadlessDialogLog::Count(Kind k) const {
  int n = 0;
  for (const Entry& e : Shown)
    if (e.What == k) ++n;
  return n;
}

std::vector<std::string> HeadlessDialogLog::Texts(Kind k) const {
  std::vector<std::string> out;
  for (const Entry& e : Shown)
    if (e.What == k) out.push_back(e.Text);
  return out;
}

void ShowMessage(const Form* owner, const std::string& text) {
  if (Native()) return detail::NativeMessage(owner, text, false);
  Note(HeadlessDialogLog::Kind::Message, text);
}

void ShowError(const Form* owner, const std::string& text) {
  if (Native()) return detail::NativeMessage(owner, text, true);
  Note(HeadlessDialogLog::Kind::Error, text);
}

bool ConfirmYesNo(const Form* owner, const std::string& text) {
  if (Native()) return detail::NativeConfirm(owner, text);
  Note(HeadlessDialogLog::Kind::Confirm, text);
  HeadlessDialogLog& log = HeadlessDialogs();
  if (log.ConfirmAnswers.empty()) return true;
  bool yes = log.ConfirmAnswers.front();
  log.ConfirmAnswers.pop_front();
  return yes;
}

bool OpenFileDialog(const Form* owner, const FileDialogOptions& options, std::string& fileName) {
  if (Native()) return detail::NativeFileDialog(owner, options, false, fileName);
  Note(HeadlessDialogLog::Kind::Open, options.Pattern);
  return NextFileAnswer(fileName);
}

bool SaveFileDialog(const Form* owner, const FileDialogOptions& options, std::string& fileName) {
  if (Native()) return detail::NativeFileDialog(owner, options, true, fileName);
  Note(HeadlessDialogLog::Kind::Save, options.Pattern);
  return NextFileAnswer(fileName);
}

void SelectAllText(Edit& edit) {
  if (Native()) return detail::NativeSelectAll(edit);
  edit.SetFocus();
  HeadlessDialogs().SelectedAll.push_back(&edit);
}

}  // namespace kc::ui
