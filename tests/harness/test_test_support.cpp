// The shared test helpers behave the same in both builds: other suites rely
// on them to find source files (through Wine's Z: drive on Windows), to get
// a clean folder that goes away, and to fix the clock and the environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

namespace kc {
namespace test {
namespace {

TEST(TestSupportTempDir, IsCreatedEmptyAndRemovedWithItsContents) {
  std::string kept;
  {
    TempDir dir;
    kept = dir.path();
    ASSERT_FALSE(kept.empty());
    EXPECT_TRUE(WriteBytes(dir.file("a/b/c.bin"), std::string("x\0y", 3)));
    EXPECT_TRUE(FileExistsAt(dir.file("a/b/c.bin")));
    EXPECT_TRUE(FileExistsAt(dir.winFile("a\\b\\c.bin")));
  }
  EXPECT_FALSE(FileExistsAt(kept + "/a/b/c.bin"));
  TempDir again;
  EXPECT_NE(again.path(), kept);
}

TEST(TestSupportTempDir, ProductFormUsesBackslashesOnly) {
  TempDir dir;
  EXPECT_EQ(dir.winPath().find('/'), std::string::npos);
  EXPECT_EQ(dir.winFile("x/y.txt").substr(dir.winPath().size()), "\\x\\y.txt");
  EXPECT_EQ(ToPlatformPath(dir.winPath()), dir.path());
}

TEST(TestSupportPaths, SeparatorsSkipSecondBytesOfDoubleByteCharacters) {
  // "表" is 0x95 0x5C in code page 932: its second byte is no separator.
  const std::string hyou = "\x95\x5C";
  EXPECT_EQ(ToProductPath("a/" + hyou + "/b"), "a\\" + hyou + "\\b");
#ifdef _WIN32
  EXPECT_EQ(ToPlatformPath("a/" + hyou + "/b"), "a\\" + hyou + "\\b");
#else
  EXPECT_EQ(ToPlatformPath("a\\" + hyou + "\\b"), "a/" + hyou + "/b");
#endif
}

TEST(TestSupportFiles, BytesRoundTripExactly) {
  TempDir dir;
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  all += "\r\n\n\r";
  ASSERT_TRUE(WriteBytes(dir.file("all.bin"), all));
  EXPECT_EQ(ReadBytes(dir.file("all.bin")), all);
  ASSERT_TRUE(WriteBytes(dir.file("all.bin"), "short"));
  EXPECT_EQ(ReadBytes(dir.file("all.bin")), "short");
  std::string out = "stale";
  EXPECT_FALSE(ReadBytes(dir.file("missing.bin"), out));
  EXPECT_TRUE(out.empty());
}

TEST(TestSupportFiles, SourcePathReachesTheSourceTree) {
  std::string text = ReadBytes(SourcePath("tests/harness/test_test_support.cpp"));
  EXPECT_NE(text.find("TestSupportFiles"), std::string::npos);
#ifdef _WIN32
  EXPECT_EQ(SourcePath("x").substr(0, 3), "Z:\\");
#endif
}

TEST(TestSupportClock, FixesAndStepsTheProgramsClock) {
  {
    FakeClock clock(2010, 12, 6, 5, 0, 0);
    EXPECT_DOUBLE_EQ(kc::Now(), EncodeDate(2010, 12, 6) + EncodeTime(5, 0, 0, 0));
    clock.advanceMinutes(90);
    EXPECT_DOUBLE_EQ(kc::Now(), EncodeDate(2010, 12, 6) + EncodeTime(6, 30, 0, 0));
    clock.setStepSeconds(60);
    TDateTime a = kc::Now();
    TDateTime b = kc::Now();
    EXPECT_NEAR((b - a) * kMinutesPerDay, 1.0, 1e-6);
    EXPECT_EQ(clock.reads(), 4u);
  }
  // Back on the system clock: somewhere after 2020.
  EXPECT_GT(kc::Now(), EncodeDate(2020, 1, 1));
}

TEST(TestSupportEnv, SetsAndRestoresVariables) {
  const std::string name = "KC_TEST_SUPPORT_VAR";
  ASSERT_EQ(std::getenv(name.c_str()), nullptr);
  {
    ScopedEnv set(name, "one");
    EXPECT_EQ(kc::GetEnv(name), "one");
    {
      ScopedEnv gone(name);
      EXPECT_EQ(kc::GetEnv(name), "");
      EXPECT_EQ(std::getenv(name.c_str()), nullptr);
    }
    EXPECT_EQ(kc::GetEnv(name), "one");
  }
  EXPECT_EQ(std::getenv(name.c_str()), nullptr);
  EXPECT_EQ(kc::GetEnv(name), "");
}

}  // namespace
}  // namespace test
}  // namespace kc
