// The settings windows over real windows (Windows build, under Wine): the
// caption and list reach the system as UTF-16, the conversion window's grid
// and cell editor, and closing stores the host's keys.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/message_pump.h"
#include "settings_fixture.h"
#include "ui/conversion_window.h"
#include "ui/bulk_input_window.h"

namespace kc {
namespace {

std::u16string TextOf(void* handle) {
  wchar_t buf[512] = {};
  int n = GetWindowTextW(static_cast<HWND>(handle), buf, 512);
  return std::u16string(reinterpret_cast<const char16_t*>(buf), static_cast<std::size_t>(n));
}

class SettingsWin : public test::SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    ui::App().Init(ui::BackendKind::Win32);
    ui::App().OnException = [this](const std::string& m) { errors.push_back(m); };
  }
  void TearDown() override {
    ui::App().OnException = nullptr;
    SettingsFixture::TearDown();
  }
  // A key through the system's input path, as the keyboard gives it.
  void Press(WORD vk, bool shift = false) {
    std::vector<INPUT> in;
    auto key = [&in](WORD k, bool up) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = k;
      i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      in.push_back(i);
    };
    if (shift) key(VK_SHIFT, false);
    key(vk, false);
    key(vk, true);
    if (shift) key(VK_SHIFT, true);
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    PumpFor(60);
  }
  void Type(const std::string& digits) {
    for (char c : digits) Press(static_cast<WORD>(c));
  }
  // A control's rectangle in its window's client area.
  static RECT ChildRect(const ui::Control& c) {
    RECT rc;
    GetWindowRect(static_cast<HWND>(c.Handle), &rc);
    MapWindowPoints(nullptr, static_cast<HWND>(c.Owner().Handle), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
  }
  static RECT ClientOf(const ui::Form& f) {
    RECT rc;
    GetClientRect(static_cast<HWND>(f.Handle), &rc);
    return rc;
  }
  static std::string FocusName(const ui::Form& f) {
    HWND h = GetFocus();
    for (ui::Control* c : f.Controls())
      if (c->Handle == h) return c->Name();
    return h == f.Handle ? "<form>" : "<other>";
  }
  void PumpFor(int ms) {
    for (int i = 0; i < ms / 10; ++i) {
      kc::SleepMs(10);
      YieldToMessages();
    }
  }
  std::vector<std::string> errors;
};

