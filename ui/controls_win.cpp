// The Win32 backend of the control set: real windows and common controls.
// All text is converted from code page 932 to UTF-16 here and handed to the
// wide APIs, so Japanese shows right whatever the system's ANSI code page.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "ui/controls.h"

namespace kc::ui {

namespace {

constexpr UINT kMsgActivate = WM_APP + 1;
const wchar_t kFormClass[] = L"KanaliaForm";
const wchar_t kPictureClass[] = L"KanaliaPicture";
const wchar_t kFormProp[] = L"KanaliaForm";
const wchar_t kControlProp[] = L"KanaliaControl";

std::wstring W(const std::string& sjis) {
  std::u16string u = plat::Cp932ToWide(sjis);
  return std::wstring(u.begin(), u.end());
}

std::string FromW(const std::wstring& w) {
  return plat::WideToCp932(std::u16string(w.begin(), w.end()));
}

std::string WindowText(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
  n = GetWindowTextW(h, buf.data(), n + 1);
  buf.resize(static_cast<std::size_t>(std::max(0, n)));
  return FromW(buf);
}

COLORREF Ref(Color c) { return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

HWND H(const void* handle) { return static_cast<HWND>(const_cast<void*>(handle)); }

Form* FormOf(HWND h) { return h ? static_cast<Form*>(GetPropW(h, kFormProp)) : nullptr; }
Control* ControlOf(HWND h) { return h ? static_cast<Control*>(GetPropW(h, kControlProp)) : nullptr; }

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

// The control layer counts in pixels at 96 DPI; windows are drawn at their
// own DPI, so every size and position is scaled on its way to the system.
int Scaled(int v, int dpi) { return MulDiv(v, dpi, 96); }
int Unscaled(int v, int dpi) { return MulDiv(v, 96, dpi); }

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

// A top-down 32-bit bitmap of size x size pixels.
BITMAPINFO SquareBitmap(int size) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = size;
  bi.bmiHeader.biHeight = -size;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// GDI drawing for a form's painted face, scaled from 96 DPI to the window's.
class GdiCanvas : public Canvas {
 public:
  GdiCanvas(HDC dc, int dpi, std::function<HFONT(const FontInfo&)> font)
      : dc_(dc), dpi_(dpi), font_(std::move(font)) {}

  void FillRect(int l, int t, int r, int b, Color c) override { Fill(S(l), S(t), S(r), S(b), c); }

  void GradientRect(int l, int t, int r, int b, Color from, Color to, bool vertical) override {
    l = S(l), t = S(t), r = S(r), b = S(b);
    const int span = vertical ? b - t : r - l;
    if (span <= 0) return;
    for (int i = 0; i < span; ++i) {
      auto mix = [&](int shift) {
        int a = (from >> shift) & 0xFF, z = (to >> shift) & 0xFF;
        return static_cast<Color>(a + (z - a) * i / std::max(1, span - 1)) << shift;
      };
      Color c = mix(16) | mix(8) | mix(0);
      if (vertical)
        Fill(l, t + i, r, t + i + 1, c);
      else
        Fill(l + i, t, l + i + 1, b, c);
    }
  }

  void FrameRoundRect(int l, int t, int r, int b, int radius, Color pen, int penWidth) override {
    HPEN p = CreatePen(PS_SOLID, S(penWidth), Ref(pen));
    HGDIOBJ op = SelectObject(dc_, p);
    HGDIOBJ ob = SelectObject(dc_, GetStockObject(NULL_BRUSH));
    RoundRect(dc_, S(l), S(t), S(r), S(b), S(radius) * 2, S(radius) * 2);
    SelectObject(dc_, ob);
    SelectObject(dc_, op);
    DeleteObject(p);
  }

  void Line(int x1, int y1, int x2, int y2, Color c, int width) override {
    HPEN p = CreatePen(PS_SOLID, S(width), Ref(c));
    HGDIOBJ op = SelectObject(dc_, p);
    MoveToEx(dc_, S(x1), S(y1), nullptr);
    LineTo(dc_, S(x2), S(y2));
    SelectObject(dc_, op);
    DeleteObject(p);
  }

  void Text(int x, int y, const std::string& text, const FontInfo& font) override {
    HGDIOBJ of = SelectObject(dc_, font_(font));
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, font.Colour == clDefault ? GetSysColor(COLOR_WINDOWTEXT) : Ref(font.Colour));
    std::wstring w = W(text);
    TextOutW(dc_, S(x), S(y), w.c_str(), static_cast<int>(w.size()));
    SelectObject(dc_, of);
  }

 private:
  int S(int v) const { return Scaled(v, dpi_); }
  void Fill(int l, int t, int r, int b, Color c) {
    RECT rc{l, t, r, b};
    HBRUSH br = CreateSolidBrush(Ref(c));
    ::FillRect(dc_, &rc, br);
    DeleteObject(br);
  }

  HDC dc_;
  int dpi_;
  std::function<HFONT(const FontInfo&)> font_;
};

class Win32Backend : public Backend {
 public:
  Win32Backend() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Win32Backend::FormProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    wc.hIcon = LoadIconW(inst, L"MAINICON");
    RegisterClassExW(&wc);
    WNDCLASSEXW pc{};
    pc.cbSize = sizeof pc;
    pc.lpfnWndProc = &Win32Backend::PictureProc;
    pc.hInstance = inst;
    pc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    pc.lpszClassName = kPictureClass;
    RegisterClassExW(&pc);
    self_ = this;
  }

