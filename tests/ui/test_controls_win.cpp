// The Win32 backend: real windows are created, their texts reach the system
// as the right UTF-16 whatever the ANSI code page, user input comes back to
// the controls, Escape reaches the cancel button through the message loop,
// and handler exceptions stay inside it. Also the headless backend inside the
// Windows build.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/message_pump.h"
#include "platform/platform.h"
#include "ui/about_window.h"
#include "ui/controls.h"

namespace kc::ui {
namespace {

std::u16string TextOf(void* handle) {
  HWND h = static_cast<HWND>(handle);
  wchar_t buf[512] = {};
  int n = GetWindowTextW(h, buf, 512);
  return std::u16string(reinterpret_cast<const char16_t*>(buf), static_cast<std::size_t>(n));
}

class Win32Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    App().Init(BackendKind::Win32);
    App().OnException = [this](const std::string& m) { errors.push_back(m); };
  }
  void TearDown() override {
    App().OnException = nullptr;
    App().Shutdown();
  }
  void PumpFor(int ms) {
    for (int i = 0; i < ms / 10; ++i) {
      kc::SleepMs(10);
      kc::YieldToMessages();
    }
  }
  std::vector<std::string> errors;
};

struct SampleForm : Form {
  SampleForm() : Form("Sample", "番組データダウンロード中...", 300, 200, FormStyle::Borderless) {}
  Label L{*this, "L", 10, 10, 200, 16, "番組表を作成中"};
  Button Stop{*this, "Stop", 10, 40, 80, 24, "停止"};
  Edit E{*this, "E", 10, 70, 120, 20};
  CheckBox C{*this, "C", 10, 100, 120, 20, "チェック"};
  ComboBox Combo{*this, "Combo", 140, 70, 120, 20};
  ProgressBar P{*this, "P", 10, 130, 200, 14};
  CheckList List{*this, "List", 140, 100, 150, 60};
};

TEST_F(Win32Controls, JapaneseTextReachesTheWindowsAsUtf16) {
  SampleForm f;
  ASSERT_NE(f.Handle, nullptr);
  EXPECT_EQ(TextOf(f.Handle), u"番組データダウンロード中...");
  EXPECT_EQ(TextOf(f.L.Handle), u"番組表を作成中");
  EXPECT_EQ(TextOf(f.Stop.Handle), u"停止");
  f.L.SetCaption("スキップ...");
  EXPECT_EQ(TextOf(f.L.Handle), u"スキップ...");
  // Characters whose second byte is a backslash or other ASCII.
  f.L.SetCaption("表示ソ");
  EXPECT_EQ(TextOf(f.L.Handle), u"表示ソ");
  // The window is found by its caption.
  EXPECT_EQ(FindWindowW(nullptr, L"番組データダウンロード中..."), static_cast<HWND>(f.Handle));
}

TEST_F(Win32Controls, ProgressBarShowsTheClampedPositionAndRange) {
  SampleForm f;
  HWND bar = static_cast<HWND>(f.P.Handle);
  auto shown = [bar] {
    PBRANGE r{};
    SendMessageW(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&r));
    return std::to_string(r.iLow) + ".." + std::to_string(SendMessageW(bar, PBM_GETPOS, 0, 0)) +
           ".." + std::to_string(r.iHigh);
  };
  // A new range goes out at once, with the position; positions that come
  // faster than a frame go out with the first pump after the frame.
  f.P.SetMax(3);
  for (int i = 0; i < 50; ++i) f.P.SetPosition(i);
  PumpFor(60);
  EXPECT_EQ(shown(), "0..3..3");
  f.P.SetMax(120);
  EXPECT_EQ(shown(), "0..3..120");
  f.P.SetPosition(0);
  f.P.SetMin(0);
  PumpFor(60);
  EXPECT_EQ(shown(), "0..0..120");
}

TEST_F(Win32Controls, UserInputComesBackToTheControls) {
  SampleForm f;
  int changes = 0;
  f.E.OnChange = [&] { ++changes; };
  SetWindowTextW(static_cast<HWND>(f.E.Handle), L"日本語テキスト");
  EXPECT_EQ(f.E.Caption(), "日本語テキスト");
  EXPECT_EQ(changes, 1);
  f.E.SetCaption("プログラムから");  // no OnChange for the program's own change
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(TextOf(f.E.Handle), u"プログラムから");

  int clicks = 0;
  f.C.OnClick = [&] { ++clicks; };
  SendMessageW(static_cast<HWND>(f.C.Handle), BM_CLICK, 0, 0);
  EXPECT_TRUE(f.C.Checked());
  EXPECT_EQ(clicks, 1);

  f.Combo.SetItems({"スカパー", "スカパーe2"});
  f.Combo.SetItemIndex(1);
  HWND cb = static_cast<HWND>(f.Combo.Handle);
  EXPECT_EQ(SendMessageW(cb, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(cb, CB_GETCURSEL, 0, 0), 1);
  wchar_t item[64] = {};
  SendMessageW(cb, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(item)), u"スカパー");

  f.P.SetMax(3);
  f.P.SetPosition(2);
  EXPECT_EQ(SendMessageW(static_cast<HWND>(f.P.Handle), PBM_GETPOS, 0, 0), 2);

  f.List.SetItems({"055 A", "161 B"});
  f.List.SetChecked(1, true);
  HWND lv = static_cast<HWND>(f.List.Handle);
  EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 2);
  auto state = SendMessageW(lv, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK);
  EXPECT_EQ((state & LVIS_STATEIMAGEMASK) >> 12, 2);
}