TEST_F(SettingsWin, TheRealWindowsShowTheListAndStoreOnClosing) {
  WriteTable({{"55", "五十五", 0}, {"585", "Example", 1}});
  WriteNumbers({"55", "585"});
  WriteHost("tvskypch.ini", "[DataSet 0]\r\ncount=2\r\ntvch 585=True\r\n");
  TFormDLLSetup setup(Opts());
  TFormImport import(setup);
  TFormCh ch(setup);
  setup.FormImport = &import;
  setup.FormCh = &ch;
  setup.Show();
  PumpFor(300);
  ASSERT_NE(setup.Handle, nullptr);
  EXPECT_EQ(TextOf(setup.Handle), u"Kanalia(CS)プラグイン設定");
  EXPECT_TRUE(IsWindowVisible(static_cast<HWND>(setup.Handle)));
  EXPECT_FALSE(IsWindowVisible(static_cast<HWND>(ch.Handle)));
  EXPECT_FALSE(IsWindowVisible(static_cast<HWND>(import.Handle)));

  // The first activation filled the list.
  ASSERT_EQ(setup.TVChList.Items(), (StringList{"055 五十五", "585 *Example"}));
  HWND list = static_cast<HWND>(setup.TVChList.Handle);
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ((SendMessageW(list, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK) >> 12), 2);

  setup.TVChList.SetChecked(0, true);
  setup.ButtonChange.Click();
  PumpFor(100);
  EXPECT_TRUE(IsWindowVisible(static_cast<HWND>(ch.Handle)));
  EXPECT_EQ(TextOf(ch.Handle), u"チャンネル番号変換");
  EXPECT_EQ(SendMessageW(static_cast<HWND>(ch.GridChannels.Handle), LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(TextOf(ch.EditNewCh.Handle), u"55");
  // The cell editor's text is selected whole.
  DWORD from = 1, to = 0;
  SendMessageW(static_cast<HWND>(ch.EditNewCh.Handle), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 2u);
  ch.ButtonClose.Click();
  PumpFor(100);
  EXPECT_FALSE(IsWindowVisible(static_cast<HWND>(ch.Handle)));
  EXPECT_EQ(HostIni("tvskypch.ini", "ChannelChange", "055"), "55");

  setup.ButtonClose.Click();
  PumpFor(100);
  EXPECT_TRUE(ui::App().Terminated());
  EXPECT_EQ(HostIni("tvskypch.ini", "DataSet 0", "tvch 055"), "True");
  EXPECT_EQ(HostIni("hoz.ini", "TSetup", "DLL_Skypt"), "False");
  EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsWin, KeysMoveAsInADialogAndEnterInTheFindBoxFinds) {
  StoredChannels();
  TFormDLLSetup setup(Opts());
  setup.Show();
  PumpFor(300);
  ASSERT_EQ(setup.TVChList.Count(), 2);
  ASSERT_EQ(GetForegroundWindow(), static_cast<HWND>(setup.Handle));
  EXPECT_EQ(FocusName(setup), "DataList");  // the first control on opening

  const std::vector<std::string> order = {
      "ButtonReload", "ButtonHP",   "ButtonHelp", "RadioSkypt", "Radioe2",   "ButtonChange",
      "buttonImp",    "EditFind",   "ButtonFind", "TVChList",   "CheckBox1", "ButtonClose",
      "DataList"};
  for (const std::string& name : order) {
    Press(VK_TAB);
    EXPECT_EQ(FocusName(setup), name);
  }
  Press(VK_TAB, true);
  EXPECT_EQ(FocusName(setup), "ButtonClose");
  Press(VK_TAB, true);
  EXPECT_EQ(FocusName(setup), "CheckBox1");

  // A disabled control is passed over.
  setup.ButtonHP.SetEnabled(false);
  setup.DataList.SetFocus();
  Press(VK_TAB);
  Press(VK_TAB);
  EXPECT_EQ(FocusName(setup), "ButtonHelp");
  // Arrows stay within the platform group.
  setup.RadioSkypt.SetFocus();
  Press(VK_DOWN);
  EXPECT_EQ(FocusName(setup), "Radioe2");
  Press(VK_DOWN);
  EXPECT_EQ(FocusName(setup), "RadioSkypt");

  // Enter in the find box runs the find; the find button shows as the
  // default button meanwhile, and the focus stays in the box.
  setup.EditFind.SetFocus();
  PumpFor(50);
  LONG style = GetWindowLongW(static_cast<HWND>(setup.ButtonFind.Handle), GWL_STYLE);
  EXPECT_EQ(style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  setup.EditFind.UserSetText("新局");
  Press(VK_RETURN);
  EXPECT_EQ(setup.TVChList.ItemIndex(), 1);  // "602 *新局"
  EXPECT_EQ(FocusName(setup), "EditFind");
  EXPECT_EQ(setup.EditFind.Caption(), "新局");  // no stray character
  setup.ButtonClose.Click();
  PumpFor(100);
  EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsWin, ResizingKeepsButtonsAtTheirEdgesAndTheMinimumSize) {
  StoredChannels();
  TFormDLLSetup setup(Opts());
  setup.Show();
  PumpFor(300);
  HWND h = static_cast<HWND>(setup.Handle);

  SetWindowPos(h, nullptr, 0, 0, 900, 800, SWP_NOMOVE | SWP_NOZORDER);
  PumpFor(100);
  const RECT client = ClientOf(setup), close = ChildRect(setup.ButtonClose);
  const RECT list = ChildRect(setup.TVChList), find = ChildRect(setup.ButtonFind);
  ASSERT_GT(client.right, 850);
  EXPECT_EQ(client.right - close.right, 6);  // as in the 400 x 460 design
  EXPECT_EQ(client.bottom - close.bottom, 6);
  EXPECT_EQ(client.right - find.right, 6);
  // The list grows by what the window grew beyond its 400 x 460 design.
  EXPECT_EQ(list.bottom - list.top, 302 + (client.bottom - 460));
  EXPECT_EQ(list.right - list.left, 386 + (client.right - 400));
  EXPECT_EQ(setup.ClientWidth(), client.right);
  EXPECT_EQ(setup.ClientHeight(), client.bottom);

  SetWindowPos(h, nullptr, 0, 0, 120, 40, SWP_NOMOVE | SWP_NOZORDER);
  PumpFor(100);
  EXPECT_GE(ClientOf(setup).right, 370);
  EXPECT_GE(ClientOf(setup).bottom, 100);
  setup.SetClientSize(400, 460);  // the size the closing stores for later runs
  setup.ButtonClose.Click();
  PumpFor(100);
  EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsWin, TheGridTakesANumberInPlaceAndEscapeClosesTheBulkWindow) {
  WriteTable({{"55", "五十五", 0}, {"585", "Example", 0}, {"602", "新局", 0}});
  WriteNumbers({"55", "585", "602"});
  WriteHost("tvskypch.ini",
            "[DataSet 0]\r\ncount=3\r\ntvch 055=True\r\ntvch 585=True\r\ntvch 602=True\r\n");
  TFormDLLSetup setup(Opts());
  TFormImport import(setup);
  TFormCh ch(setup);
  setup.FormImport = &import;
  setup.FormCh = &ch;
  setup.Show();
  PumpFor(300);
  setup.ButtonChange.Click();
  PumpFor(300);
  ASSERT_EQ(GetForegroundWindow(), static_cast<HWND>(ch.Handle));
  EXPECT_EQ(FocusName(ch), "EditNewCh");

  // The editor lies over the first row's NewCh cell, within the grid.
  HWND grid = static_cast<HWND>(ch.GridChannels.Handle);
  auto cellTop = [&](int row) {
    RECT rc{};
    rc.left = LVIR_LABEL;
    SendMessageW(grid, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc));
    MapWindowPoints(grid, static_cast<HWND>(ch.Handle), reinterpret_cast<POINT*>(&rc), 2);
    return rc.top;
  };
  const RECT gridRect = ChildRect(ch.GridChannels);
  RECT ed = ChildRect(ch.EditNewCh);
  EXPECT_EQ(ed.top, cellTop(0));
  EXPECT_GT(ed.left, gridRect.left);
  EXPECT_LT(ed.right, gridRect.left + 80);

  Type("701");  // replaces the selected "55"
  EXPECT_EQ(ch.EditNewCh.Caption(), "701");
  Press(VK_RETURN);
  EXPECT_EQ(ch.ChannelRows.Current(), 1);
  EXPECT_EQ(ch.EditNewCh.Caption(), "585");
  EXPECT_EQ(ChildRect(ch.EditNewCh).top, cellTop(1));
  wchar_t buf[16] = {};
  LVITEMW it{};
  it.pszText = buf;
  it.cchTextMax = 16;
  SendMessageW(grid, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&it));
  EXPECT_EQ(std::wstring(buf), L"701");
  Type("x9");  // letters are not taken
  EXPECT_EQ(ch.EditNewCh.Caption(), "9");
  Press(VK_ESCAPE);  // drops the change, the number selected again
  EXPECT_EQ(ch.EditNewCh.Caption(), "585");
  Type("6");
  EXPECT_EQ(ch.EditNewCh.Caption(), "6");
  Press(VK_ESCAPE);
  Press(VK_ESCAPE);  // nothing left to drop: closes as the cancel does
  EXPECT_FALSE(IsWindowVisible(static_cast<HWND>(ch.Handle)));

  setup.buttonImp.Click();
  PumpFor(300);
  ASSERT_EQ(GetForegroundWindow(), static_cast<HWND>(import.Handle));
  EXPECT_EQ(FocusName(import), "Memo1");
  Type("585");
  Press(VK_ESCAPE);
  EXPECT_FALSE(IsWindowVisible(static_cast<HWND>(import.Handle)));
  setup.ButtonClose.Click();
  PumpFor(100);
  EXPECT_EQ(HostIni("tvskypch.ini", "ChannelChange", "055"), "<none>");
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace kc
