// What only the Windows backend does: window placement in the registry,
// short names for a temp folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/error.h"
#include "platform/platform.h"
#include "platform/temp_files.h"
#include "support/test_support.h"

namespace {

// A temp folder whose name has a character the program's text lacks ("ā")
// is reached through its short name, or not at all: a "?" in its place
// would name another folder, where the clean-up deletes work files.
TEST(WinTemp, AFolderTheProgramsTextCannotNameIsTakenByItsShortNameOrRefused) {
  kc::test::TempDir dir;
  kc::test::ScopedEnv keep("temp", dir.winPath());  // put back afterwards
  auto widen = [](const std::string& a) {
    std::wstring w(a.size(), L'\0');
    w.resize(static_cast<std::size_t>(
        MultiByteToWideChar(932, 0, a.data(), static_cast<int>(a.size()), &w[0], static_cast<int>(w.size()))));
    return w;
  };
  const std::wstring wide = widen(dir.winPath()) + L"\\\u0101\u3042 long folder name";
  ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr));
  ASSERT_TRUE(SetEnvironmentVariableW(L"temp", wide.c_str()));
  std::string t;
  EXPECT_NO_THROW(t = kc::TempFolder());
  EXPECT_EQ(t.find('?'), std::string::npos) << t;
  EXPECT_TRUE(kc::Fs().DirectoryExists(t)) << t;
  const std::wstring missing = widen(dir.winPath()) + L"\\\u0101 not there";
  ASSERT_TRUE(SetEnvironmentVariableW(L"temp", missing.c_str()));
  EXPECT_THROW(kc::TempFolder(), kc::Error);
}

TEST(WinPlacement, RoundTripPerWindow) {
  const kc::Placement a{10, 20, 300, 400, false};
  const kc::Placement b{-5, 7, 640, 480, true};
  kc::SavePlacement("KcTestFormA", a);
  kc::SavePlacement("KcTestFormB", b);
  kc::Placement got;
  ASSERT_TRUE(kc::LoadPlacement("KcTestFormA", got));
  EXPECT_EQ(got.Left, 10);
  EXPECT_EQ(got.Top, 20);
  EXPECT_EQ(got.Width, 300);
  EXPECT_EQ(got.Height, 400);
  EXPECT_FALSE(got.Maximized);
  ASSERT_TRUE(kc::LoadPlacement("KcTestFormB", got));
  EXPECT_EQ(got.Left, -5);
  EXPECT_TRUE(got.Maximized);
  kc::Placement none;
  EXPECT_FALSE(kc::LoadPlacement("KcTestNeverSaved", none));
}

}  // namespace