TEST_F(Win32Controls, ButtonPressAndEscapeGoThroughTheMessageLoop) {
  SampleForm f;
  f.Stop.Cancel = true;
  int stops = 0;
  f.Stop.OnClick = [&] { ++stops; };
  f.Show();
  SendMessageW(static_cast<HWND>(f.Stop.Handle), BM_CLICK, 0, 0);
  EXPECT_EQ(stops, 1);
  PostMessageW(static_cast<HWND>(f.E.Handle), WM_KEYDOWN, VK_ESCAPE, 0);
  kc::YieldToMessages();
  EXPECT_EQ(stops, 2);
  f.Stop.SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(static_cast<HWND>(f.Stop.Handle)));
  PostMessageW(static_cast<HWND>(f.E.Handle), WM_KEYDOWN, VK_ESCAPE, 0);
  kc::YieldToMessages();
  EXPECT_EQ(stops, 2);
}

TEST_F(Win32Controls, ActivationCloseAndExceptionsInHandlers) {
  SampleForm f;
  int activations = 0;
  f.OnActivate = [&] {
    ++activations;
    throw std::runtime_error("活性化で失敗");
  };
  f.Show();
  PumpFor(200);
  EXPECT_GE(activations, 1);
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors.front(), "活性化で失敗");

  int closes = 0;
  f.OnClose = [&] { ++closes; };
  SendMessageW(static_cast<HWND>(f.Handle), WM_CLOSE, 0, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(f.Closed());
  EXPECT_FALSE(IsWindowVisible(static_cast<HWND>(f.Handle)));
  EXPECT_TRUE(App().Terminated());
}

TEST_F(Win32Controls, BorderlessFaceRegionAndDrag) {
  SampleForm f;
  f.SetCornerRadius(12);
  int paints = 0;
  f.OnPaint = [&](Canvas& c) {
    ++paints;
    c.GradientRect(0, 0, 300, 200, 0xFFFFFF, 0x000080, true);
  };
  f.OnNcHitTest = [](int def) { return def == kHitClient ? kHitCaption : def; };
  f.Show();
  f.Repaint();
  PumpFor(100);
  EXPECT_GE(paints, 1);
  HWND h = static_cast<HWND>(f.Handle);
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_CAPTION, 0);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(h, rgn), ERROR);
  // A corner pixel lies outside the rounded outline, the middle inside.
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_TRUE(PtInRegion(rgn, 150, 100));
  DeleteObject(rgn);
  RECT rc;
  GetWindowRect(h, &rc);
  LRESULT hit = SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(rc.left + 250, rc.top + 180));
  EXPECT_EQ(hit, HTCAPTION);
  // A press on a plain label is a press on the background behind it (it
  // drags too); a label that answers clicks or shows a hint keeps the press.
  const LPARAM onLabel = MAKELPARAM(rc.left + 20, rc.top + 15);
  HWND label = static_cast<HWND>(f.L.Handle);
  EXPECT_EQ(SendMessageW(label, WM_NCHITTEST, 0, onLabel), HTTRANSPARENT);
  f.L.SetHint("ヒント");
  EXPECT_EQ(SendMessageW(label, WM_NCHITTEST, 0, onLabel), HTCLIENT);
  f.L.SetHint("");
  f.L.OnClick = [] {};
  EXPECT_EQ(SendMessageW(label, WM_NCHITTEST, 0, onLabel), HTCLIENT);
}

TEST_F(Win32Controls, PositionAndCentring) {
  Form main("M", "main", 400, 200, FormStyle::Borderless);
  main.SetPosition(100, 120);
  EXPECT_EQ(main.Left(), 100);
  EXPECT_EQ(main.Top(), 120);
  Form dlg("D", "dlg", 100, 60, FormStyle::Borderless);
  dlg.CenterOn(main);
  EXPECT_EQ(dlg.Left(), 250);
  EXPECT_EQ(dlg.Top(), 190);
}

TEST_F(Win32Controls, VersionWindowShowsTheResourceAndTheIcon) {
  Form main("M", "main", 400, 200, FormStyle::Borderless);
  kc::TAboutForm about;
  EXPECT_EQ(TextOf(about.Handle), u"バージョン情報");
  EXPECT_EQ(TextOf(about.LabelTitle.Handle), u"Kanalia(CS)プラグイン");
  EXPECT_EQ(TextOf(about.LabelVersion.Handle).rfind(u"バージョン 1.", 0), 0u);
  EXPECT_EQ(TextOf(about.BtnCancel.Handle), u"OK");
  // The icon resource was drawn: not every pixel is the white background.
  int coloured = 0;
  for (ui::Color c : about.ImageMain.Pixels()) coloured += c != clWhite;
  EXPECT_GT(coloured, 0);
  EXPECT_EQ(about.ImageMain.PixelWidth(), 64);
  about.ShowCentredOn(main);
  EXPECT_TRUE(IsWindowVisible(static_cast<HWND>(about.Handle)));
  PostMessageW(static_cast<HWND>(about.BtnCancel.Handle), WM_KEYDOWN, VK_ESCAPE, 0);
  kc::YieldToMessages();
  EXPECT_FALSE(IsWindowVisible(static_cast<HWND>(about.Handle)));
  EXPECT_FALSE(App().Terminated());
}

TEST(Win32ControlsHeadless, HeadlessBackendWorksInTheWindowsBuild) {
  App().Init(BackendKind::Headless);
  {
    Form f("F", "テスト", 10, 10);
    Button b(f, "B", 0, 0, 10, 10, "押す");
    int n = 0;
    b.OnClick = [&] { ++n; };
    Headless()->ClickAt(2, b);
    kc::YieldToMessages();
    kc::YieldToMessages();
    EXPECT_EQ(n, 1);
    EXPECT_EQ(b.Handle, nullptr);
  }
  App().Shutdown();
}

}  // namespace
}  // namespace kc::ui
