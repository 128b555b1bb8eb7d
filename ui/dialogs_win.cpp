// The system's message boxes and common file dialogs. Text goes through
// UTF-16 (from code page 932) so it shows right whatever the system's ANSI
// code page is.
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "ui/dialogs.h"

namespace kc::ui::detail {

namespace {

std::wstring W(const std::string& sjis) {
  std::u16string w = kc::Cp932ToWide(sjis);
  return std::wstring(w.begin(), w.end());
}

std::string FromW(const wchar_t* w) {
  std::u16string u;
  for (; *w; ++w) u.push_back(static_cast<char16_t>(*w));
  return kc::WideToCp932(u);
}

HWND OwnerOf(const Form* owner) {
  return owner ? static_cast<HWND>(owner->Handle) : nullptr;
}

std::wstring BoxTitle() { return W(App().Title); }

}  // namespace

void NativeMessage(const Form* owner, const std::string& text, bool error) {
  MessageBoxW(OwnerOf(owner), W(text).c_str(), BoxTitle().c_str(),
              MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}

bool NativeConfirm(const Form* owner, const std::string& text) {
  return MessageBoxW(OwnerOf(owner), W(text).c_str(), BoxTitle().c_str(),
                     MB_YESNO | MB_ICONQUESTION) != IDNO;
}

bool NativeFileDialog(const Form* owner, const FileDialogOptions& options, bool save,
                      std::string& fileName) {
  // The filter is pairs of texts, each ended by a NUL, with one more NUL at
  // the end.
  std::wstring filter = W(options.FilterName + " (" + options.Pattern + ")");
  filter.push_back(L'\0');
  filter += W(options.Pattern);
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  std::vector<wchar_t> name(MAX_PATH * 4, L'\0');
  const std::wstring ext = W(options.DefaultExt);
  const std::wstring title = W(options.Title);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = OwnerOf(owner);
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
  BOOL ok;
  if (save) {
    // No overwrite prompt: a save into an existing file keeps its other
    // keys, it does not replace the file.
    ok = GetSaveFileNameW(&ofn);
  } else {
    ofn.Flags |= OFN_FILEMUSTEXIST;
    ok = GetOpenFileNameW(&ofn);
  }
  if (!ok) return false;
  fileName = FromW(name.data());
  return true;
}

void NativeSelectAll(Edit& edit) {
  if (HWND h = static_cast<HWND>(edit.Handle)) SendMessageW(h, EM_SETSEL, 0, -1);
  edit.SetFocus();
}

}  // namespace kc::ui::detail
