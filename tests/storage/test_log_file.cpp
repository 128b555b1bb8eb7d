// The host reads the log the plug-in appends to, so the exact bytes of each
// kind of line matter, and a log that cannot be written must never disturb
// its caller.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/datetime.h"
#include "failing_fs.h"
#include "platform/platform.h"
#include "storage/log_file.h"
#include "support/test_support.h"

namespace kc {
namespace {

using test::FailingFs;
using test::FakeClock;
using test::ReadBytes;
using test::TempDir;

std::string VersionText() {
  auto values = kc::OwnVersionValues();
  auto it = values.find("FileVersion");
  return it == values.end() ? std::string() : it->second;
}

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Process formats of another kind: the log's lines must not follow them.
    ProcessFormats().DateSeparator = '/';
    ProcessFormats().ShortDateFormat = "dd/mm/yyyy";
    ProcessFormats().LongTimeFormat = "hh:nn";
  }

  std::string LogPath() const { return dir_.winFile("hoz.log"); }
  std::string LogBytes() const { return ReadBytes(dir_.file("hoz.log")); }
  std::string StartBlock(const std::string& stamp) const {
    return "--- START ---\t" + stamp + "\r\nVersion " + VersionText() + "\r\n";
  }

  TempDir dir_;
  FakeClock clock_{2010, 12, 6, 21, 55, 17};
  ScopedFormats formats_;
};

TEST_F(LogFileTest, WritesTheExactBytesOfEveryKindOfLine) {
  ASSERT_TRUE(test::WriteBytes(dir_.file("hoz.log"), "host line\r\n"));
  {
    TLogFile log;
    log.SetLogFileName(LogPath());
    log.SetActive(true);
    EXPECT_TRUE(log.Active());
    EXPECT_TRUE(log.WriteLine("Kanalia(CS) ダウンロード開始"));
    EXPECT_TRUE(log.WriteLine("Main: x", true));
    clock_.set(EncodeDate(2010, 12, 6) + EncodeTime(22, 15, 31, 0));
    log.SetActive(false);
    EXPECT_FALSE(log.Active());
    EXPECT_FALSE(log.WriteLine("after the end"));
  }
  EXPECT_EQ(LogBytes(), "host line\r\n" + StartBlock("2010-12-06 21:55:17") +
                            "Kanalia(CS) ダウンロード開始\r\n"
                            "hoz.log: Main: x (C.ERROR)\r\n"
                            "--- END ---\t2010-12-06\t22:15:31\r\n");
}

TEST_F(LogFileTest, EndLineTimeFollowsTheGivenLongTimeFormat) {
  FormatSettings fs;
  fs.LongTimeFormat = "hh:nn";
  {
    TLogFile log;
    log.SetFormats(fs);
    log.SetLogFileName(LogPath());
    log.SetActive(true);
    clock_.set(EncodeDate(2011, 1, 2) + EncodeTime(3, 4, 5, 0));
  }  // destroyed while on: the end line
  EXPECT_EQ(LogBytes(), StartBlock("2010-12-06 21:55:17") + "--- END ---\t2011-01-02\t03:04\r\n");
}

TEST_F(LogFileTest, SwitchingOnTwiceWritesTwoStartBlocks) {
  TLogFile log;
  log.SetLogFileName(LogPath());
  log.SetActive(true);
  clock_.advanceSeconds(1);
  log.SetActive(true);
  EXPECT_EQ(LogBytes(), StartBlock("2010-12-06 21:55:17") + StartBlock("2010-12-06 21:55:18"));
  log.SetActive(false);
  log.SetActive(false);  // already off: nothing more
  EXPECT_EQ(LogBytes(), StartBlock("2010-12-06 21:55:17") + StartBlock("2010-12-06 21:55:18") +
                            "--- END ---\t2010-12-06\t21:55:18\r\n");
}

