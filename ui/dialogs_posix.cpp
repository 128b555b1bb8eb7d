// The native build has no window system: only the headless backend runs
// there, so these are never reached; they answer as a cancelled box would.
#include "ui/dialogs.h"

namespace kc::ui::detail {

void NativeMessage(const Form*, const std::string&, bool) {}
bool NativeConfirm(const Form*, const std::string&) { return false; }
bool NativeFileDialog(const Form*, const FileDialogOptions&, bool, std::string&) { return false; }
void NativeSelectAll(Edit&) {}

}  // namespace kc::ui::detail
