// The parts of the control set that both backends share: control values,
// forms, the application object and its dispatcher. The backends
// (controls_headless.cpp, controls_win.cpp) only mirror these values.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <utility>

#include "platform/message_pump.h"
#include "core/error.h"
#include "ui/controls.h"

namespace kc::ui {

namespace {

Backend* CurrentBackend() {
  Application& a = App();
  return a.Initialised() ? &a.Back() : nullptr;
}

}  // namespace

// ---------------------------------------------------------------- Control

Control::Control(Form& owner, ControlKind kind, std::string name, int left, int top,
                 int width, int height, unsigned creationFlags)
    : CreationFlags(creationFlags),
      owner_(owner), kind_(kind), name_(std::move(name)), left_(left), top_(top),
      width_(width), height_(height),
      given_{left, top, width, height, owner.ClientWidth(), owner.ClientHeight()} {
  owner_.Register(this);
  if (Backend* b = CurrentBackend()) b->CreateControl(*this);
}

Control::~Control() {
  if (Backend* b = CurrentBackend()) b->DestroyControl(*this);
  owner_.Unregister(this);
}

void Control::Changed(Change what) {
  if (Backend* b = CurrentBackend()) b->ControlChanged(*this, what);
}

void Control::SetCaption(const std::string& text) {
  if (text == caption_) return;
  caption_ = text;
  Changed(Change::Text);
}

void Control::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  Changed(Change::Enabled);
}

void Control::SetVisible(bool on) {
  if (on == visible_) return;
  visible_ = on;
  Changed(Change::Visible);
}

void Control::SetHint(const std::string& hint) {
  hint_ = hint;
  Changed(Change::Hint);
}

void Control::SetFont(const FontInfo& font) {
  font_ = font;
  Changed(Change::Font);
}

void Control::SetHandCursor(bool on) {
  handCursor_ = on;
  Changed(Change::Cursor);
}

void Control::SetBounds(int left, int top, int width, int height) {
  given_ = {left, top, width, height, owner_.ClientWidth(), owner_.ClientHeight()};
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed(Change::Bounds);
}

void Control::Click() {
  if (!enabled_ || !visible_) return;
  App().Dispatch(OnClick);
}

// ---------------------------------------------------------------- controls

void Control::FollowAnchors(int w, int h) {
  const int dx = w - given_.FormW, dy = h - given_.FormH;
  int l = given_.L, t = given_.T, cw = given_.W, ch = given_.H;
  if (Anchors & akRight) {
    if (Anchors & akLeft)
      cw = std::max(0, cw + dx);
    else
      l += dx;
  }
  if (Anchors & akBottom) {
    if (Anchors & akTop)
      ch = std::max(0, ch + dy);
    else
      t += dy;
  }
  if (l == left_ && t == top_ && cw == width_ && ch == height_) return;
  left_ = l;
  top_ = t;
  width_ = cw;
  height_ = ch;
  Changed(Change::Bounds);
}

void Control::SetFocus() {
  owner_.NativeSetActiveControl(this);
  if (Backend* b = CurrentBackend()) b->FocusControl(*this);
}

bool Control::TabStop() const {
  return kind_ != ControlKind::Label && kind_ != ControlKind::Picture &&
         kind_ != ControlKind::ProgressBar;
}

void Button::SetGlyph(int size, std::vector<Color> pixels) {
  if (size <= 0 || pixels.size() != static_cast<std::size_t>(size) * static_cast<std::size_t>(size)) {
    size = 0;
    pixels.clear();
  }
  glyphSize_ = size;
  glyph_ = std::move(pixels);
  Changed(Change::Pixels);
}

void ProgressBar::SetMin(int v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  pos_ = std::clamp(pos_, min_, max_);
  Changed(Change::Value);
}

void ProgressBar::SetMax(int v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  pos_ = std::clamp(pos_, min_, max_);
  Changed(Change::Value);
}

void ProgressBar::SetPosition(int v) {
  pos_ = std::clamp(v, min_, max_);
  Changed(Change::Value);
}

void CheckBox::SetChecked(bool on) {
  if (on == checked_) return;
  checked_ = on;
  Changed(Change::Value);
}

void CheckBox::Click() {
  if (!Enabled() || !Visible()) return;
  SetChecked(!checked_);
  App().Dispatch(OnChange);
  App().Dispatch(OnClick);
}