TEST_F(LogFileTest, NothingIsWrittenWhileOffOrWithABlankName) {
  TLogFile off;
  off.SetLogFileName(LogPath());
  EXPECT_FALSE(off.WriteLine("x"));
  EXPECT_FALSE(off.WriteLine("x", true));

  TLogFile blank;
  blank.SetLogFileName("  ");
  blank.SetActive(true);
  EXPECT_FALSE(blank.WriteLine("x"));
  blank.SetActive(false);
  EXPECT_FALSE(test::FileExistsAt(dir_.file("hoz.log")));
}

TEST_F(LogFileTest, FileFailuresLoseTheLineSilently) {
  TLogFile log;
  log.SetLogFileName(LogPath());
  log.SetActive(true);
  struct Case {
    const char* name;
    bool failOpen;
    int writesBeforeFailure;
    bool failFlush;
    bool failClose;
  };
  const Case cases[] = {
      {"open", true, -1, false, false},
      {"write", false, 0, false, false},
      {"flush", false, -1, true, false},
      {"close", false, -1, false, true},
  };
  for (const auto& c : cases) {
    FailingFs fs;
    if (c.failOpen) fs.failOpen = [](const std::string&, kc::OpenMode) { return true; };
    fs.writesBeforeFailure = c.writesBeforeFailure;
    fs.failFlush = c.failFlush;
    fs.failClose = c.failClose;
    bool result = true;
    EXPECT_NO_THROW(result = log.WriteLine(c.name));
    EXPECT_FALSE(result) << c.name;
    EXPECT_TRUE(log.Active()) << c.name << ": a failed line does not switch the log off";
  }
  EXPECT_TRUE(log.WriteLine("back"));
  const std::string bytes = LogBytes();
  EXPECT_EQ(bytes.substr(bytes.size() - 6), "back\r\n");
  EXPECT_EQ(bytes.find("open"), std::string::npos);
  EXPECT_EQ(bytes.find("write"), std::string::npos);
}

TEST_F(LogFileTest, AFailedStartBlockSwitchesTheLogOff) {
  TLogFile log;
  log.SetLogFileName(LogPath());
  {
    FailingFs fs;
    fs.failOpen = [](const std::string&, kc::OpenMode) { return true; };
    EXPECT_NO_THROW(log.SetActive(true));
    EXPECT_FALSE(log.Active());
    EXPECT_FALSE(log.WriteLine("lost"));
  }
  EXPECT_FALSE(log.WriteLine("still off"));
  EXPECT_FALSE(test::FileExistsAt(dir_.file("hoz.log")));
  log.SetActive(true);
  EXPECT_TRUE(log.WriteLine("on again"));
}

TEST_F(LogFileTest, RelativeNamesResolveAgainstTheProgramFolder) {
  TLogFile log;
  log.SetLogFileName("kc-test-relative.log");
  FailingFs fs;  // keeps the program's folder untouched
  fs.failOpen = [](const std::string&, kc::OpenMode) { return true; };
  log.SetActive(true);
  EXPECT_EQ(log.LogFileName(), kc::ProgramFolder() + "kc-test-relative.log");
  ASSERT_FALSE(fs.openedPaths.empty());
  EXPECT_EQ(fs.openedPaths[0], kc::ProgramFolder() + "kc-test-relative.log");

  TLogFile absolute;
  absolute.SetLogFileName(LogPath());
  absolute.SetActive(true);
  EXPECT_EQ(absolute.LogFileName(), LogPath());
}

TEST_F(LogFileTest, AMissingFolderIsCreatedWhenSwitchedOn) {
  TLogFile log;
  log.SetLogFileName(dir_.winFile("sub\\hoz.log"));
  log.SetActive(true);
  EXPECT_TRUE(log.WriteLine("x"));
  EXPECT_EQ(ReadBytes(dir_.file("sub/hoz.log")), StartBlock("2010-12-06 21:55:17") + "x\r\n");
}

}  // namespace
}  // namespace kc
