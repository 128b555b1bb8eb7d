// The windows of this program are classes that own controls as members and
// handle their events in methods named after component and event
// (ButtonStopClick, FormActivate). The controls are small objects holding
// their values; a backend chosen at run time gives them a face:
//   - Win32 (ui/*_win.cpp, Windows build only): real windows and common
//     controls. Text is converted from code page 932 to UTF-16 explicitly, so
//     it shows right whatever the system's ANSI code page is.
//   - Headless (controls_headless.cpp, both builds): plain values, plus an
//     event queue that fires queued presses, closes and keys at the Nth pump
//     of the message loop, so tests can hit exact points of a long run.
// There is one thread and one message loop; the application installs the
// backend's pump (kc::ScopedMessagePump) from Init to Shutdown, so
// kc::YieldToMessages runs queued events. What both backends share (the
// controls' values, Form, Application) is controls.cpp.
//
// Every event handler runs through Application::Dispatch: an exception that
// escapes a handler ends only that handler and goes to the application-wide
// exception handler; nothing escapes into the window system.
//
// All text here is Shift-JIS.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/stringlist.h"

namespace kc {
class ScopedMessagePump;
}

namespace kc::ui {

enum class BackendKind { Headless, Win32 };

using Color = std::uint32_t;  // 0xRRGGBB
constexpr Color clBlack = 0x000000;
constexpr Color clWhite = 0xFFFFFF;
constexpr Color clNavy = 0x000080;
constexpr Color clBlue = 0x0000FF;
constexpr Color clGray = 0x808080;
// "Default": the control's usual system colour.
constexpr Color clDefault = 0xFF000000u;
// A pixel that lets the background show through.
constexpr Color clTransparent = 0xFE000000u;

// Key codes as the window system numbers them.
constexpr int kKeyTab = 0x09;
constexpr int kKeyReturn = 0x0D;
constexpr int kKeyEscape = 0x1B;
constexpr int kKeyUp = 0x26;
constexpr int kKeyDown = 0x28;
constexpr int kKeyDelete = 0x2E;
// Added to the key code while Ctrl is held.
constexpr int kKeyCtrl = 0x10000;

struct FontInfo {
  std::string Name;  // empty: the form's font
  int SizePx = 12;   // character height in pixels
  Color Colour = clDefault;
  bool Bold = false;
  bool Underline = false;
};

class Form;
class Backend;
class Canvas;

enum class ControlKind {
  Label,
  Button,
  ProgressBar,
  CheckBox,
  RadioButton,
  ComboBox,
  Edit,
  Memo,
  CheckList,
  Grid,
  Picture,
};

// Edges of the form a control keeps its distance to when the form is
// resized. Left and right together stretch it; right alone moves it along.
enum Anchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

// What a setter changed, so the backend updates only that.
enum class Change { Text, Enabled, Visible, Bounds, Font, Hint, Value, Items, Pixels, Cursor };

// Base of every control. Controls are members of their form and register with
// it on construction; the backend creates the native control at once.
class Control {
 public:
  // creationFlags: what the native control must know when it is made
  // (kNoWordWrap); the derived control's own members do not exist yet then.
  Control(Form& owner, ControlKind kind, std::string name, int left, int top,
          int width, int height, unsigned creationFlags = 0);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  static constexpr unsigned kNoWordWrap = 1;
  const unsigned CreationFlags;

  ControlKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  Form& Owner() const { return owner_; }

  // Caption of labels, buttons, check boxes, radio buttons; the text of text
  // boxes.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& text);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  bool Visible() const { return visible_; }
  void SetVisible(bool on);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  const FontInfo& Font() const { return font_; }
  void SetFont(const FontInfo& font);
  bool HandCursor() const { return handCursor_; }
  void SetHandCursor(bool on);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Bounds at the form's present client size; a resize moves and stretches
  // the control from there by its anchors.
  void SetBounds(int left, int top, int width, int height);
  unsigned Anchors = akLeft | akTop;