void RadioButton::SetChecked(bool on) {
  if (on) {
    for (Control* c : Owner().Controls()) {
      if (c == this || c->Kind() != ControlKind::RadioButton) continue;
      auto* r = static_cast<RadioButton*>(c);
      if (r->Group == Group && r->checked_) {
        r->checked_ = false;
        r->Changed(Change::Value);
      }
    }
  }
  if (on == checked_) return;
  checked_ = on;
  Changed(Change::Value);
}

void RadioButton::Click() {
  if (!Enabled() || !Visible()) return;
  bool was = checked_;
  SetChecked(true);
  if (!was) App().Dispatch(OnChange);
  App().Dispatch(OnClick);
}

void ComboBox::SetItems(const StringList& items) {
  items_ = items;
  index_ = -1;
  Changed(Change::Items);
}

void ComboBox::SetItemIndex(int i) {
  if (i < 0 || i >= static_cast<int>(items_.size())) i = -1;
  index_ = i;
  Changed(Change::Value);
}

std::string ComboBox::Text() const {
  return index_ >= 0 && index_ < static_cast<int>(items_.size())
             ? items_[static_cast<std::size_t>(index_)]
             : std::string();
}

void ComboBox::Select(int i) {
  if (!Enabled() || !Visible()) return;
  SetItemIndex(i);
  App().Dispatch(OnChange);
}

void Edit::UserSetText(const std::string& text) {
  if (!Enabled() || ReadOnly) return;
  SetCaption(text);
  App().Dispatch(OnChange);
}

StringList Memo::Lines() const { return SplitLines(Caption()); }

void Memo::SetLines(const StringList& lines) {
  std::string text = JoinLinesCrLf(lines);
  // No line break after the last line, as a text box shows it.
  if (text.size() >= 2) text.resize(text.size() - 2);
  SetCaption(text);
}

void Memo::UserSetText(const std::string& text) {
  if (!Enabled() || ReadOnly) return;
  SetCaption(text);
  App().Dispatch(OnChange);
}

void CheckList::SetItems(const StringList& items) {
  items_ = items;
  checked_.assign(items_.size(), false);
  index_ = -1;
  Changed(Change::Items);
}

bool CheckList::Checked(int i) const {
  return i >= 0 && i < Count() && checked_[static_cast<std::size_t>(i)];
}

void CheckList::SetChecked(int i, bool on) {
  if (i < 0 || i >= Count()) return;
  checked_[static_cast<std::size_t>(i)] = on;
  Changed(Change::Value);
}

void CheckList::NativeSetChecked(int i, bool on) {
  if (i >= 0 && i < Count()) checked_[static_cast<std::size_t>(i)] = on;
}

void CheckList::SetItemIndex(int i) {
  if (i < 0 || i >= Count()) i = -1;
  index_ = i;
  Changed(Change::Value);
}

void CheckList::UserToggle(int i) {
  if (!Enabled() || i < 0 || i >= Count()) return;
  SetChecked(i, !Checked(i));
  App().Dispatch(OnClickCheck);
}

void Grid::SetColumns(const StringList& headers, const std::vector<int>& widths) {
  headers_ = headers;
  widths_ = widths;
  widths_.resize(headers_.size(), 80);
  for (auto& r : rows_) r.resize(headers_.size());
  Changed(Change::Items);
}

void Grid::SetRowCount(int n) {
  rows_.resize(static_cast<std::size_t>(std::max(0, n)), StringList(headers_.size()));
  if (row_ >= RowCount()) row_ = -1;
  Changed(Change::Items);
}

std::string Grid::Cell(int col, int row) const {
  if (row < 0 || row >= RowCount() || col < 0) return {};
  const StringList& r = rows_[static_cast<std::size_t>(row)];
  return col < static_cast<int>(r.size()) ? r[static_cast<std::size_t>(col)] : std::string();
}

void Grid::SetCell(int col, int row, const std::string& text) {
  if (row < 0 || col < 0 || col >= ColCount()) return;
  if (row >= RowCount()) rows_.resize(static_cast<std::size_t>(row) + 1, StringList(headers_.size()));
  rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
  Changed(Change::Items);
}

void Grid::SetRows(std::vector<StringList> rows) {
  rows_ = std::move(rows);
  for (auto& r : rows_) r.resize(headers_.size());
  row_ = -1;
  Changed(Change::Items);
}

