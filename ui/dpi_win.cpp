// The Win32 backend's DPI scaling: every size and place goes to the system
// at the window's own DPI and comes back at 96.
#include <algorithm>

#include "ui/backend_win.h"

namespace kc::ui::win32 {

int SystemDpi() {
  HDC dc = GetDC(nullptr);
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

// The window's monitor's DPI where the system has it (Windows 10 1607 and
// later), else the system's.
int WindowDpi(HWND h) {
  using Fn = UINT(WINAPI*)(HWND);
  static const Fn dpiForWindow = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (dpiForWindow && h) {
    if (UINT dpi = dpiForWindow(h)) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

void Win32Backend::GetScreenSize(int& w, int& h) const {
  RECT rc;
  if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0)) {
    w = rc.right - rc.left;
    h = rc.bottom - rc.top;
  } else {
    w = GetSystemMetrics(SM_CXSCREEN);
    h = GetSystemMetrics(SM_CYSCREEN);
  }
}

void Win32Backend::GetFormOuterSize(const Form& f, int& w, int& h) const {
  RECT rc = OuterRect(f, f.ClientWidth(), f.ClientHeight());
  w = rc.right - rc.left;
  h = rc.bottom - rc.top;
}

// The window rectangle for a client area of w x h (at 96 DPI).
RECT Win32Backend::OuterRect(const Form& f, int w, int h) const {
  RECT rc{0, 0, S(f, w), S(f, h)};
  AdjustWindowRectEx(&rc, StyleOf(f), FALSE, ExStyleOf(f));
  return rc;
}

// A control's place at its window's DPI (a combo box with room for its
// drop-down list).
RECT Win32Backend::ControlRect(const Control& c) const {
  const Form& f = c.Owner();
  int height = c.Height();
  if (c.Kind() == ControlKind::ComboBox) height = std::max(height, 200);
  return RECT{S(f, c.Left()), S(f, c.Top()), S(f, c.Left() + c.Width()), S(f, c.Top() + height)};
}

bool Win32Backend::GridCellBounds(const Grid& g, int col, int row, int& l, int& t, int& w,
                                  int& h) const {
  HWND list = H(g.Handle);
  if (!list || col < 0 || col >= g.ColCount() || row < 0 ||
      row >= static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)))
    return false;
  RECT rc{};
  rc.top = col;
  rc.left = col == 0 ? LVIR_LABEL : LVIR_BOUNDS;
  if (!SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc)))
    return false;
  RECT client;
  GetClientRect(list, &client);
  int headerBottom = 0;
  if (HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0))) {
    RECT hr;
    if (IsWindowVisible(header) && GetWindowRect(header, &hr)) headerBottom = hr.bottom - hr.top;
  }
  if (rc.top < headerBottom || rc.bottom > client.bottom) return false;
  // From the list's client area to its outer corner (the border).
  RECT outer;
  GetWindowRect(list, &outer);
  POINT origin{0, 0};
  ClientToScreen(list, &origin);
  const int dpi = Dpi(g.Owner());
  l = Unscaled(rc.left + (origin.x - outer.left), dpi);
  t = Unscaled(rc.top + (origin.y - outer.top), dpi);
  w = Unscaled(rc.right - rc.left, dpi);
  h = Unscaled(rc.bottom - rc.top, dpi);
  return true;
}

// Moved to a monitor of another DPI: the system suggests the new window
// rectangle; fonts and controls follow.
void Win32Backend::DpiChanged(Form& f, HWND hwnd, int dpi, const RECT& at) {
  dpi_[&f] = dpi;
  SetWindowPos(hwnd, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyRegion(f);
  DropFace(f);
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont(f)), FALSE);
  for (Control* c : f.Controls()) {
    ControlChanged(*c, Change::Bounds);
    ApplyFont(*c);
    if (c->Kind() == ControlKind::Grid || c->Kind() == ControlKind::CheckList)
      UpdateValue(*c, Change::Items);
    if (c->Kind() == ControlKind::Button) UpdateValue(*c, Change::Pixels);
  }
  InvalidateRect(hwnd, nullptr, TRUE);
}

// The smallest window the user may drag a form to; false when the form sets
// none.
bool Win32Backend::MinTrackSize(const Form& f, MINMAXINFO& mm) const {
  if (f.MinClientWidth <= 0 && f.MinClientHeight <= 0) return false;
  RECT rc = OuterRect(f, f.MinClientWidth, f.MinClientHeight);
  mm.ptMinTrackSize.x = std::max<LONG>(mm.ptMinTrackSize.x, rc.right - rc.left);
  mm.ptMinTrackSize.y = std::max<LONG>(mm.ptMinTrackSize.y, rc.bottom - rc.top);
  return true;
}

}  // namespace kc::ui::win32
