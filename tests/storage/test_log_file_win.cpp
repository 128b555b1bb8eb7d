// The host keeps its log open while it appends; the plug-in's lines must
// land between the host's, whole, and none may be lost.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "storage/log_file.h"
#include "support/test_support.h"

namespace kc {
namespace {

TEST(LogFileWin, LinesLandWhileTheHostHoldsTheLogOpen) {
  test::TempDir dir;
  TLogFile log;
  log.SetLogFileName(dir.winFile("hoz.log"));
  log.SetActive(true);
  const std::u16string wide = kc::Cp932ToWide(dir.winFile("hoz.log"));
  HANDLE host = CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(host, INVALID_HANDLE_VALUE);
  auto hostLine = [&](const std::string& text) {
    const std::string line = text + "\r\n";
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(host, line.data(), static_cast<DWORD>(line.size()), &done, nullptr));
  };
  std::string expected;
  for (int i = 0; i < 3; ++i) {
    hostLine("host " + std::to_string(i));
    EXPECT_TRUE(log.WriteLine("plug-in " + std::to_string(i)));
    expected += "host " + std::to_string(i) + "\r\nplug-in " + std::to_string(i) + "\r\n";
  }
  CloseHandle(host);
  const std::string bytes = test::ReadBytes(dir.file("hoz.log"));
  ASSERT_GE(bytes.size(), expected.size());
  EXPECT_EQ(bytes.substr(bytes.size() - expected.size()), expected);
}

}  // namespace
}  // namespace kc
