// The Win32 backend: forms and controls made, changed and destroyed, and
// the values (lists, grids, bars, fonts, hints) sent to their windows.
#include <algorithm>
#include <memory>

#include "platform/platform.h"
#include "ui/backend_win.h"

namespace kc::ui::win32 {

std::wstring W(const std::string& sjis) {
  std::u16string u = kc::Cp932ToWide(sjis);
  return std::wstring(u.begin(), u.end());
}

std::string FromW(const std::wstring& w) {
  return kc::WideToCp932(std::u16string(w.begin(), w.end()));
}

std::string WindowText(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
  n = GetWindowTextW(h, buf.data(), n + 1);
  buf.resize(static_cast<std::size_t>(std::max(0, n)));
  return FromW(buf);
}

DWORD StyleOf(const Form& f) {
  switch (f.Style()) {
    case FormStyle::Borderless:
      return WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS;
    case FormStyle::Dialog:
      return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
    case FormStyle::Normal:
    default:
      // Resizable, with no painted face: the background redrawn behind a
      // control that moved must not paint over the controls now there.
      return WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  }
}

DWORD ExStyleOf(const Form& f) {
  switch (f.Style()) {
    case FormStyle::Dialog:
      return WS_EX_DLGMODALFRAME;
    case FormStyle::Borderless:
      return WS_EX_APPWINDOW;
    default:
      return 0;
  }
}

Win32Backend* Win32Backend::self_ = nullptr;

Win32Backend::~Win32Backend() {
  for (auto& kv : fonts_) DeleteObject(kv.second);
  for (auto& kv : glyphs_) DestroyIcon(kv.second);
  for (auto& kv : faces_)
    if (kv.second.Bitmap) DeleteObject(kv.second.Bitmap);
  if (self_ == this) self_ = nullptr;
}

void Win32Backend::CreateForm(Form& f) {
  dpi_[&f] = SystemDpi();
  RECT rc = OuterRect(f, f.ClientWidth(), f.ClientHeight());
  HWND owner = nullptr;
  if (App().MainForm && App().MainForm != &f) owner = H(App().MainForm->Handle);
  HWND h = CreateWindowExW(ExStyleOf(f), kFormClass, W(f.Caption()).c_str(), StyleOf(f),
                           CW_USEDEFAULT, CW_USEDEFAULT, rc.right - rc.left, rc.bottom - rc.top,
                           owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!h) return;
  SetPropW(h, kFormProp, &f);
  f.Handle = h;
  if (int dpi = WindowDpi(h); dpi != dpi_[&f]) {
    dpi_[&f] = dpi;
    RECT at = OuterRect(f, f.ClientWidth(), f.ClientHeight());
    SetWindowPos(h, nullptr, 0, 0, at.right - at.left, at.bottom - at.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, h, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  tips_[&f] = tip;
  ApplyRegion(f);
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont(f)), FALSE);
}

void Win32Backend::DestroyForm(Form& f) {
  HWND h = H(f.Handle);
  auto t = tips_.find(&f);
  if (t != tips_.end()) {
    if (t->second) DestroyWindow(t->second);
    tips_.erase(t);
  }
  DropFace(f);
  dpi_.erase(&f);
  if (!h) return;
  RemovePropW(h, kFormProp);
  DestroyWindow(h);
  f.Handle = nullptr;
}

void Win32Backend::FormChanged(Form& f, Change what) {
  HWND h = H(f.Handle);
  if (!h) return;
  switch (what) {
    case Change::Text:
      SetWindowTextW(h, W(f.Caption()).c_str());
      break;
    case Change::Bounds: {
      RECT rc = OuterRect(f, f.ClientWidth(), f.ClientHeight());
      SetWindowPos(h, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyRegion(f);
      DropFace(f);
      InvalidateRect(h, nullptr, TRUE);
      break;
    }
    case Change::Font:
      SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont(f)), TRUE);
      for (Control* c : f.Controls()) ApplyFont(*c);
      break;
    default:
      DropFace(f);
      InvalidateRect(h, nullptr, TRUE);
      break;
  }
}

void Win32Backend::ShowForm(Form& f, bool show) {
  HWND h = H(f.Handle);
  if (!h) return;
  if (!show) {
    ShowWindow(h, SW_HIDE);
    return;
  }
  bool wasVisible = IsWindowVisible(h) != FALSE;
  ShowWindow(h, SW_SHOWNORMAL);
  UpdateWindow(h);
  SetForegroundWindow(h);
  // A window shown while another program has the focus is not activated,
  // and one that was made active while hidden (the owner of a box that
  // closed) is not activated again: it must still see its first
  // activation, now that it can be seen.
  if (!wasVisible) PostMessageW(h, kMsgActivate, 0, 0);
}