  ~Win32Backend() override {
    for (auto& kv : fonts_) DeleteObject(kv.second);
    for (auto& kv : glyphs_) DestroyIcon(kv.second);
    for (auto& kv : faces_)
      if (kv.second.Bitmap) DeleteObject(kv.second.Bitmap);
    if (self_ == this) self_ = nullptr;
  }

  BackendKind Kind() const override { return BackendKind::Win32; }

  // ---- forms

  void CreateForm(Form& f) override {
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

  void DestroyForm(Form& f) override {
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

  void FormChanged(Form& f, Change what) override {
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

  void DropFace(const Form& f) {
    auto it = faces_.find(&f);
    if (it == faces_.end()) return;
    if (it->second.Bitmap) DeleteObject(it->second.Bitmap);
    faces_.erase(it);
  }

  void ShowForm(Form& f, bool show) override {
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

  void MinimizeForm(Form& f) override {
    if (HWND h = H(f.Handle)) ShowWindow(h, SW_MINIMIZE);
  }

  void RepaintForm(Form& f) override {
    if (HWND h = H(f.Handle))
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }

  void SetFormPosition(Form& f, int left, int top) override {
    if (HWND h = H(f.Handle))
      SetWindowPos(h, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  bool GetFormPosition(const Form& f, int& left, int& top) const override {
    RECT rc;
    if (!f.Handle || !GetWindowRect(H(f.Handle), &rc)) return false;
    left = rc.left;
    top = rc.top;
    return true;
  }

  void GetScreenSize(int& w, int& h) const override {
    RECT rc;
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0)) {
      w = rc.right - rc.left;
      h = rc.bottom - rc.top;
    } else {
      w = GetSystemMetrics(SM_CXSCREEN);
      h = GetSystemMetrics(SM_CYSCREEN);
    }
  }

  void GetFormOuterSize(const Form& f, int& w, int& h) const override {
    RECT rc = OuterRect(f, f.ClientWidth(), f.ClientHeight());
    w = rc.right - rc.left;
    h = rc.bottom - rc.top;
  }

  int Dpi(const Form& f) const {
    auto it = dpi_.find(&f);
    return it == dpi_.end() ? 96 : it->second;
  }
  int S(const Form& f, int v) const { return Scaled(v, Dpi(f)); }

  // The window rectangle for a client area of w x h (at 96 DPI).
  RECT OuterRect(const Form& f, int w, int h) const {
    RECT rc{0, 0, S(f, w), S(f, h)};
    AdjustWindowRectEx(&rc, StyleOf(f), FALSE, ExStyleOf(f));
    return rc;
  }

  // A control's place at its window's DPI (a combo box with room for its
  // drop-down list).
  RECT ControlRect(const Control& c) const {
    const Form& f = c.Owner();
    int height = c.Height();
    if (c.Kind() == ControlKind::ComboBox) height = std::max(height, 200);
    return RECT{S(f, c.Left()), S(f, c.Top()), S(f, c.Left() + c.Width()), S(f, c.Top() + height)};
  }

  // ---- controls

  void CreateControl(Control& c) override {
    HWND parent = H(c.Owner().Handle);
    if (!parent) return;
    const wchar_t* cls = L"STATIC";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD ex = 0;
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

  static bool StartsGroup(const Control& c) {
    if (c.Kind() != ControlKind::RadioButton) return true;
    const auto& all = c.Owner().Controls();
    auto it = std::find(all.begin(), all.end(), &c);
    if (it == all.begin() || it == all.end()) return true;
    // (The radio button's own members do not exist yet while the base
    // creates the native control, so its Group cannot be read here.)
    return (*(it - 1))->Kind() != ControlKind::RadioButton;
  }

  void FocusControl(Control& c) override {
    HWND h = H(c.Handle);
    HWND form = H(c.Owner().Handle);
    if (h && form && IsWindowVisible(form) && GetActiveWindow() == form) ::SetFocus(h);
  }

  // Gives the focus back to the control that had it, or to the first tab
  // stop, as a dialog box does when it is activated.
  static void RestoreFocus(Form& f) {
    Control* c = f.ActiveControl();
    if (!c || !c->Enabled() || !c->Visible() || !c->Handle) c = f.FirstTabStop();
    if (!c || !c->Handle) return;
    f.NativeSetActiveControl(c);
    ::SetFocus(H(c->Handle));
  }

  static Control* FocusedControl(HWND root) {
    HWND h = GetFocus();
    // A control's own child windows (a combo box's edit) count as the control.
    for (; h && h != root; h = GetParent(h))
      if (Control* c = ControlOf(h)) return c;
    return nullptr;
  }

  // Tab and Shift+Tab to the next or previous enabled, visible tab stop.
  static void TabTo(HWND root, bool back) {
    HWND focus = GetFocus();
    Control* from = FocusedControl(root);
    HWND next = GetNextDlgTabItem(root, from ? H(from->Handle) : nullptr, back ? TRUE : FALSE);
    if (!next || next == focus) return;
    if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(next, EM_SETSEL, 0, -1);
    ::SetFocus(next);
  }

  bool GridCellBounds(const Grid& g, int col, int row, int& l, int& t, int& w,
                      int& h) const override {
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

  // An icon (with its transparency) from 0xRRGGBB pixels, stretched to
  // size x size.
  static HICON IconFromPixels(const std::vector<Color>& pixels, int from, int size) {
    const std::vector<Color> px = StretchPixels(pixels, from, from, size, size);
    BITMAPINFO bi = SquareBitmap(size);
    void* bits = nullptr;
    HBITMAP colour = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!colour || !bits) {
      if (colour) DeleteObject(colour);
      return nullptr;
    }
    // The mask: one bit per pixel, rows padded to 16 bits; 1 is see-through.
    const int stride = ((size + 15) / 16) * 2;
    std::vector<BYTE> mask(static_cast<std::size_t>(stride) * static_cast<std::size_t>(size), 0);
    auto* out = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const Color c = px[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x)];
        const bool clear = c == clTransparent;
        out[y * size + x] = clear ? 0 : (0xFF000000u | (c & 0xFFFFFF));
        if (clear) mask[static_cast<std::size_t>(y * stride + x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
      }
    }
    HBITMAP maskBitmap = CreateBitmap(size, size, 1, 1, mask.data());
    ICONINFO ii{};
    ii.fIcon = TRUE;
    ii.hbmMask = maskBitmap;
    ii.hbmColor = colour;
    HICON icon = CreateIconIndirect(&ii);
    DeleteObject(maskBitmap);
    DeleteObject(colour);
    return icon;
  }

  void UpdateGlyph(Button& b) {
    HWND h = H(b.Handle);
    auto old = glyphs_.find(&b);
    HICON icon = nullptr;
    if (b.GlyphSize() > 0) icon = IconFromPixels(b.Glyph(), b.GlyphSize(), S(b.Owner(), b.GlyphSize()));
    LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE) & ~static_cast<LONG_PTR>(BS_ICON | BS_BITMAP);
    SetWindowLongPtrW(h, GWL_STYLE, icon ? style | BS_ICON : style);
    SendMessageW(h, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    if (old != glyphs_.end()) {
      DestroyIcon(old->second);
      glyphs_.erase(old);
    }
    if (icon) glyphs_[&b] = icon;
    InvalidateRect(h, nullptr, TRUE);
  }

  void DestroyControl(Control& c) override {
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

  void ControlChanged(Control& c, Change what) override {
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

  // ---- message loop

  void Pump() override {
    // Long work pumps every few bytes, far more often than anything can
    // arrive, and under some window systems even asking whether anything is
    // queued is a round trip to a server. Within the same millisecond as the
    // last pump there is nothing new worth that: a message waits at most
    // until the clock moves (or until a few thousand pumps later, should
    // the tick stand still).
    const DWORD tick = GetTickCount();
    if (tick == lastPumpTick_ && ++pumpsThisTick_ < kPumpsPerTick) return;
    lastPumpTick_ = tick;
    pumpsThisTick_ = 0;
    SendPendingProgress();
    // Asking whether anything is queued is cheaper than an empty
    // PeekMessage (which also flushes the window surfaces and polls the
    // display): long work pumps every few bytes and the queue is nearly
    // always empty. Every so often the full pump runs regardless, so input
    // that is still on its way from the display system gets read in.
    if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0 && ++emptyChecks_ < kFullPumpEvery) return;
    emptyChecks_ = 0;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        App().Terminate();
        continue;
      }
      Process(m);
    }
  }

  void Run() override {
    MSG m;
    while (!App().Terminated()) {
      BOOL r = GetMessageW(&m, nullptr, 0, 0);
      if (r <= 0) break;
      Process(m);
    }
  }

  void Wake() override { PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0); }

  bool LoadIconPixels(const std::string& resourceName, int size, std::vector<Color>& out) override {
    HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), W(resourceName).c_str(),
                                               IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    if (!icon) return false;
    BITMAPINFO bi = SquareBitmap(size);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bmp && bits) {
      HGDIOBJ old = SelectObject(dc, bmp);
      RECT rc{0, 0, size, size};
      FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      ok = DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL) != FALSE;
      GdiFlush();
      const auto* px = static_cast<const std::uint32_t*>(bits);
      out.assign(px, px + static_cast<std::size_t>(size) * size);
      for (Color& c : out) c &= 0xFFFFFF;  // BGRA in memory is 0xAARRGGBB
      SelectObject(dc, old);
    }
    if (bmp) DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    DestroyIcon(icon);
    return ok;
  }