bool Grid::CellBounds(int col, int row, int& left, int& top, int& width, int& height) const {
  Backend* b = CurrentBackend();
  return b && b->GridCellBounds(*this, col, row, left, top, width, height);
}

void Grid::SetRow(int r) {
  row_ = (r >= 0 && r < RowCount()) ? r : -1;
  Changed(Change::Value);
}

void Picture::SetPixels(int w, int h, std::vector<Color> pixels) {
  if (w < 0 || h < 0 || pixels.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {
    w = h = 0;
    pixels.clear();
  }
  pw_ = w;
  ph_ = h;
  pixels_ = std::move(pixels);
  Changed(Change::Pixels);
}

Color Picture::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= pw_ || y >= ph_) return clWhite;
  return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(pw_) + static_cast<std::size_t>(x)];
}

std::vector<Color> StretchPixels(const std::vector<Color>& src, int w, int h, int nw, int nh) {
  std::vector<Color> out;
  if (w <= 0 || h <= 0 || nw <= 0 || nh <= 0 ||
      src.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h))
    return out;
  out.resize(static_cast<std::size_t>(nw) * static_cast<std::size_t>(nh));
  for (int y = 0; y < nh; ++y) {
    int sy = static_cast<int>(static_cast<long long>(y) * h / nh);
    for (int x = 0; x < nw; ++x) {
      int sx = static_cast<int>(static_cast<long long>(x) * w / nw);
      out[static_cast<std::size_t>(y) * nw + x] = src[static_cast<std::size_t>(sy) * w + sx];
    }
  }
  return out;
}

// ---------------------------------------------------------------- Form

Form::Form(std::string name, const std::string& caption, int clientWidth, int clientHeight,
           FormStyle style)
    : name_(std::move(name)), caption_(caption), cw_(clientWidth), ch_(clientHeight),
      style_(style) {
  font_.Name = "ＭＳ Ｐゴシック";
  Application& a = App();
  if (a.MainForm == nullptr) a.MainForm = this;
  if (Backend* b = CurrentBackend()) b->CreateForm(*this);
}

Form::~Form() {
  if (Backend* b = CurrentBackend()) b->DestroyForm(*this);
  if (App().MainForm == this) App().MainForm = nullptr;
}

void Form::SetCaption(const std::string& text) {
  caption_ = text;
  if (Backend* b = CurrentBackend()) b->FormChanged(*this, Change::Text);
}

void Form::SetClientSize(int w, int h) {
  cw_ = w;
  ch_ = h;
  for (Control* c : controls_) c->FollowAnchors(w, h);
  if (Backend* b = CurrentBackend()) b->FormChanged(*this, Change::Bounds);
}

void Form::NativeResized(int w, int h) {
  if (w == cw_ && h == ch_) return;
  cw_ = w;
  ch_ = h;
  for (Control* c : controls_) c->FollowAnchors(w, h);
}

void Form::SetFont(const FontInfo& f) {
  font_ = f;
  if (Backend* b = CurrentBackend()) b->FormChanged(*this, Change::Font);
}

void Form::SetCornerRadius(int r) {
  radius_ = r;
  if (Backend* b = CurrentBackend()) b->FormChanged(*this, Change::Bounds);
}

int Form::Left() const {
  int l = left_, t = top_;
  if (Backend* b = CurrentBackend()) b->GetFormPosition(*this, l, t);
  return l;
}

int Form::Top() const {
  int l = left_, t = top_;
  if (Backend* b = CurrentBackend()) b->GetFormPosition(*this, l, t);
  return t;
}

void Form::SetPosition(int left, int top) {
  left_ = left;
  top_ = top;
  if (Backend* b = CurrentBackend()) b->SetFormPosition(*this, left, top);
}

void Form::CenterOn(const Form& other) {
  Backend* b = CurrentBackend();
  if (!b) return;
  int w = 0, h = 0, ow = 0, oh = 0;
  b->GetFormOuterSize(*this, w, h);
  b->GetFormOuterSize(other, ow, oh);
  SetPosition(other.Left() + (ow - w) / 2, other.Top() + (oh - h) / 2);
}

void Form::CenterOnScreen() {
  Backend* b = CurrentBackend();
  if (!b) return;
  int w = 0, h = 0, sw = 0, sh = 0;
  b->GetFormOuterSize(*this, w, h);
  b->GetScreenSize(sw, sh);
  SetPosition((sw - w) / 2, (sh - h) / 2);
}

