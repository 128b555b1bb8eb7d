// The download window over real windows: its face and outline, the drag on
// the background, what its controls show, and Escape reaching Stop through
// the message loop while the run yields.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/message_pump.h"
#include "core/datetime.h"
#include "ui/download_window.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "ui/controls.h"

namespace kc {
namespace {

std::u16string TextOf(void* handle) {
  wchar_t buf[256] = {};
  int n = GetWindowTextW(static_cast<HWND>(handle), buf, 256);
  return std::u16string(reinterpret_cast<const char16_t*>(buf), static_cast<std::size_t>(n));
}

class FormDLLWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    savedDir_ = kc::Fs().GetCurrentDir();
    ui::App().Init(ui::BackendKind::Win32);
    test::WriteBytes(dir.file("plugin/readme.txt"), "");
  }
  void TearDown() override {
    ui::App().Shutdown();
    kc::Fs().SetCurrentDir(savedDir_);
  }
  TFormDLL::Options Opts(TFormDLL::RunFunction run) {
    TFormDLL::Options o;
    o.Run = std::move(run);
    o.CloseWaitSeconds = 0.05;
    o.PluginFolder = dir.winFile("plugin") + "\\";
    return o;
  }
  test::TempDir dir;
  ScopedFormats formats_;
  std::string savedDir_;
};

TEST_F(FormDLLWin32, RealWindowShowsTheRunAndEscapeStopsIt) {
  std::u16string labelWhileRunning;
  bool stopSeen = false;
  HWND window = nullptr;
  TFormDLL f(Opts([&](RunContext& c) {
    c.View.ShowPhase("番組表をダウンロード中");
    c.View.SetRunProgressRange(3);
    c.View.ShowRunProgress(1);
    window = static_cast<HWND>(f.Handle);
    labelWhileRunning = TextOf(f.Label1.Handle);
    // Escape typed on a button: the form sees it first and presses Stop.
    PostMessageW(static_cast<HWND>(f.ButtonPause.Handle), WM_KEYDOWN, VK_ESCAPE, 0);
    for (int i = 0; i < 200 && !c.State.StopRequested; ++i) {
      kc::SleepMs(5);
      YieldToMessages();
    }
    stopSeen = c.State.StopRequested;
  }));
  HWND h = static_cast<HWND>(f.Handle);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(TextOf(h), u"番組データダウンロード中...");
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_CAPTION, 0);
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(client.right, 445);
  EXPECT_EQ(client.bottom, 183);
  EXPECT_EQ(TextOf(f.ButtonPlay.Handle), u"再開");
  EXPECT_FALSE(IsWindowEnabled(static_cast<HWND>(f.ButtonPlay.Handle)));

  // The outline is rounded; the background answers as the caption.
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(h, rgn), ERROR);
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_TRUE(PtInRegion(rgn, 220, 90));
  DeleteObject(rgn);
  f.SetPosition(50, 60);
  EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(50 + 300, 60 + 40)), HTCAPTION);
  // The labels lie on the background: a press there drags the window too.
  for (ui::Label* l : {&f.LabelBrand, &f.Label1, &f.Label2})
    EXPECT_EQ(SendMessageW(static_cast<HWND>(l->Handle), WM_NCHITTEST, 0,
                           MAKELPARAM(50 + l->Left() + 5, 60 + l->Top() + 5)),
              HTTRANSPARENT)
        << l->Name();

  ui::App().Run();
  EXPECT_EQ(window, h);
  EXPECT_EQ(labelWhileRunning, u"番組表をダウンロード中");
  EXPECT_TRUE(stopSeen);
  EXPECT_FALSE(IsWindowEnabled(static_cast<HWND>(f.ButtonStop.Handle)));
  EXPECT_FALSE(IsWindowVisible(h));  // closed by itself
  EXPECT_NE(test::ReadBytes(dir.file("hoz.log")).find("停止ボタン押下"), std::string::npos);
}

TEST_F(FormDLLWin32, PositionIsKeptUnlessMinimisedOrOffTheScreen) {
  {
    TFormDLL f(Opts([](RunContext&) {}));
    f.SetPosition(123, 77);
    ui::App().Run();
  }
  ui::App().Init(ui::BackendKind::Win32);
  {
    TFormDLL f(Opts([&](RunContext&) {}));
    EXPECT_EQ(f.Left(), 123);
    EXPECT_EQ(f.Top(), 77);
    // Closed while minimised: the position before stays.
    f.OnActivate = [&f] {
      f.ButtonMinClick();
      f.Close();
    };
    ui::App().Run();
  }
  ui::App().Init(ui::BackendKind::Win32);
  {
    TFormDLL f(Opts([](RunContext&) {}));
    EXPECT_EQ(f.Left(), 123);
    f.SetPosition(-5000, 40);  // as after a monitor was removed
    ui::App().Run();
  }
  ui::App().Init(ui::BackendKind::Win32);
  TFormDLL f(Opts([](RunContext&) {}));
  EXPECT_GT(f.Left(), 0);  // centred again
}

}  // namespace
}  // namespace kc
