// The settings windows over real windows (Windows build, under Wine): the
// caption and list reach the system as UTF-16, the conversion window's grid
// and cell editor, and closing stores the host's keys.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

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
  void PumpFor(int ms) {
    for (int i = 0; i < ms / 10; ++i) {
      plat::SleepMs(10);
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

}  // namespace
}  // namespace kc