void Form::Show() {
  closed_ = false;
  if (Backend* b = CurrentBackend()) b->ShowForm(*this, true);
  visible_ = true;
}

void Form::Hide() {
  if (Backend* b = CurrentBackend()) b->ShowForm(*this, false);
  visible_ = false;
}

void Form::Close() {
  // A close asked for while the close handler runs (it may wait with the
  // messages flowing) is the same close.
  if (closing_) return;
  closing_ = true;
  App().Dispatch(OnClose);
  closing_ = false;
  Hide();
  closed_ = true;
  if (App().MainForm == this) App().Terminate();
}

void Form::Minimize() {
  if (Backend* b = CurrentBackend()) b->MinimizeForm(*this);
  minimized_ = true;
}

void Form::Repaint() {
  if (Backend* b = CurrentBackend()) b->RepaintForm(*this);
}

bool Form::KeyDown(int key) {
  if (KeyPreview && OnKeyDown) {
    App().Dispatch([&] { OnKeyDown(key); });
    if (key == 0) return true;
  }
  auto usable = [](const Control* c) { return c && c->Enabled() && c->Visible(); };
  if (key == kKeyEscape) {
    for (Control* c : controls_) {
      if (c->Kind() != ControlKind::Button) continue;
      auto* b = static_cast<Button*>(c);
      if (b->Cancel && usable(b)) {
        b->Click();
        return true;
      }
    }
  }
  if (key == kKeyReturn) {
    Control* press = nullptr;
    if (active_ && active_->Kind() == ControlKind::Button) {
      press = active_;
    } else if (active_ && active_->Kind() == ControlKind::Edit) {
      press = static_cast<Edit*>(active_)->DefaultButton;
    } else if (!active_ || active_->Kind() != ControlKind::Memo) {
      for (Control* c : controls_) {
        if (c->Kind() == ControlKind::Button && static_cast<Button*>(c)->Default) {
          press = c;
          break;
        }
      }
    }
    if (usable(press)) {
      press->Click();
      return true;
    }
  }
  return false;
}

void Form::Activate() { App().Dispatch(OnActivate); }

Control* Form::FirstTabStop() const {
  for (Control* c : controls_)
    if (c->TabStop() && c->Enabled() && c->Visible()) return c;
  return nullptr;
}

void Form::Register(Control* c) { controls_.push_back(c); }

void Form::Unregister(Control* c) {
  if (active_ == c) active_ = nullptr;
  controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
}

// ---------------------------------------------------------------- Application

Application& Application::Instance() {
  static Application app;
  return app;
}

void Application::Init(BackendKind kind) {
  Shutdown();
  if (kind == BackendKind::Win32) {
    backend_ = CreateWin32Backend();
    if (!backend_) throw Error("この版にはウィンドウがありません");
  } else {
    backend_ = std::make_unique<HeadlessBackend>();
  }
  terminated_ = false;
  MainForm = nullptr;
  Backend* b = backend_.get();
  pump_ = std::make_unique<ScopedMessagePump>([b] { b->Pump(); });
}

void Application::Shutdown() {
  if (!backend_) return;
  pump_.reset();
  backend_.reset();
  MainForm = nullptr;
  terminated_ = false;
}

Backend& Application::Back() {
  if (!backend_) throw Error("ウィンドウの仕組みが初期化されていません");
  return *backend_;
}

BackendKind Application::Kind() const {
  return backend_ ? backend_->Kind() : BackendKind::Headless;
}

void Application::Run() {
  if (!backend_) return;
  if (MainForm && !MainForm->Visible() && !MainForm->Closed()) MainForm->Show();
  if (!terminated_) backend_->Run();
}

void Application::Terminate() {
  terminated_ = true;
  if (backend_) backend_->Wake();
}

void Application::Dispatch(const std::function<void()>& handler) noexcept {
  if (!handler) return;
  try {
    handler();
  } catch (const std::exception& e) {
    HandleException(e.what());
  } catch (...) {
    HandleException("不明な例外が発生しました");
  }
}

void Application::HandleException(const std::string& message) noexcept {
  try {
    if (OnException) {
      OnException(message);
      return;
    }
  } catch (...) {
  }
  std::fprintf(stderr, "%s\n", message.c_str());
}

void ScreenSize(int& width, int& height) {
  width = 1024;
  height = 768;
  if (Backend* b = CurrentBackend()) b->GetScreenSize(width, height);
}

}  // namespace kc::ui