  // Fired by a press (buttons, check boxes, radio buttons, labels).
  std::function<void()> OnClick;
  // Fired when the user changes the value (text, check, selection).
  std::function<void()> OnChange;

  // Presses the control as the user would: nothing happens while it is
  // disabled or hidden. Fires OnClick through the dispatcher.
  virtual void Click();

  // Gives the control the keyboard focus; while its window is hidden or
  // inactive, the window remembers it and gives it the focus when activated.
  void SetFocus();
  // Tab stops at controls the user operates (not labels, pictures or
  // progress bars), in the order they were created.
  bool TabStop() const;

  // Backend data (the native window under Win32).
  void* Handle = nullptr;

  // Backend only: a value changed in the native control (no notification
  // back to the backend).
  void NativeSetCaption(const std::string& text) { caption_ = text; }
  // Form only: the bounds for a client size of w x h.
  void FollowAnchors(int w, int h);

 protected:
  void Changed(Change what);

 private:
  Form& owner_;
  ControlKind kind_;
  std::string name_;
  int left_, top_, width_, height_;
  // The bounds last given and the client size they were given for.
  struct {
    int L, T, W, H, FormW, FormH;
  } given_;
  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  std::string hint_;
  FontInfo font_;
  bool handCursor_ = false;
};

struct Label : Control {
  Label(Form& f, std::string name, int l, int t, int w, int h, const std::string& caption = "")
      : Control(f, ControlKind::Label, std::move(name), l, t, w, h) {
    if (!caption.empty()) SetCaption(caption);
  }
  bool Transparent = true;  // drawn over the form's face
};

struct Button : Control {
  Button(Form& f, std::string name, int l, int t, int w, int h, const std::string& caption = "")
      : Control(f, ControlKind::Button, std::move(name), l, t, w, h) {
    if (!caption.empty()) SetCaption(caption);
  }
  // Escape presses the first enabled, visible cancel button of the form
  // (unless the form's key preview took the key).
  bool Cancel = false;
  bool Default = false;

  // A small square picture shown in place of the caption, which stays the
  // button's name for screen readers. Pixels 0xRRGGBB or clTransparent,
  // drawn at size x size pixels (at 96 DPI) with plain pixel copying.
  void SetGlyph(int size, std::vector<Color> pixels);
  int GlyphSize() const { return glyphSize_; }
  const std::vector<Color>& Glyph() const { return glyph_; }

 private:
  int glyphSize_ = 0;
  std::vector<Color> glyph_;
};

struct ProgressBar : Control {
  ProgressBar(Form& f, std::string name, int l, int t, int w, int h)
      : Control(f, ControlKind::ProgressBar, std::move(name), l, t, w, h) {}
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return pos_; }
  void SetMin(int v);
  void SetMax(int v);
  // Kept within Min..Max.
  void SetPosition(int v);

 private:
  int min_ = 0, max_ = 100, pos_ = 0;
};

struct CheckBox : Control {
  CheckBox(Form& f, std::string name, int l, int t, int w, int h, const std::string& caption = "")
      : Control(f, ControlKind::CheckBox, std::move(name), l, t, w, h) {
    if (!caption.empty()) SetCaption(caption);
  }
  bool Checked() const { return checked_; }
  void SetChecked(bool on);
  void Click() override;  // toggles, then OnChange and OnClick
  void NativeSetChecked(bool on) { checked_ = on; }

 private:
  bool checked_ = false;
};

struct RadioButton : Control {
  RadioButton(Form& f, std::string name, int l, int t, int w, int h,
              const std::string& caption = "", int group = 0)
      : Control(f, ControlKind::RadioButton, std::move(name), l, t, w, h), Group(group) {
    if (!caption.empty()) SetCaption(caption);
  }
  const int Group;  // radio buttons of one group exclude each other
  bool Checked() const { return checked_; }
  // Checking one clears the others of its group.
  void SetChecked(bool on);
  void Click() override;  // checks, then OnChange and OnClick
  void NativeSetChecked(bool on) { checked_ = on; }

