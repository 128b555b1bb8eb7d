// Where the windows open: positions and sizes kept in the window-placement
// store between runs.
#include <algorithm>

#include "platform/platform.h"
#include "ui/controls.h"

namespace kc::ui {

void Form::RestorePlacement(const std::string& name, bool withSize, const Form* centreOn) {
  auto centre = [this, centreOn] {
    if (centreOn)
      CenterOn(*centreOn);
    else
      CenterOnScreen();
  };
  kc::Placement p;
  if (!kc::LoadPlacement(name, p)) {
    centre();
    return;
  }
  const int w = withSize ? std::max(MinClientWidth, p.Width) : ClientWidth();
  const int h = withSize ? std::max(MinClientHeight, p.Height) : ClientHeight();
  // A stored position that no longer lies on the screen (another monitor
  // layout) would put the window out of reach.
  int sw = 0, sh = 0;
  ScreenSize(sw, sh);
  if (p.Left <= -w / 2 || p.Top < 0 || p.Left >= sw - w / 2 || p.Top >= sh - h / 2) {
    if (withSize) SetClientSize(w, h);
    centre();
    return;
  }
  SetPosition(p.Left, p.Top);
  if (withSize) SetClientSize(w, h);
}

void Form::KeepPlacement(const std::string& name) const {
  if (Minimized()) return;  // a minimised window has no position worth keeping
  kc::Placement p;
  p.Left = Left();
  p.Top = Top();
  p.Width = ClientWidth();
  p.Height = ClientHeight();
  kc::SavePlacement(name, p);
}

}  // namespace kc::ui
