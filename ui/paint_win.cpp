// The Win32 backend's painting: a form's painted face, button and
// picture pixels, the colours behind labels, rounded window regions.
#include <algorithm>
#include <cstdint>
#include <functional>

#include "ui/backend_win.h"

namespace kc::ui::win32 {

namespace {

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

}  // namespace

void Win32Backend::PaintFace(Form& f, HDC dc) {
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

// A form's background: its painted face, or its own colour; false leaves it
// to the system's.
bool Win32Backend::EraseBackground(Form& f, HWND hwnd, HDC dc) {
  if (f.OnPaint) {
    PaintFace(f, dc);
    return true;
  }
  if (f.BackColor() == clDefault) return false;
  RECT rc;
  GetClientRect(hwnd, &rc);
  HBRUSH br = CreateSolidBrush(Ref(f.BackColor()));
  FillRect(dc, &rc, br);
  DeleteObject(br);
  return true;
}

void Win32Backend::DropFace(const Form& f) {
  auto it = faces_.find(&f);
  if (it == faces_.end()) return;
  if (it->second.Bitmap) DeleteObject(it->second.Bitmap);
  faces_.erase(it);
}

LRESULT Win32Backend::ColourStatic(Form& f, HDC dc, HWND child) {
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

// A list shows its selection in the highlight colours also while another
// control has the focus (a found entry must stand out, not sit in grey).
LRESULT Win32Backend::SelectionAlwaysHighlighted(NMLVCUSTOMDRAW* cd) {
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

void Win32Backend::ApplyRegion(Form& f) {
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
void Win32Backend::RedrawBehind(Control& c) {
  HWND parent = H(c.Owner().Handle);
  if (!parent) return;
  const Form& f = c.Owner();
  RECT rc{S(f, c.Left()), S(f, c.Top()), S(f, c.Left() + c.Width()), S(f, c.Top() + c.Height())};
  RedrawWindow(parent, &rc, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// An icon (with its transparency) from 0xRRGGBB pixels, stretched to
// size x size.
HICON Win32Backend::IconFromPixels(const std::vector<Color>& pixels, int from, int size) {
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

void Win32Backend::UpdateGlyph(Button& b) {
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

bool Win32Backend::LoadIconPixels(const std::string& resourceName, int size, std::vector<Color>& out) {
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

}  // namespace kc::ui::win32