 private:
  bool checked_ = false;
};

// A drop-down list (no free text).
struct ComboBox : Control {
  ComboBox(Form& f, std::string name, int l, int t, int w, int h)
      : Control(f, ControlKind::ComboBox, std::move(name), l, t, w, h) {}
  const StringList& Items() const { return items_; }
  void SetItems(const StringList& items);  // selection cleared
  int ItemIndex() const { return index_; }
  void SetItemIndex(int i);  // -1: none; out of range: none
  std::string Text() const;  // the selected item, empty when none
  // As the user would pick an item: sets the index and fires OnChange.
  void Select(int i);
  void NativeSetItemIndex(int i) { index_ = i; }

 private:
  StringList items_;
  int index_ = -1;
};

// A one-line text box; its text is Caption().
struct Edit : Control {
  Edit(Form& f, std::string name, int l, int t, int w, int h, const std::string& text = "")
      : Control(f, ControlKind::Edit, std::move(name), l, t, w, h) {
    if (!text.empty()) SetCaption(text);
  }
  bool ReadOnly = false;
  // Enter in this box presses the button, which shows as the default
  // button while the box has the focus.
  Button* DefaultButton = nullptr;
  // As the user would type: sets the text and fires OnChange.
  void UserSetText(const std::string& text);
};

// A multi-line text box; lines joined with CR LF in Caption().
struct Memo : Control {
  Memo(Form& f, std::string name, int l, int t, int w, int h, bool wordWrap = true)
      : Control(f, ControlKind::Memo, std::move(name), l, t, w, h, wordWrap ? 0 : kNoWordWrap) {}
  bool ReadOnly = false;
  StringList Lines() const;
  void SetLines(const StringList& lines);
  void UserSetText(const std::string& text);
};

// A list of items, each with a tick box.
struct CheckList : Control {
  CheckList(Form& f, std::string name, int l, int t, int w, int h)
      : Control(f, ControlKind::CheckList, std::move(name), l, t, w, h) {}
  const StringList& Items() const { return items_; }
  void SetItems(const StringList& items);  // all unticked, no selection
  int Count() const { return static_cast<int>(items_.size()); }
  bool Checked(int i) const;
  void SetChecked(int i, bool on);
  int ItemIndex() const { return index_; }
  void SetItemIndex(int i);
  // As the user would tick: toggles and fires OnClickCheck.
  void UserToggle(int i);
  std::function<void()> OnClickCheck;
  void NativeSetChecked(int i, bool on);
  void NativeSetItemIndex(int i) { index_ = i; }

 private:
  StringList items_;
  std::vector<bool> checked_;
  int index_ = -1;
};

// A table of text cells with a header row (read-only display for now).
struct Grid : Control {
  Grid(Form& f, std::string name, int l, int t, int w, int h)
      : Control(f, ControlKind::Grid, std::move(name), l, t, w, h) {}
  void SetColumns(const StringList& headers, const std::vector<int>& widths = {});
  const StringList& Columns() const { return headers_; }
  const std::vector<int>& ColumnWidths() const { return widths_; }
  int ColCount() const { return static_cast<int>(headers_.size()); }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  void SetRowCount(int n);
  std::string Cell(int col, int row) const;  // empty outside
  void SetCell(int col, int row, const std::string& text);  // grows the rows
  const std::vector<StringList>& Rows() const { return rows_; }
  // Every row at once, no row selected: the native list is filled once
  // rather than again after every cell.
  void SetRows(std::vector<StringList> rows);
  int Row() const { return row_; }  // selected row, -1 when none
  void SetRow(int r);
  void NativeSetRow(int r) { row_ = r; }
  // Where a cell shows, relative to the grid's top-left corner; false when
  // it is scrolled out of sight (or does not exist).
  bool CellBounds(int col, int row, int& left, int& top, int& width, int& height) const;
  // Fired after the rows scrolled or the grid changed size.
  std::function<void()> OnScroll;

