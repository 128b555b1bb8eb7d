// The headless backend of the control set: plain values and an event queue
// counted in pumps, so windows run in tests without a window system.
#include <algorithm>
#include <array>

#include "ui/controls.h"

namespace kc::ui {

HeadlessBackend* Headless() {
  Application& a = App();
  if (!a.Initialised() || a.Kind() != BackendKind::Headless) return nullptr;
  return static_cast<HeadlessBackend*>(&a.Back());
}

// ---------------------------------------------------------------- headless backend

namespace {

class RecordingCanvas : public Canvas {
 public:
  int Ops = 0;
  void FillRect(int, int, int, int, Color) override { ++Ops; }
  void GradientRect(int, int, int, int, Color, Color, bool) override { ++Ops; }
  void FrameRoundRect(int, int, int, int, int, Color, int) override { ++Ops; }
  void Line(int, int, int, int, Color, int) override { ++Ops; }
  void Text(int, int, const std::string&, const FontInfo&) override { ++Ops; }
};

}  // namespace

HeadlessBackend::HeadlessBackend() = default;
HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::At(unsigned n, std::function<void()> action) {
  events_.push_back(Event{n, seq_++, std::move(action)});
}

void HeadlessBackend::After(unsigned n, std::function<void()> action) {
  At(pumps_ + (n == 0 ? 1 : n), std::move(action));
}

void HeadlessBackend::ClickAt(unsigned n, Control& c) {
  At(n, [&c] { c.Click(); });
}

void HeadlessBackend::CloseAt(unsigned n, Form& f) {
  At(n, [&f] { f.Close(); });
}

void HeadlessBackend::KeyAt(unsigned n, Form& f, int key) {
  At(n, [&f, key] { f.KeyDown(key); });
}

void HeadlessBackend::ActivateAt(unsigned n, Form& f) {
  At(n, [&f] { f.Activate(); });
}

std::size_t HeadlessBackend::Pending() const { return events_.size(); }

void HeadlessBackend::Pump() {
  unsigned now = ++pumps_;
  for (;;) {
    // The earliest due event, in the order queued; taken off the queue
    // before it fires, since its handler may pump again (a pause loop).
    auto due = events_.end();
    for (auto it = events_.begin(); it != events_.end(); ++it) {
      if (it->At <= now && (due == events_.end() || it->Seq < due->Seq)) due = it;
    }
    if (due == events_.end()) break;
    std::function<void()> action = std::move(due->Action);
    events_.erase(due);
    App().Dispatch(action);
  }
}

void HeadlessBackend::Run() {
  // Nothing but queued events can happen here, so the loop ends when the
  // queue is empty even if no one closed the main form.
  while (!App().Terminated() && !events_.empty()) Pump();
}

void HeadlessBackend::CreateForm(Form&) {}

void HeadlessBackend::DestroyForm(Form& f) {
  positions_.erase(std::remove_if(positions_.begin(), positions_.end(),
                                  [&f](const Pos& p) { return p.F == &f; }),
                   positions_.end());
  // Events that name the form are the test's business; they stay queued.
}

void HeadlessBackend::FormChanged(Form&, Change) {}
void HeadlessBackend::CreateControl(Control&) {}
void HeadlessBackend::DestroyControl(Control& c) { barsTold_.erase(&c); }

void HeadlessBackend::ControlChanged(Control& c, Change what) {
  // Callers set a bar once per item of long lists, mostly to what it shows
  // already (past the end of its range): the observer hears of a bar the
  // first time and then only when its range or position moved.
  if (c.Kind() == ControlKind::ProgressBar && what == Change::Value) {
    const auto& bar = static_cast<const ProgressBar&>(c);
    const std::array<int, 3> now{bar.Min(), bar.Position(), bar.Max()};
    auto told = barsTold_.find(&c);
    if (told != barsTold_.end() && told->second == now) return;
    barsTold_[&c] = now;
  }
  if (OnControlChanged) {
    try {
      OnControlChanged(c, what);
    } catch (...) {
    }
  }
}

void HeadlessBackend::FocusControl(Control&) {}

bool HeadlessBackend::GridCellBounds(const Grid& g, int col, int row, int& l, int& t, int& w,
                                     int& h) const {
  if (col < 0 || col >= g.ColCount() || row < 0 || row >= g.RowCount()) return false;
  l = 2;
  for (int i = 0; i < col; ++i) l += g.ColumnWidths()[static_cast<std::size_t>(i)];
  w = g.ColumnWidths()[static_cast<std::size_t>(col)];
  t = 2 + 20 + 18 * row;
  h = 18;
  return t + h <= g.Height() - 2;
}

void HeadlessBackend::ShowForm(Form& f, bool show) {
  if (show && !f.ActiveControl()) f.NativeSetActiveControl(f.FirstTabStop());
  if (show && !f.Visible()) After(1, [&f] { f.Activate(); });
  if (show) f.NativeSetMinimized(false);
}

void HeadlessBackend::MinimizeForm(Form&) {}
void HeadlessBackend::RepaintForm(Form&) {}

void HeadlessBackend::SetFormPosition(Form& f, int left, int top) {
  for (Pos& p : positions_) {
    if (p.F == &f) {
      p.L = left;
      p.T = top;
      return;
    }
  }
  positions_.push_back(Pos{&f, left, top});
}

bool HeadlessBackend::GetFormPosition(const Form& f, int& left, int& top) const {
  for (const Pos& p : positions_) {
    if (p.F == &f) {
      left = p.L;
      top = p.T;
      return true;
    }
  }
  return false;
}

void HeadlessBackend::GetScreenSize(int& w, int& h) const {
  w = 1024;
  h = 768;
}

void HeadlessBackend::GetFormOuterSize(const Form& f, int& w, int& h) const {
  w = f.ClientWidth();
  h = f.ClientHeight();
  if (f.Style() != FormStyle::Borderless) {
    w += 6;
    h += 25;
  }
}

int HeadlessBackend::PaintCount(Form& f) {
  RecordingCanvas c;
  if (f.OnPaint) App().Dispatch([&] { f.OnPaint(c); });
  return c.Ops;
}

bool HeadlessBackend::LoadIconPixels(const std::string&, int size, std::vector<Color>& out) {
  if (IconSize <= 0 || IconPixels.empty()) return false;
  out = StretchPixels(IconPixels, IconSize, IconSize, size, size);
  return !out.empty();
}

#ifndef _WIN32
std::unique_ptr<Backend> CreateWin32Backend() { return nullptr; }
#endif

}  // namespace kc::ui
