// The Win32 backend of the control set (Windows build only): real windows
// and common controls. All text is converted from code page 932 to UTF-16
// and handed to the wide APIs, so Japanese shows right whatever the system's
// ANSI code page. The class is one object; its parts live by concern:
//   controls_win.cpp      forms and controls made, changed and destroyed
//   window_procs_win.cpp  the window classes and their procedures
//   dialog_keys_win.cpp   the message loop, focus and the dialog keys
//   dpi_win.cpp           sizes and places scaled to each window's DPI
//   paint_win.cpp         painted faces, icons, colours and regions
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "ui/controls.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace kc::ui::win32 {

constexpr UINT kMsgActivate = WM_APP + 1;
constexpr wchar_t kFormClass[] = L"KanaliaForm";
constexpr wchar_t kPictureClass[] = L"KanaliaPicture";
constexpr wchar_t kFormProp[] = L"KanaliaForm";
constexpr wchar_t kControlProp[] = L"KanaliaControl";

std::wstring W(const std::string& sjis);
std::string FromW(const std::wstring& w);
std::string WindowText(HWND h);

inline COLORREF Ref(Color c) { return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }
inline HWND H(const void* handle) { return static_cast<HWND>(const_cast<void*>(handle)); }
inline Form* FormOf(HWND h) { return h ? static_cast<Form*>(GetPropW(h, kFormProp)) : nullptr; }
inline Control* ControlOf(HWND h) {
  return h ? static_cast<Control*>(GetPropW(h, kControlProp)) : nullptr;
}

DWORD StyleOf(const Form& f);
DWORD ExStyleOf(const Form& f);

// The control layer counts in pixels at 96 DPI; windows are drawn at their
// own DPI, so every size and position is scaled on its way to the system.
inline int Scaled(int v, int dpi) { return MulDiv(v, dpi, 96); }
inline int Unscaled(int v, int dpi) { return MulDiv(v, 96, dpi); }
int SystemDpi();
int WindowDpi(HWND h);

class Win32Backend : public Backend {
 public:
  Win32Backend();
  ~Win32Backend() override;

  BackendKind Kind() const override { return BackendKind::Win32; }

  void CreateForm(Form& f) override;
  void DestroyForm(Form& f) override;
  void FormChanged(Form& f, Change what) override;
  void ShowForm(Form& f, bool show) override;
  void MinimizeForm(Form& f) override;
  void RepaintForm(Form& f) override;
  void SetFormPosition(Form& f, int left, int top) override;
  bool GetFormPosition(const Form& f, int& left, int& top) const override;
  void GetScreenSize(int& w, int& h) const override;
  void GetFormOuterSize(const Form& f, int& w, int& h) const override;

  void CreateControl(Control& c) override;
  void DestroyControl(Control& c) override;
  void ControlChanged(Control& c, Change what) override;
  void FocusControl(Control& c) override;
  bool GridCellBounds(const Grid& g, int col, int row, int& l, int& t, int& w,
                      int& h) const override;

  void Pump() override;
  void Run() override;
  void Wake() override;
  bool LoadIconPixels(const std::string& resourceName, int size, std::vector<Color>& out) override;

 private:
  // Changes made by the program raise notifications that are not the user's.
  struct Quiet {
    explicit Quiet(Win32Backend& b) : b_(b) { ++b_.quiet_; }
    ~Quiet() { --b_.quiet_; }
    Win32Backend& b_;
  };

  struct Face {
    HBITMAP Bitmap = nullptr;
    int W = 0, H = 0;
  };

  // controls_win.cpp
  HFONT FormFont(const Form& f);
  HFONT Font(const std::string& name, int sizePx, bool bold, bool underline);
  HFONT FontOf(const Form& f, const FontInfo& font);
  void ApplyFont(Control& c);
  void UpdateHint(Control& c);
  static void NativeClass(const Control& c, const wchar_t*& cls, DWORD& style, DWORD& ex);
  static void SetListText(HWND h, int item, int sub, const std::string& text, bool insert);
  static void SetCheckState(HWND h, int item, bool on);
  static void SetSelected(HWND h, int item);
  void UpdateValue(Control& c, Change what);
  void UpdateProgress(Control& c);
  void FillCheckList(CheckList& cl);
  void FillGrid(Grid& g);
  void SendProgress(Control& c, bool now);
  void SendPendingProgress();

  // window_procs_win.cpp
  static LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static std::optional<LRESULT> FocusMessage(Form& f, HWND hwnd, UINT msg, WPARAM wp);
  std::optional<LRESULT> FrameMessage(Form& f, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  std::optional<LRESULT> ControlMessage(Form& f, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                    DWORD_PTR);
  static LRESULT CALLBACK GridProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR);
  static LRESULT CALLBACK PictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Command(Control& c, int code);
  void Notify(Control& c, NMHDR* hdr);

  // dialog_keys_win.cpp
  void Process(MSG& m);
  static bool StartsGroup(const Control& c);
  static void RestoreFocus(Form& f);
  static Control* FocusedControl(HWND root);
  static void TabTo(HWND root, bool back);

  // dpi_win.cpp
  int Dpi(const Form& f) const {
    auto it = dpi_.find(&f);
    return it == dpi_.end() ? 96 : it->second;
  }
  int S(const Form& f, int v) const { return Scaled(v, Dpi(f)); }
  RECT OuterRect(const Form& f, int w, int h) const;
  RECT ControlRect(const Control& c) const;
  void DpiChanged(Form& f, HWND hwnd, int dpi, const RECT& at);
  bool MinTrackSize(const Form& f, MINMAXINFO& mm) const;

  // paint_win.cpp
  void PaintFace(Form& f, HDC dc);
  bool EraseBackground(Form& f, HWND hwnd, HDC dc);
  void DropFace(const Form& f);
  LRESULT ColourStatic(Form& f, HDC dc, HWND child);
  static LRESULT SelectionAlwaysHighlighted(NMLVCUSTOMDRAW* cd);
  void ApplyRegion(Form& f);
  void RedrawBehind(Control& c);
  static HICON IconFromPixels(const std::vector<Color>& pixels, int from, int size);
  void UpdateGlyph(Button& b);

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

  std::map<std::tuple<std::string, int, bool, bool>, HFONT> fonts_;
  std::map<const Form*, HWND> tips_;
  std::map<const Form*, Face> faces_;
  std::map<const Form*, int> dpi_;
  std::map<const Control*, HICON> glyphs_;
  int quiet_ = 0;
};

}  // namespace kc::ui::win32