void Win32Backend::MinimizeForm(Form& f) {
  if (HWND h = H(f.Handle)) ShowWindow(h, SW_MINIMIZE);
}

void Win32Backend::RepaintForm(Form& f) {
  if (HWND h = H(f.Handle))
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Win32Backend::SetFormPosition(Form& f, int left, int top) {
  if (HWND h = H(f.Handle))
    SetWindowPos(h, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Win32Backend::GetFormPosition(const Form& f, int& left, int& top) const {
  RECT rc;
  if (!f.Handle || !GetWindowRect(H(f.Handle), &rc)) return false;
  left = rc.left;
  top = rc.top;
  return true;
}

// The window class and styles of a control's kind.
void Win32Backend::NativeClass(const Control& c, const wchar_t*& cls, DWORD& style, DWORD& ex) {
  switch (c.Kind()) {
    case ControlKind::Label:
      style |= SS_LEFT | SS_NOTIFY | SS_NOPREFIX;
      break;
    case ControlKind::Button:
      cls = L"BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case ControlKind::ProgressBar:
      cls = PROGRESS_CLASSW;
      break;
    case ControlKind::CheckBox:
      cls = L"BUTTON";
      style |= BS_AUTOCHECKBOX | WS_TABSTOP;
      break;
    case ControlKind::RadioButton:
      cls = L"BUTTON";
      style |= BS_RADIOBUTTON | WS_TABSTOP;
      break;
    case ControlKind::ComboBox:
      cls = L"COMBOBOX";
      style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
      break;
    case ControlKind::Edit:
      cls = L"EDIT";
      style |= ES_AUTOHSCROLL | WS_TABSTOP;
      ex = WS_EX_CLIENTEDGE;
      break;
    case ControlKind::Memo:
      cls = L"EDIT";
      style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP;
      if (c.CreationFlags & Control::kNoWordWrap) style |= ES_AUTOHSCROLL | WS_HSCROLL;
      ex = WS_EX_CLIENTEDGE;
      break;
    case ControlKind::CheckList:
      cls = WC_LISTVIEWW;
      style |= LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP;
      ex = WS_EX_CLIENTEDGE;
      break;
    case ControlKind::Grid:
      cls = WC_LISTVIEWW;
      style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP;
      ex = WS_EX_CLIENTEDGE;
      break;
    case ControlKind::Picture:
      cls = kPictureClass;
      break;
  }
}

void Win32Backend::CreateControl(Control& c) {
  HWND parent = H(c.Owner().Handle);
  if (!parent) return;
  const wchar_t* cls = L"STATIC";
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD ex = 0;
  NativeClass(c, cls, style, ex);
  if (c.Visible()) style |= WS_VISIBLE;
  if (!c.Enabled()) style |= WS_DISABLED;
  // Arrow keys move within a group: radio buttons that follow each other;
  // every other control is a group of its own.
  if (StartsGroup(c)) style |= WS_GROUP;
  Quiet q(*this);
  const RECT at = ControlRect(c);
  HWND h = CreateWindowExW(ex, cls, W(c.Caption()).c_str(), style, at.left, at.top,
                           at.right - at.left, at.bottom - at.top, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  if (!h) return;
  SetPropW(h, kControlProp, &c);
  c.Handle = h;
  if (c.Kind() == ControlKind::Label) SetWindowSubclass(h, LabelProc, 0, 0);
  if (c.Kind() == ControlKind::CheckList) {
    SendMessageW(h, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNW col{};
    col.mask = LVCF_WIDTH;
    col.cx = S(c.Owner(), std::max(40, c.Width() - 24));
    SendMessageW(h, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
  } else if (c.Kind() == ControlKind::Grid) {
    SendMessageW(h, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    SetWindowSubclass(h, GridProc, 0, 0);
  }
  ApplyFont(c);
  ControlChanged(c, Change::Hint);
}

void Win32Backend::DestroyControl(Control& c) {
  progressPaintedAt_.erase(&c);
  pendingProgress_.erase(std::remove(pendingProgress_.begin(), pendingProgress_.end(), &c),
                         pendingProgress_.end());
  if (auto g = glyphs_.find(&c); g != glyphs_.end()) {
    DestroyIcon(g->second);
    glyphs_.erase(g);
  }
  HWND h = H(c.Handle);
  if (!h) return;
  RemovePropW(h, kControlProp);
  DestroyWindow(h);
  c.Handle = nullptr;
}

void Win32Backend::ControlChanged(Control& c, Change what) {
  HWND h = H(c.Handle);
  if (!h) return;
  Quiet q(*this);
  switch (what) {
    case Change::Text:
      SetWindowTextW(h, W(c.Caption()).c_str());
      if (c.Kind() == ControlKind::Label) RedrawBehind(c);
      break;
    case Change::Enabled:
      EnableWindow(h, c.Enabled() ? TRUE : FALSE);
      break;
    case Change::Visible:
      ShowWindow(h, c.Visible() ? SW_SHOWNA : SW_HIDE);
      if (!c.Visible()) RedrawBehind(c);
      break;
    case Change::Bounds:
      RedrawBehind(c);
    {
      const RECT at = ControlRect(c);
      MoveWindow(h, at.left, at.top, at.right - at.left, at.bottom - at.top, TRUE);
      // The check list's one column spans the list.
      if (c.Kind() == ControlKind::CheckList)
        SendMessageW(h, LVM_SETCOLUMNWIDTH, 0, S(c.Owner(), std::max(40, c.Width() - 24)));
    }
      break;
    case Change::Font:
      ApplyFont(c);
      if (c.Kind() == ControlKind::Label) RedrawBehind(c);
      break;
    case Change::Hint:
      UpdateHint(c);
      break;
    case Change::Value:
    case Change::Items:
    case Change::Pixels:
      UpdateValue(c, what);
      break;
    case Change::Cursor:
      break;
  }
}

HFONT Win32Backend::FormFont(const Form& f) {
  return Font(f.Font().Name, S(f, f.Font().SizePx), f.Font().Bold, f.Font().Underline);
}

HFONT Win32Backend::Font(const std::string& name, int sizePx, bool bold, bool underline) {
  auto key = std::make_tuple(name, sizePx, bold, underline);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  HFONT f = CreateFontW(-sizePx, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline ? TRUE : FALSE,
                        FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, W(name).c_str());
  fonts_[key] = f;
  return f;
}

HFONT Win32Backend::FontOf(const Form& f, const FontInfo& font) {
  return Font(font.Name.empty() ? f.Font().Name : font.Name, S(f, font.SizePx), font.Bold,
              font.Underline);
}

void Win32Backend::ApplyFont(Control& c) {
  if (HWND h = H(c.Handle))
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(c.Owner(), c.Font())), TRUE);
}

void Win32Backend::UpdateHint(Control& c) {
  auto it = tips_.find(&c.Owner());
  if (it == tips_.end() || !it->second || !c.Handle) return;
  std::wstring text = W(c.Hint());
  TOOLINFOW ti{};
#ifdef TTTOOLINFOW_V2_SIZE
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
#else
  ti.cbSize = sizeof ti;
#endif
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = H(c.Owner().Handle);
  ti.uId = reinterpret_cast<UINT_PTR>(c.Handle);
  ti.lpszText = text.data();
  SendMessageW(it->second, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  if (!text.empty()) SendMessageW(it->second, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void Win32Backend::SetListText(HWND h, int item, int sub, const std::string& text, bool insert) {
  std::wstring w = W(text);
  LVITEMW it{};
  it.mask = LVIF_TEXT;
  it.iItem = item;
  it.iSubItem = sub;
  it.pszText = w.data();
  SendMessageW(h, insert ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, insert ? 0 : item,
               reinterpret_cast<LPARAM>(&it));
}

void Win32Backend::SetCheckState(HWND h, int item, bool on) {
  LVITEMW it{};
  it.stateMask = LVIS_STATEIMAGEMASK;
  it.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
  SendMessageW(h, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&it));
}

void Win32Backend::SetSelected(HWND h, int item) {
  LVITEMW it{};
  it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  it.state = 0;
  SendMessageW(h, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
  if (item >= 0) {
    it.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(h, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&it));
    SendMessageW(h, LVM_ENSUREVISIBLE, item, FALSE);
  }
}

void Win32Backend::UpdateValue(Control& c, Change what) {
  HWND h = H(c.Handle);
  switch (c.Kind()) {
    case ControlKind::ProgressBar:
      UpdateProgress(c);
      break;
    case ControlKind::CheckBox:
      SendMessageW(h, BM_SETCHECK, static_cast<CheckBox&>(c).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ControlKind::RadioButton:
      SendMessageW(h, BM_SETCHECK, static_cast<RadioButton&>(c).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ControlKind::ComboBox: {
      auto& cb = static_cast<ComboBox&>(c);
      if (what == Change::Items) {
        SendMessageW(h, CB_RESETCONTENT, 0, 0);
        for (const std::string& s : cb.Items()) {
          std::wstring w = W(s);
          SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
        }
      }
      SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(cb.ItemIndex()), 0);
      break;
    }
    case ControlKind::CheckList: {
      auto& cl = static_cast<CheckList&>(c);
      if (what == Change::Items) FillCheckList(cl);
      for (int i = 0; i < cl.Count(); ++i) SetCheckState(h, i, cl.Checked(i));
      SetSelected(h, cl.ItemIndex());
      break;
    }
    case ControlKind::Grid:
      if (what == Change::Items) FillGrid(static_cast<Grid&>(c));
      SetSelected(h, static_cast<Grid&>(c).Row());
      break;
    case ControlKind::Picture:
      InvalidateRect(h, nullptr, FALSE);
      break;
    case ControlKind::Button:
      if (what == Change::Pixels) UpdateGlyph(static_cast<Button&>(c));
      break;
    default:
      break;
  }
}

void Win32Backend::UpdateProgress(Control& c) {
  // The range is sent only when it differs from the bar's own, since
  // setting it may repaint the bar even when it is the same.
  HWND h = H(c.Handle);
  auto& p = static_cast<ProgressBar&>(c);
  PBRANGE range{};
  SendMessageW(h, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  const bool newRange = range.iLow != p.Min() || range.iHigh != p.Max();
  if (newRange) SendMessageW(h, PBM_SETRANGE32, p.Min(), p.Max());
  SendProgress(c, newRange);
}

void Win32Backend::FillCheckList(CheckList& cl) {
  HWND h = H(cl.Handle);
  SendMessageW(h, LVM_DELETEALLITEMS, 0, 0);
  for (int i = 0; i < cl.Count(); ++i) SetListText(h, i, 0, cl.Items()[static_cast<std::size_t>(i)], true);
}

void Win32Backend::FillGrid(Grid& g) {
  HWND h = H(g.Handle);
  SendMessageW(h, LVM_DELETEALLITEMS, 0, 0);
  while (SendMessageW(h, LVM_DELETECOLUMN, 0, 0)) {
  }
  for (int i = 0; i < g.ColCount(); ++i) {
    std::wstring w = W(g.Columns()[static_cast<std::size_t>(i)]);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = S(g.Owner(), g.ColumnWidths()[static_cast<std::size_t>(i)]);
    col.pszText = w.data();
    SendMessageW(h, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
  }
  for (int r = 0; r < g.RowCount(); ++r) {
    SetListText(h, r, 0, g.Cell(0, r), true);
    for (int col = 1; col < g.ColCount(); ++col) SetListText(h, r, col, g.Cell(col, r), false);
  }
}

void Win32Backend::SendProgress(Control& c, bool now) {
  HWND h = H(c.Handle);
  const int pos = static_cast<ProgressBar&>(c).Position();
  if (static_cast<int>(SendMessageW(h, PBM_GETPOS, 0, 0)) == pos) return;
  const DWORD tick = GetTickCount();
  auto painted = progressPaintedAt_.find(&c);
  if (!now && painted != progressPaintedAt_.end() && tick - painted->second < kProgressFrameMs) {
    if (std::find(pendingProgress_.begin(), pendingProgress_.end(), &c) == pendingProgress_.end())
      pendingProgress_.push_back(&c);
    return;
  }
  SendMessageW(h, PBM_SETPOS, pos, 0);
  progressPaintedAt_[&c] = tick;
}

void Win32Backend::SendPendingProgress() {
  if (pendingProgress_.empty()) return;
  const DWORD tick = GetTickCount();
  for (auto it = pendingProgress_.begin(); it != pendingProgress_.end();) {
    DWORD& painted = progressPaintedAt_[*it];
    if (tick - painted < kProgressFrameMs) {
      ++it;
      continue;
    }
    SendMessageW(H((*it)->Handle), PBM_SETPOS, static_cast<ProgressBar*>(*it)->Position(), 0);
    painted = tick;
    it = pendingProgress_.erase(it);
  }
}

}  // namespace kc::ui::win32

namespace kc::ui {

std::unique_ptr<Backend> CreateWin32Backend() { return std::make_unique<win32::Win32Backend>(); }

}  // namespace kc::ui