 private:
  StringList headers_;
  std::vector<int> widths_;
  std::vector<StringList> rows_;
  int row_ = -1;
};

// A picture of 32-bit pixels (0xRRGGBB), shown stretched to the control's
// size with plain (nearest pixel) copying.
struct Picture : Control {
  Picture(Form& f, std::string name, int l, int t, int w, int h)
      : Control(f, ControlKind::Picture, std::move(name), l, t, w, h) {}
  int PixelWidth() const { return pw_; }
  int PixelHeight() const { return ph_; }
  const std::vector<Color>& Pixels() const { return pixels_; }
  void SetPixels(int w, int h, std::vector<Color> pixels);
  Color PixelAt(int x, int y) const;  // clWhite outside

 private:
  int pw_ = 0, ph_ = 0;
  std::vector<Color> pixels_;
};

// Nearest-pixel stretch of a w x h picture to nw x nh.
std::vector<Color> StretchPixels(const std::vector<Color>& src, int w, int h, int nw, int nh);

// Drawing surface for a form's painted face.
class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual void FillRect(int l, int t, int r, int b, Color c) = 0;
  // Colour runs from `from` at the top (vertical) or left to `to`.
  virtual void GradientRect(int l, int t, int r, int b, Color from, Color to, bool vertical) = 0;
  virtual void FrameRoundRect(int l, int t, int r, int b, int radius, Color pen, int penWidth) = 0;
  virtual void Line(int x1, int y1, int x2, int y2, Color c, int width) = 0;
  virtual void Text(int x, int y, const std::string& text, const FontInfo& font) = 0;
};

enum class FormStyle { Normal, Dialog, Borderless };

class Form {
 public:
  Form(std::string name, const std::string& caption, int clientWidth, int clientHeight,
       FormStyle style = FormStyle::Normal);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& Name() const { return name_; }
  FormStyle Style() const { return style_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& text);
  int ClientWidth() const { return cw_; }
  int ClientHeight() const { return ch_; }
  // Moves and stretches the controls by their anchors.
  void SetClientSize(int w, int h);
  // The smallest client size the user can drag the window to (0: any).
  int MinClientWidth = 0;
  int MinClientHeight = 0;
  const FontInfo& Font() const { return font_; }
  void SetFont(const FontInfo& f);
  Color BackColor() const { return back_; }
  // Rounded outline (0: square), applied as the window's region.
  int CornerRadius() const { return radius_; }
  void SetCornerRadius(int r);

  // Screen position of the window's outer top-left corner.
  int Left() const;
  int Top() const;
  void SetPosition(int left, int top);
  void CenterOn(const Form& other);
  void CenterOnScreen();
  // The window-placement store (ui/placement.cpp). RestorePlacement puts the
  // window where it was stored under `name` (with its client size too when
  // withSize, at least the minimum client size), or centres it (on
  // centreOn, else on the screen) when nothing is stored or the stored place
  // lies off the screen. KeepPlacement stores the position and client size,
  // but never from a minimised window.
  void RestorePlacement(const std::string& name, bool withSize,
                        const Form* centreOn = nullptr);
  void KeepPlacement(const std::string& name) const;

  void Show();
  void Hide();
  // OnClose, then hide; closing the main form ends the message loop.
  void Close();
  void Minimize();
  bool Visible() const { return visible_; }
  bool Closed() const { return closed_; }
  bool Minimized() const { return minimized_; }
  // Redraws the face and the controls now.
  void Repaint();

  // Sees keys before the focused control (key preview).
  bool KeyPreview = false;

  std::function<void()> OnActivate;
  std::function<void()> OnClose;
  // key may be set to 0 to consume it.
  std::function<void(int& key)> OnKeyDown;
  // Paints the face (client area) before the controls.
  std::function<void(Canvas&)> OnPaint;
  // Hit test of a point on the window itself (not a control): gets the
  // system's answer and returns the one to use (see kHit*).
  std::function<int(int defaultResult)> OnNcHitTest;

