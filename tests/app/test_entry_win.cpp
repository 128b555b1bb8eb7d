// kanaliacs.exe as the host starts it, under the real window system: the
// download window appears with its caption and controls, closes by itself
// and the process exits 0; a second copy started meanwhile ends at once
// without a window.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace kc {
namespace {

const wchar_t kCaption[] = L"番組データダウンロード中...";

std::wstring OwnFolder() {
  wchar_t buf[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring p(buf, n);
  return p.substr(0, p.find_last_of(L"\\/") + 1);
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

HANDLE Start(const std::wstring& exe, const std::wstring& folder, const std::wstring& args = L"") {
  std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                      &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

DWORD ExitCodeAfter(HANDLE p, DWORD ms) {
  if (WaitForSingleObject(p, ms) != WAIT_OBJECT_0) {
    TerminateProcess(p, 99);
    WaitForSingleObject(p, 5000);
    return 0xFFFFFFFF;
  }
  DWORD code = 0;
  GetExitCodeProcess(p, &code);
  return code;
}

BOOL CALLBACK CollectText(HWND h, LPARAM lp) {
  wchar_t buf[256] = {};
  GetWindowTextW(h, buf, 256);
  reinterpret_cast<std::vector<std::wstring>*>(lp)->push_back(buf);
  return TRUE;
}

BOOL CALLBACK CountCaption(HWND h, LPARAM lp) {
  wchar_t buf[256] = {};
  GetWindowTextW(h, buf, 256);
  if (std::wstring(buf) == kCaption) ++*reinterpret_cast<int*>(lp);
  return TRUE;
}

TEST(EntryWindows, DownloadWindowShowsClosesByItselfAndASecondCopyEndsAtOnce) {
  test::TempDir dir;
  const std::wstring plugin = Wide(dir.file("plugin"));
  CreateDirectoryW(plugin.c_str(), nullptr);
  const std::wstring exe = plugin + L"\\kanaliacs.exe";
  ASSERT_TRUE(CopyFileW((OwnFolder() + L"kanaliacs.exe").c_str(), exe.c_str(), FALSE))
      << "build kanaliacs.exe first";
  test::ScopedEnv hold("KANALIA_TEST_HOLD_MS", "5000");
  test::ScopedEnv base("KANALIA_BASE_URL", "http://127.0.0.1:9");

  HANDLE first = Start(exe, plugin);
  ASSERT_NE(first, nullptr);
  HWND window = nullptr;
  // The window exists (hidden) before its controls; it shows once complete.
  for (int i = 0; i < 300 && !(window && IsWindowVisible(window)); ++i) {
    window = FindWindowW(nullptr, kCaption);
    Sleep(50);
  }
  ASSERT_NE(window, nullptr) << "the download window did not appear";

  std::vector<std::wstring> texts;
  EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
  for (const wchar_t* expected : {L"Kanalia(CS)", L"再開", L"一時停止", L"スキップ", L"停止"}) {
    bool found = false;
    for (const std::wstring& t : texts) found = found || t == expected;
    EXPECT_TRUE(found) << "missing control text; the window has " << texts.size() << " children";
  }

  HANDLE second = Start(exe, plugin);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(ExitCodeAfter(second, 10000), 0u);
  CloseHandle(second);
  EXPECT_EQ(WaitForSingleObject(first, 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the first copy must still run";
  int windows = 0;
  EnumWindows(CountCaption, reinterpret_cast<LPARAM>(&windows));
  EXPECT_EQ(windows, 1);

  EXPECT_EQ(ExitCodeAfter(first, 60000), 0u);
  CloseHandle(first);
  EXPECT_EQ(FindWindowW(nullptr, kCaption), nullptr);
  const std::string log = test::ReadBytes(dir.file("hoz.log"));
  EXPECT_NE(log.find("Kanalia(CS)プラグイン"), std::string::npos);
  EXPECT_EQ(log.find("--- START ---"), log.rfind("--- START ---"));  // one run only
}

// A host folder whose one dataset takes these listings, with a stored channel
// table and number list, so the settings window needs no connection.
void LayOutHostWithOneDataset(const test::TempDir& dir) {
  test::WriteBytes(dir.file("hoz.ini"),
                   "[TSetup.DataList_Items]\r\nCount=1\r\nItem0=CS\r\n"
                   "[DataSet 0]\r\ncount=48\r\nArea 47=True\r\n");
  test::WriteBytes(dir.file("tvskypch.csv"),
                   "\"TVChannel\",\"TVName\",\"Status\",\r\n"
                   "\"161\",\"QVC\",\"0\",\r\n\"585\",\"Example\",\"0\",\r\n");
  test::WriteBytes(dir.file("tvmurokch.csv"), "161\r\n585\r\n");
}

HANDLE StartSettings(const test::TempDir& dir) {
  const std::wstring plugin = Wide(dir.file("plugin"));
  CreateDirectoryW(plugin.c_str(), nullptr);
  const std::wstring exe = plugin + L"\\kanaliacs.exe";
  if (!CopyFileW((OwnFolder() + L"kanaliacs.exe").c_str(), exe.c_str(), FALSE)) return nullptr;
  return Start(exe, plugin, L"/C");
}

HWND WaitForVisible(const wchar_t* className, const wchar_t* caption) {
  HWND window = nullptr;
  for (int i = 0; i < 300 && !(window && IsWindowVisible(window)); ++i) {
    window = FindWindowW(className, caption);
    Sleep(50);
  }
  return window;
}

TEST(EntryWindows, SlashCOpensTheSettingsWindowUntilTheUserClosesIt) {
  test::TempDir dir;
  LayOutHostWithOneDataset(dir);
  HANDLE p = StartSettings(dir);
  ASSERT_NE(p, nullptr) << "build kanaliacs.exe first";
  HWND window = WaitForVisible(nullptr, L"Kanalia(CS)プラグイン設定");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(FindWindowW(nullptr, kCaption), nullptr);  // no download window
  EXPECT_EQ(WaitForSingleObject(p, 500), static_cast<DWORD>(WAIT_TIMEOUT));  // stays up
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCodeAfter(p, 10000), 0u);
  CloseHandle(p);
  EXPECT_FALSE(test::FileExistsAt(dir.file("hoz.log")));  // no run
  // Closing stores the platform choice for the download run.
  EXPECT_NE(test::ReadBytes(dir.file("hoz.ini")).find("DLL_SkyptE2=False"), std::string::npos);
}

TEST(EntryWindows, SettingsWithoutADatasetTellTheUserAndEnd) {
  test::TempDir dir;
  HANDLE p = StartSettings(dir);
  ASSERT_NE(p, nullptr) << "build kanaliacs.exe first";
  HWND box = WaitForVisible(L"#32770", nullptr);
  ASSERT_NE(box, nullptr) << "no message box";
  std::vector<std::wstring> texts;
  EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&texts));
  bool found = false;
  for (const std::wstring& t : texts)
    found = found || t == L"最初に地域設定で、SkyperfcTVにチェックを入れてください.";
  EXPECT_TRUE(found);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(ExitCodeAfter(p, 10000), 0u);
  CloseHandle(p);
}

}  // namespace
}  // namespace kc
