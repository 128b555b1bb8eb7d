// The Win32 backend's window classes and their procedures: what a message
// to a form or one of its controls becomes in the control set.
#include <algorithm>
#include <optional>

#include "ui/backend_win.h"

namespace kc::ui::win32 {

Win32Backend::Win32Backend() {
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

// A form's messages by what they concern: its activation and focus, its
// frame (size, DPI, hit test, background) and its controls. A group's
// handler answers with the message's result, or with nothing for the
// default procedure to handle.
LRESULT CALLBACK Win32Backend::FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Form* f = FormOf(hwnd);
  Win32Backend* self = self_;
  if (!f || !self) return DefWindowProcW(hwnd, msg, wp, lp);
  std::optional<LRESULT> answer;
  switch (msg) {
    case WM_ACTIVATE:
    case WM_SETFOCUS:
    case kMsgActivate:
    case WM_CLOSE:
      answer = FocusMessage(*f, hwnd, msg, wp);
      break;
    case WM_ERASEBKGND:
    case WM_NCHITTEST:
    case WM_SIZE:
    case WM_DPICHANGED:
    case WM_GETMINMAXINFO:
      answer = self->FrameMessage(*f, hwnd, msg, wp, lp);
      break;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_SETCURSOR:
      answer = self->ControlMessage(*f, msg, wp, lp);
      break;
    default:
      break;
  }
  return answer ? *answer : DefWindowProcW(hwnd, msg, wp, lp);
}

std::optional<LRESULT> Win32Backend::FocusMessage(Form& f, HWND hwnd, UINT msg, WPARAM wp) {
  switch (msg) {
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        if (Control* c = FocusedControl(hwnd)) f.NativeSetActiveControl(c);
        return 0;
      }
      PostMessageW(hwnd, kMsgActivate, 0, 0);
      if (HIWORD(wp)) return std::nullopt;  // minimised: no focus to give
      RestoreFocus(f);
      return 0;
    case WM_SETFOCUS:
      // The focus came to the window itself (a box owned by it closed).
      RestoreFocus(f);
      return 0;
    case kMsgActivate:
      // A hidden window's activation is none the user sees; showing the
      // window brings its own.
      if (IsWindowVisible(hwnd)) f.Activate();
      return 0;
    case WM_CLOSE:
      f.Close();
      return 0;
    default:
      return std::nullopt;
  }
}

std::optional<LRESULT> Win32Backend::FrameMessage(Form& f, HWND hwnd, UINT msg, WPARAM wp,
                                                  LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      if (EraseBackground(f, hwnd, reinterpret_cast<HDC>(wp))) return 1;
      return std::nullopt;
    case WM_NCHITTEST: {
      LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
      if (f.OnNcHitTest) {
        int answer = static_cast<int>(r);
        App().Dispatch([&] { answer = f.OnNcHitTest(static_cast<int>(r)); });
        return answer;
      }
      return r;
    }
    case WM_SIZE:
      f.NativeSetMinimized(wp == SIZE_MINIMIZED);
      if (wp != SIZE_MINIMIZED) {
        const int dpi = Dpi(f);
        f.NativeResized(Unscaled(LOWORD(lp), dpi), Unscaled(HIWORD(lp), dpi));
      }
      return std::nullopt;
    case WM_DPICHANGED:
      DpiChanged(f, hwnd, HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_GETMINMAXINFO:
      if (MinTrackSize(f, *reinterpret_cast<MINMAXINFO*>(lp))) return 0;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::optional<LRESULT> Win32Backend::ControlMessage(Form& f, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (Control* c = ControlOf(reinterpret_cast<HWND>(lp))) {
        Command(*c, HIWORD(wp));
        return 0;
      }
      if (LOWORD(wp) == IDCANCEL) {
        f.KeyDown(kKeyEscape);
        return 0;
      }
      return std::nullopt;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      Control* c = ControlOf(hdr->hwndFrom);
      if (c && hdr->code == NM_CUSTOMDRAW && c->Kind() == ControlKind::CheckList)
        return SelectionAlwaysHighlighted(reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
      if (c) Notify(*c, hdr);
      return std::nullopt;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ColourStatic(f, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_SETCURSOR:
      if (Control* c = ControlOf(reinterpret_cast<HWND>(wp))) {
        if (c->HandCursor()) {
          SetCursor(LoadCursorW(nullptr, IDC_HAND));
          return TRUE;
        }
      }
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// User input on a control, from WM_COMMAND.
void Win32Backend::Command(Control& c, int code) {
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

void Win32Backend::Notify(Control& c, NMHDR* hdr) {
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

// A label is drawn on the form's face: a press on one that neither answers
// clicks nor shows a hint goes to the window behind it, so a borderless
// window drags from its labels as from the rest of its background.
LRESULT CALLBACK Win32Backend::LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
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
LRESULT CALLBACK Win32Backend::GridProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
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

LRESULT CALLBACK Win32Backend::PictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
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

}  // namespace kc::ui::win32