  // A key as the user would press it: key preview first, then Escape presses
  // the cancel button and Enter the button that stands for the focused
  // control (a focused button itself, a text box's default button, else the
  // form's default button). True when the key was used up (the focused
  // control must not see it).
  bool KeyDown(int key);

  // The control with the keyboard focus, or the one that gets it when the
  // window is next activated; null when none.
  Control* ActiveControl() const { return active_; }
  // The first enabled, visible tab stop; null when none.
  Control* FirstTabStop() const;
  // Activation as the window system reports it (the handler is dispatched).
  void Activate();

  const std::vector<Control*>& Controls() const { return controls_; }

  void* Handle = nullptr;  // backend data (HWND under Win32)

  // Backend only.
  void Register(Control* c);
  void Unregister(Control* c);
  void NativeSetMinimized(bool m) { minimized_ = m; }
  void NativeSetActiveControl(Control* c) { active_ = c; }
  // The user resized the window: the new client size, controls follow.
  void NativeResized(int w, int h);

 private:
  std::string name_;
  std::string caption_;
  int cw_, ch_;
  FormStyle style_;
  FontInfo font_;
  Color back_ = clDefault;
  int radius_ = 0;
  int left_ = 0, top_ = 0;
  bool visible_ = false;
  bool closed_ = false;
  bool minimized_ = false;
  bool closing_ = false;
  Control* active_ = nullptr;
  std::vector<Control*> controls_;
};

// Hit-test answers (the window system's values).
constexpr int kHitClient = 1;
constexpr int kHitCaption = 2;

// What a backend does for the controls. Application owns the one in use.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual BackendKind Kind() const = 0;
  virtual void CreateForm(Form& f) = 0;
  virtual void DestroyForm(Form& f) = 0;
  virtual void FormChanged(Form& f, Change what) = 0;
  virtual void CreateControl(Control& c) = 0;
  virtual void DestroyControl(Control& c) = 0;
  virtual void ControlChanged(Control& c, Change what) = 0;
  virtual void FocusControl(Control& c) = 0;
  virtual bool GridCellBounds(const Grid& g, int col, int row, int& l, int& t, int& w,
                              int& h) const = 0;
  virtual void ShowForm(Form& f, bool show) = 0;
  virtual void MinimizeForm(Form& f) = 0;
  virtual void RepaintForm(Form& f) = 0;
  virtual void SetFormPosition(Form& f, int left, int top) = 0;
  virtual bool GetFormPosition(const Form& f, int& left, int& top) const = 0;
  virtual void GetScreenSize(int& w, int& h) const = 0;
  // Outer size of a form's window for its client size.
  virtual void GetFormOuterSize(const Form& f, int& w, int& h) const = 0;
  // Handles all pending messages or queued events.
  virtual void Pump() = 0;
  // Runs the message loop until Application::Terminate.
  virtual void Run() = 0;
  // Wakes a waiting message loop after Terminate.
  virtual void Wake() = 0;
  // Draws the program's icon resource at size x size on white; false when
  // there is none.
  virtual bool LoadIconPixels(const std::string& resourceName, int size,
                              std::vector<Color>& out) = 0;
};

class Application {
 public:
  static Application& Instance();

  // Creates the backend and installs its message pump. Win32 is available
  // in the Windows build only (Init throws kc::Error otherwise).
  void Init(BackendKind kind);
  // Destroys the backend and removes the pump (forms must be gone).
  void Shutdown();
  bool Initialised() const { return backend_ != nullptr; }
  Backend& Back();
  BackendKind Kind() const;

  std::string Title;
  // The first form created after Init; closing it ends Run.
  Form* MainForm = nullptr;

