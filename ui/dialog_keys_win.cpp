// The Win32 backend's message loop and keyboard: Tab, arrows in a radio
// group, Space, Enter and Escape as a dialog box has them, and the focus
// a window gives back when it is activated.
#include <algorithm>

#include "ui/backend_win.h"

namespace kc::ui::win32 {

void Win32Backend::Pump() {
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

void Win32Backend::Run() {
  MSG m;
  while (!App().Terminated()) {
    BOOL r = GetMessageW(&m, nullptr, 0, 0);
    if (r <= 0) break;
    Process(m);
  }
}

void Win32Backend::Wake() { PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0); }

void Win32Backend::Process(MSG& m) {
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

bool Win32Backend::StartsGroup(const Control& c) {
  if (c.Kind() != ControlKind::RadioButton) return true;
  const auto& all = c.Owner().Controls();
  auto it = std::find(all.begin(), all.end(), &c);
  if (it == all.begin() || it == all.end()) return true;
  // (The radio button's own members do not exist yet while the base
  // creates the native control, so its Group cannot be read here.)
  return (*(it - 1))->Kind() != ControlKind::RadioButton;
}

void Win32Backend::FocusControl(Control& c) {
  HWND h = H(c.Handle);
  HWND form = H(c.Owner().Handle);
  if (h && form && IsWindowVisible(form) && GetActiveWindow() == form) ::SetFocus(h);
}

// Gives the focus back to the control that had it, or to the first tab
// stop, as a dialog box does when it is activated.
void Win32Backend::RestoreFocus(Form& f) {
  Control* c = f.ActiveControl();
  if (!c || !c->Enabled() || !c->Visible() || !c->Handle) c = f.FirstTabStop();
  if (!c || !c->Handle) return;
  f.NativeSetActiveControl(c);
  ::SetFocus(H(c->Handle));
}

Control* Win32Backend::FocusedControl(HWND root) {
  HWND h = GetFocus();
  // A control's own child windows (a combo box's edit) count as the control.
  for (; h && h != root; h = GetParent(h))
    if (Control* c = ControlOf(h)) return c;
  return nullptr;
}

// Tab and Shift+Tab to the next or previous enabled, visible tab stop.
void Win32Backend::TabTo(HWND root, bool back) {
  HWND focus = GetFocus();
  Control* from = FocusedControl(root);
  HWND next = GetNextDlgTabItem(root, from ? H(from->Handle) : nullptr, back ? TRUE : FALSE);
  if (!next || next == focus) return;
  if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(next, EM_SETSEL, 0, -1);
  ::SetFocus(next);
}

}  // namespace kc::ui::win32