 private:
  // Changes made by the program raise notifications that are not the user's.
  struct Quiet {
    explicit Quiet(Win32Backend& b) : b_(b) { ++b_.quiet_; }
    ~Quiet() { --b_.quiet_; }
    Win32Backend& b_;
  };

  static Win32Backend* self_;
  static constexpr unsigned kFullPumpEvery = 16;
  unsigned emptyChecks_ = 0;
  static constexpr unsigned kPumpsPerTick = 4096;
  DWORD lastPumpTick_ = 0;
  unsigned pumpsThisTick_ = 0;

  // A bar whose position moves many times a second (once per element of a
  // page) is repainted at most once a frame: a new position makes the bar
  // repaint itself at once, which costs most of a millisecond on some window
  // systems, and even holding its drawing off while setting it costs a
  // window style change each time. A position that comes within a frame of
  // the last one sent waits, and the first pump after the frame sends the
  // latest; a new range goes out at once with the position.
  static constexpr DWORD kProgressFrameMs = 30;
  std::map<const Control*, DWORD> progressPaintedAt_;
  std::vector<Control*> pendingProgress_;

  void SendProgress(Control& c, bool now) {
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

  void SendPendingProgress() {
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

  void Process(MSG& m) {
    if (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) {
      HWND root = m.hwnd ? GetAncestor(m.hwnd, GA_ROOT) : nullptr;
      if (Form* f = FormOf(root)) {
        const bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
        const int key = static_cast<int>(m.wParam);
        if (down) {
          f->NativeSetActiveControl(FocusedControl(root));
          const bool ctrl = GetKeyState(VK_CONTROL) < 0;
          if (f->KeyDown(ctrl ? key | kKeyCtrl : key)) return;
          if (key == VK_TAB && !ctrl && GetKeyState(VK_MENU) >= 0) {
            TabTo(root, GetKeyState(VK_SHIFT) < 0);
            return;
          }
          // Alt+F4 closes the window whichever control has the focus (a
          // combo box would keep it for itself).
          if (key == VK_F4 && m.message == WM_SYSKEYDOWN) {
            PostMessageW(root, WM_SYSCOMMAND, SC_CLOSE, 0);
            return;
          }
        }
        // Arrow keys within a radio group and Space on buttons, as a dialog
        // box has them. Enter and Escape were the form's; their characters
        // go to the control.
        if (key != VK_RETURN && key != VK_ESCAPE && key != VK_TAB && IsDialogMessageW(root, &m))
          return;
      }
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }

  HFONT FormFont(const Form& f) {
    return Font(f.Font().Name, S(f, f.Font().SizePx), f.Font().Bold, f.Font().Underline);
  }

  HFONT Font(const std::string& name, int sizePx, bool bold, bool underline) {
    auto key = std::make_tuple(name, sizePx, bold, underline);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    HFONT f = CreateFontW(-sizePx, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline ? TRUE : FALSE,
                          FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, W(name).c_str());
    fonts_[key] = f;
    return f;
  }

  HFONT FontOf(const Form& f, const FontInfo& font) {
    return Font(font.Name.empty() ? f.Font().Name : font.Name, S(f, font.SizePx), font.Bold,
                font.Underline);
  }

  void ApplyFont(Control& c) {
    if (HWND h = H(c.Handle))
      SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(c.Owner(), c.Font())), TRUE);
  }

  void ApplyRegion(Form& f) {
    HWND h = H(f.Handle);
    if (!h) return;
    if (f.CornerRadius() <= 0 || f.Style() != FormStyle::Borderless) {
      SetWindowRgn(h, nullptr, TRUE);
      return;
    }
    int r = S(f, f.CornerRadius()) * 2;
    // The system owns the region once it is set.
    SetWindowRgn(h, CreateRoundRectRgn(0, 0, S(f, f.ClientWidth()) + 1, S(f, f.ClientHeight()) + 1, r, r),
                 TRUE);
  }

  // A transparent label draws only its text: whatever it showed before must
  // be painted over by the face first.
  void RedrawBehind(Control& c) {
    HWND parent = H(c.Owner().Handle);
    if (!parent) return;
    const Form& f = c.Owner();
    RECT rc{S(f, c.Left()), S(f, c.Top()), S(f, c.Left() + c.Width()), S(f, c.Top() + c.Height())};
    RedrawWindow(parent, &rc, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }

  void UpdateHint(Control& c) {
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

  static void SetListText(HWND h, int item, int sub, const std::string& text, bool insert) {
    std::wstring w = W(text);
    LVITEMW it{};
    it.mask = LVIF_TEXT;
    it.iItem = item;
    it.iSubItem = sub;
    it.pszText = w.data();
    SendMessageW(h, insert ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, insert ? 0 : item,
                 reinterpret_cast<LPARAM>(&it));
  }

  static void SetCheckState(HWND h, int item, bool on) {
    LVITEMW it{};
    it.stateMask = LVIS_STATEIMAGEMASK;
    it.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
    SendMessageW(h, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&it));
  }

  static void SetSelected(HWND h, int item) {
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

  void UpdateValue(Control& c, Change what) {
    HWND h = H(c.Handle);
    switch (c.Kind()) {
      case ControlKind::ProgressBar: {
        // The range is sent only when it differs from the bar's own, since
        // setting it may repaint the bar even when it is the same.
        auto& p = static_cast<ProgressBar&>(c);
        PBRANGE range{};
        SendMessageW(h, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
        const bool newRange = range.iLow != p.Min() || range.iHigh != p.Max();
        if (newRange) SendMessageW(h, PBM_SETRANGE32, p.Min(), p.Max());
        SendProgress(c, newRange);
        break;
      }
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
        if (what == Change::Items) {
          SendMessageW(h, LVM_DELETEALLITEMS, 0, 0);
          for (int i = 0; i < cl.Count(); ++i)
            SetListText(h, i, 0, cl.Items()[static_cast<std::size_t>(i)], true);
        }
        for (int i = 0; i < cl.Count(); ++i) SetCheckState(h, i, cl.Checked(i));
        SetSelected(h, cl.ItemIndex());
        break;
      }
      case ControlKind::Grid: {
        auto& g = static_cast<Grid&>(c);
        if (what == Change::Items) {
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
        SetSelected(h, g.Row());
        break;
      }
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

  void PaintFace(Form& f, HDC dc) {
    RECT rc;
    GetClientRect(H(f.Handle), &rc);
    const int w = rc.right, h = rc.bottom;
    if (w <= 0 || h <= 0) return;
    // The face is drawn once into a bitmap and copied from there, so that a
    // label's repaint costs no gradient.
    Face& face = faces_[&f];
    if (!face.Bitmap || face.W != w || face.H != h) {
      if (face.Bitmap) DeleteObject(face.Bitmap);
      face.Bitmap = CreateCompatibleBitmap(dc, w, h);
      face.W = w;
      face.H = h;
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, face.Bitmap);
      RECT all{0, 0, w, h};
      FillRect(mem, &all, GetSysColorBrush(COLOR_BTNFACE));
      GdiCanvas canvas(mem, Dpi(f), [this, &f](const FontInfo& s) { return FontOf(f, s); });
      App().Dispatch([&] { f.OnPaint(canvas); });
      SelectObject(mem, old);
      DeleteDC(mem);
    }
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, face.Bitmap);
    BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
  }

  // User input on a control, from WM_COMMAND.
  void Command(Control& c, int code) {
    if (quiet_ > 0) return;
    HWND h = H(c.Handle);
    switch (c.Kind()) {
      case ControlKind::Button:
        if (code == BN_CLICKED) c.Click();
        break;
      case ControlKind::Label:
        if (code == STN_CLICKED) c.Click();
        break;
      case ControlKind::CheckBox:
        if (code == BN_CLICKED) {
          static_cast<CheckBox&>(c).NativeSetChecked(SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED);
          App().Dispatch(c.OnChange);
          App().Dispatch(c.OnClick);
        }
        break;
      case ControlKind::RadioButton:
        if (code == BN_CLICKED) {
          auto& r = static_cast<RadioButton&>(c);
          bool was = r.Checked();
          r.SetChecked(true);
          if (!was) App().Dispatch(c.OnChange);
          App().Dispatch(c.OnClick);
        }
        break;
      case ControlKind::ComboBox:
        if (code == CBN_SELCHANGE) {
          static_cast<ComboBox&>(c).NativeSetItemIndex(static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0)));
          App().Dispatch(c.OnChange);
        }
        break;
      case ControlKind::Edit:
      case ControlKind::Memo:
        if (code == EN_SETFOCUS || code == EN_KILLFOCUS) {
          if (c.Kind() == ControlKind::Edit) {
            if (Button* b = static_cast<Edit&>(c).DefaultButton; b && b->Handle)
              SendMessageW(H(b->Handle), BM_SETSTYLE,
                           code == EN_SETFOCUS ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
          }
        } else if (code == EN_CHANGE) {
          c.NativeSetCaption(WindowText(h));
          App().Dispatch(c.OnChange);
        }
        break;
      default:
        break;
    }
  }

  void Notify(Control& c, NMHDR* hdr) {
    if (quiet_ > 0 || hdr->code != LVN_ITEMCHANGED) return;
    auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
    if (!(nm->uChanged & LVIF_STATE) || nm->iItem < 0) return;
    const bool nowSelected = (nm->uNewState & LVIS_SELECTED) != 0;
    const bool selChanged = ((nm->uNewState ^ nm->uOldState) & LVIS_SELECTED) != 0;
    if (c.Kind() == ControlKind::CheckList) {
      auto& cl = static_cast<CheckList&>(c);
      if (((nm->uNewState ^ nm->uOldState) & LVIS_STATEIMAGEMASK) && (nm->uOldState & LVIS_STATEIMAGEMASK)) {
        cl.NativeSetChecked(nm->iItem, ((nm->uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2);
        App().Dispatch(cl.OnClickCheck);
      }
      if (selChanged && nowSelected) {
        cl.NativeSetItemIndex(nm->iItem);
        App().Dispatch(cl.OnClick);
      }
    } else if (c.Kind() == ControlKind::Grid) {
      if (selChanged && nowSelected) {
        static_cast<Grid&>(c).NativeSetRow(nm->iItem);
        App().Dispatch(c.OnClick);
      }
    }
  }

  // A list shows its selection in the highlight colours also while another
  // control has the focus (a found entry must stand out, not sit in grey).
  static LRESULT SelectionAlwaysHighlighted(NMLVCUSTOMDRAW* cd) {
    if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    HWND list = cd->nmcd.hdr.hwndFrom;
    const auto item = static_cast<WPARAM>(cd->nmcd.dwItemSpec);
    if (GetFocus() == list || !(SendMessageW(list, LVM_GETITEMSTATE, item, LVIS_SELECTED) & LVIS_SELECTED))
      return CDRF_DODEFAULT;
    cd->nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
    cd->clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    cd->clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
    return CDRF_NEWFONT;
  }

  LRESULT ColourStatic(Form& f, HDC dc, HWND child) {
    Control* c = ControlOf(child);
    Color text = c ? c->Font().Colour : clDefault;
    SetTextColor(dc, text == clDefault ? GetSysColor(COLOR_WINDOWTEXT) : Ref(text));
    if (c && f.OnPaint && (c->Kind() != ControlKind::Label || static_cast<Label*>(c)->Transparent)) {
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }

  static LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Form* f = FormOf(hwnd);
    Win32Backend* self = self_;
    if (!f || !self) return DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
      case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) {
          if (Control* c = FocusedControl(hwnd)) f->NativeSetActiveControl(c);
          return 0;
        }
        PostMessageW(hwnd, kMsgActivate, 0, 0);
        if (HIWORD(wp)) break;  // minimised: no focus to give
        RestoreFocus(*f);
        return 0;
      case WM_SETFOCUS:
        // The focus came to the window itself (a box owned by it closed).
        RestoreFocus(*f);
        return 0;
      case kMsgActivate:
        // A hidden window's activation is none the user sees; showing the
        // window brings its own.
        if (IsWindowVisible(hwnd)) f->Activate();
        return 0;
      case WM_CLOSE:
        f->Close();
        return 0;
      case WM_ERASEBKGND:
        if (f->OnPaint) {
          self->PaintFace(*f, reinterpret_cast<HDC>(wp));
          return 1;
        }
        if (f->BackColor() != clDefault) {
          RECT rc;
          GetClientRect(hwnd, &rc);
          HBRUSH br = CreateSolidBrush(Ref(f->BackColor()));
          FillRect(reinterpret_cast<HDC>(wp), &rc, br);
          DeleteObject(br);
          return 1;
        }
        break;
      case WM_NCHITTEST: {
        LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
        if (f->OnNcHitTest) {
          int answer = static_cast<int>(r);
          App().Dispatch([&] { answer = f->OnNcHitTest(static_cast<int>(r)); });
          return answer;
        }
        return r;
      }
      case WM_SIZE:
        f->NativeSetMinimized(wp == SIZE_MINIMIZED);
        if (wp != SIZE_MINIMIZED) {
          const int dpi = self->Dpi(*f);
          f->NativeResized(Unscaled(LOWORD(lp), dpi), Unscaled(HIWORD(lp), dpi));
        }
        break;
      case WM_DPICHANGED: {
        // Moved to a monitor of another DPI: the system suggests the new
        // window rectangle; fonts and controls follow.
        self->dpi_[f] = HIWORD(wp);
        const RECT* at = reinterpret_cast<const RECT*>(lp);
        SetWindowPos(hwnd, nullptr, at->left, at->top, at->right - at->left, at->bottom - at->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        self->ApplyRegion(*f);
        self->DropFace(*f);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(self->FormFont(*f)), FALSE);
        for (Control* c : f->Controls()) {
          self->ControlChanged(*c, Change::Bounds);
          self->ApplyFont(*c);
          if (c->Kind() == ControlKind::Grid || c->Kind() == ControlKind::CheckList)
            self->UpdateValue(*c, Change::Items);
          if (c->Kind() == ControlKind::Button) self->UpdateValue(*c, Change::Pixels);
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
      }
      case WM_GETMINMAXINFO:
        if (f->MinClientWidth > 0 || f->MinClientHeight > 0) {
          RECT rc = self->OuterRect(*f, f->MinClientWidth, f->MinClientHeight);
          auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
          mm->ptMinTrackSize.x = std::max<LONG>(mm->ptMinTrackSize.x, rc.right - rc.left);
          mm->ptMinTrackSize.y = std::max<LONG>(mm->ptMinTrackSize.y, rc.bottom - rc.top);
          return 0;
        }
        break;
      case WM_COMMAND:
        if (Control* c = ControlOf(reinterpret_cast<HWND>(lp))) {
          self->Command(*c, HIWORD(wp));
          return 0;
        }
        if (LOWORD(wp) == IDCANCEL) {
          f->KeyDown(kKeyEscape);
          return 0;
        }
        break;
      case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        Control* c = ControlOf(hdr->hwndFrom);
        if (c && hdr->code == NM_CUSTOMDRAW && c->Kind() == ControlKind::CheckList)
          return SelectionAlwaysHighlighted(reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
        if (c) self->Notify(*c, hdr);
        break;
      }
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
        return self->ColourStatic(*f, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
      case WM_SETCURSOR:
        if (Control* c = ControlOf(reinterpret_cast<HWND>(wp))) {
          if (c->HandCursor()) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
          }
        }
        break;
      default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  // A label is drawn on the form's face: a press on one that neither answers
  // clicks nor shows a hint goes to the window behind it, so a borderless
  // window drags from its labels as from the rest of its background.
  static LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                    DWORD_PTR) {
    if (msg == WM_NCHITTEST) {
      Control* c = ControlOf(hwnd);
      if (c && !c->OnClick && c->Hint().empty() && !c->HandCursor()) return HTTRANSPARENT;
    } else if (msg == WM_NCDESTROY) {
      RemoveWindowSubclass(hwnd, LabelProc, 0);
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
  }

  // Tells the grid's owner when the rows moved under a cell editor.
  static LRESULT CALLBACK GridProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_NCDESTROY) {
      RemoveWindowSubclass(hwnd, GridProc, 0);
      return DefSubclassProc(hwnd, msg, wp, lp);
    }
    LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
    if (msg == WM_VSCROLL || msg == WM_HSCROLL || msg == WM_MOUSEWHEEL || msg == WM_SIZE ||
        (msg == WM_KEYDOWN && (wp == VK_NEXT || wp == VK_PRIOR || wp == VK_HOME || wp == VK_END))) {
      auto* g = static_cast<Grid*>(ControlOf(hwnd));
      if (g && g->OnScroll && self_ && self_->quiet_ == 0) App().Dispatch(g->OnScroll);
    }
    return r;
  }

  static LRESULT CALLBACK PictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      auto* p = static_cast<Picture*>(ControlOf(hwnd));
      if (p && p->PixelWidth() > 0 && p->PixelHeight() > 0) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = p->PixelWidth();
        bi.bmiHeader.biHeight = -p->PixelHeight();
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        SetStretchBltMode(dc, COLORONCOLOR);  // plain copy, no smoothing
        StretchDIBits(dc, 0, 0, rc.right, rc.bottom, 0, 0, p->PixelWidth(), p->PixelHeight(),
                      p->Pixels().data(), &bi, DIB_RGB_COLORS, SRCCOPY);
      } else {
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    if (msg == WM_NCHITTEST) return HTTRANSPARENT;
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  struct Face {
    HBITMAP Bitmap = nullptr;
    int W = 0, H = 0;
  };

  std::map<std::tuple<std::string, int, bool, bool>, HFONT> fonts_;
  std::map<const Form*, HWND> tips_;
  std::map<const Form*, Face> faces_;
  std::map<const Form*, int> dpi_;
  std::map<const Control*, HICON> glyphs_;
  int quiet_ = 0;
};

Win32Backend* Win32Backend::self_ = nullptr;

}  // namespace

std::unique_ptr<Backend> CreateWin32Backend() { return std::make_unique<Win32Backend>(); }

}  // namespace kc::ui