  // Shows the main form and handles messages until Terminate.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // The application-wide exception handler: gets the message of every
  // exception caught at a handler dispatch. Without one the message goes to
  // standard error.
  std::function<void(const std::string& message)> OnException;
  // Runs a handler; any exception it lets out goes to OnException.
  void Dispatch(const std::function<void()>& handler) noexcept;
  void HandleException(const std::string& message) noexcept;

 private:
  std::unique_ptr<Backend> backend_;
  std::unique_ptr<ScopedMessagePump> pump_;
  bool terminated_ = false;
};

inline Application& App() { return Application::Instance(); }

// The headless backend: values only, and a queue of events that fire at a
// chosen pump. Pumps are counted from Init; each call of the pump (every
// kc::YieldToMessages, every turn of Run) is one pump, nested ones too.
class HeadlessBackend : public Backend {
 public:
  HeadlessBackend();
  ~HeadlessBackend() override;

  // Number of pumps so far.
  unsigned PumpCount() const { return pumps_; }
  // Fires action during pump number n (or the next pump when n has passed).
  // Events of one pump fire in the order queued.
  void At(unsigned n, std::function<void()> action);
  // The same, n pumps from now (1 = the next pump).
  void After(unsigned n, std::function<void()> action);
  // Common events: a press of a button (nothing when it is disabled then),
  // a close of a form, a key on a form, an activation.
  void ClickAt(unsigned n, Control& c);
  void CloseAt(unsigned n, Form& f);
  void KeyAt(unsigned n, Form& f, int key);
  void ActivateAt(unsigned n, Form& f);
  // Events not yet fired.
  std::size_t Pending() const;

  // Called after every change of a control's value (the native headless run
  // prints labels and progress bars from here).
  std::function<void(const Control&, Change)> OnControlChanged;
  // Paints a form on a recording canvas; returns the number of drawing
  // operations (tests check that a face is drawn).
  int PaintCount(Form& f);
  // Icon that LoadIconPixels returns (none by default).
  std::vector<Color> IconPixels;
  int IconSize = 0;

  BackendKind Kind() const override { return BackendKind::Headless; }
  void CreateForm(Form& f) override;
  void DestroyForm(Form& f) override;
  void FormChanged(Form& f, Change what) override;
  void CreateControl(Control& c) override;
  void DestroyControl(Control& c) override;
  void ControlChanged(Control& c, Change what) override;
  void FocusControl(Control& c) override;
  // Header 20 pixels, rows 18, columns as wide as set, 2-pixel border.
  bool GridCellBounds(const Grid& g, int col, int row, int& l, int& t, int& w,
                      int& h) const override;
  void ShowForm(Form& f, bool show) override;
  void MinimizeForm(Form& f) override;
  void RepaintForm(Form& f) override;
  void SetFormPosition(Form& f, int left, int top) override;
  bool GetFormPosition(const Form& f, int& left, int& top) const override;
  void GetScreenSize(int& w, int& h) const override;
  void GetFormOuterSize(const Form& f, int& w, int& h) const override;
  void Pump() override;
  void Run() override;
  void Wake() override {}
  bool LoadIconPixels(const std::string& resourceName, int size,
                      std::vector<Color>& out) override;

 private:
  struct Event {
    unsigned At;
    std::uint64_t Seq;
    std::function<void()> Action;
  };
  std::vector<Event> events_;
  std::uint64_t seq_ = 0;
  unsigned pumps_ = 0;
  struct Pos {
    const Form* F;
    int L, T;
  };
  std::vector<Pos> positions_;
  std::map<const Control*, std::array<int, 3>> barsTold_;  // min, position, max
};

// Size of the screen's work area (the headless backend reports 1024 x 768).
void ScreenSize(int& width, int& height);

// The current backend as headless, nullptr when it is another.
HeadlessBackend* Headless();

// The Win32 backend (nullptr in the native build).
std::unique_ptr<Backend> CreateWin32Backend();

}  // namespace kc::ui
