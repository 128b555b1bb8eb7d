// The operating system utilities: temp names, running an outside command,
// retrying opens, waits and the single-instance guard.
#include <algorithm>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <stdexcept>

#include "core/error.h"
#include "core/text.h"
#include "platform/message_pump.h"
#include "platform/platform.h"
#include "platform/retry_open.h"
#include "platform/run_command.h"
#include "platform/single_instance.h"
#include "platform/temp_files.h"
#include "support/forwarding_fs.h"
#include "support/test_support.h"

namespace {

using kc::EncodeDate;
using kc::EncodeTime;
using kc::TDateTime;
using kc::test::FakeClock;
using kc::test::ScopedEnv;
using kc::test::TempDir;

// ---------------------------------------------------------------- temp folder and names

TEST(UtilsTemp, FolderFromTheVariable) {
  TempDir dir;
  {
    ScopedEnv temp("temp", "  " + dir.winPath() + " ");
    EXPECT_EQ(kc::test::GetEnvText("TEMP"), dir.winPath());  // trimmed, any case
    EXPECT_EQ(kc::TempFolder(), dir.winPath() + "\\");
  }
  {
    ScopedEnv temp("temp", dir.winPath() + "\\");
    EXPECT_EQ(kc::TempFolder(), dir.winPath() + "\\");
  }
}

// A temp folder whose name has a character the program's text lacks ("ā")
// names no folder here (no short names): a "?" in its place would name
// another folder, where the clean-up deletes work files. (Windows takes the
// short name: test_platform_win.)
#ifndef _WIN32
TEST(UtilsTemp, AFolderTheProgramsTextCannotNameIsRefused) {
  TempDir dir;
  ScopedEnv temp("temp", dir.path() + "/\xC4\x81");
  EXPECT_THROW(kc::TempFolder(), kc::Error);
}
#endif

// Without the variable the folder is the system's temp folder, never the
// root, where the clean-up would delete files.
TEST(UtilsTemp, FolderWithoutTheVariable) {
  ScopedEnv temp("temp");
  ASSERT_EQ(kc::test::GetEnvText("temp"), "");
  const std::string t = kc::TempFolder();
  EXPECT_NE(t, "\\");
  EXPECT_EQ(t, kc::IncludeTrailingBackslash(kc::Trim(kc::SystemTempFolder())));
  EXPECT_TRUE(kc::Fs().DirectoryExists(t));
}

TEST(UtilsTemp, NamesFollowTheClock) {
  TempDir dir;
  ScopedEnv temp("temp", dir.winPath());
  FakeClock clock(2010, 12, 6, 12, 3, 5, 0.001);
  EXPECT_EQ(kc::UniqueTempFileName(), dir.winPath() + "\\_v1203050.tmp");
}

TEST(UtilsTemp, NamesDifferAndSkipExistingFiles) {
  TempDir dir;
  ScopedEnv temp("temp", dir.winPath());
  {
    FakeClock clock(2010, 12, 6, 12, 3, 5, 0.001);
    // The names of the next ten milliseconds are taken already.
    std::set<std::string> taken;
    for (int ms = 0; ms < 10; ++ms) {
      std::string n = dir.winPath() + "\\_v120305" + std::to_string(ms) + ".tmp";
      ASSERT_TRUE(kc::WriteWholeFile(n, ""));
      taken.insert(n);
    }
    std::string name = kc::UniqueTempFileName();
    EXPECT_EQ(taken.count(name), 0u) << name;
    EXPECT_FALSE(kc::Fs().FileExists(name));
  }
  // On the real clock, one name right after the other.
  std::string a = kc::UniqueTempFileName();
  std::string b = kc::UniqueTempFileName();
  EXPECT_NE(a, b);
  for (const std::string& n : {a, b}) {
    EXPECT_EQ(n.rfind(dir.winPath() + "\\_v", 0), 0u) << n;
    EXPECT_EQ(kc::ExtractFileExt(n), ".tmp");
  }
}

// ---------------------------------------------------------------- run and wait

#ifdef _WIN32
const char kQuick[] = "cmd /c exit 0";
const char kSlow[] = "ping -n 30 127.0.0.1";
std::string WriteFileCommand(const std::string& file) {
  return "cmd /c echo done> \"" + file + "\"";
}
std::string WorkDirCommand(const std::string& file) { return "cmd /c cd > \"" + file + "\""; }
#else
const char kQuick[] = "true";
const char kSlow[] = "sleep 30";
std::string WriteFileCommand(const std::string& file) {
  return "sleep 0.3; echo done > '" + kc::test::ToPlatformPath(file) + "'";
}
std::string WorkDirCommand(const std::string& file) {
  return "pwd > '" + kc::test::ToPlatformPath(file) + "'";
}
#endif

class UtilsRun : public ::testing::Test {
 protected:
  int pumps_ = 0;
  kc::ScopedMessagePump pump_{[this] { ++pumps_; }};
  TempDir dir_;
};

TEST_F(UtilsRun, WaitsForTheProcess) {
  const std::string out = dir_.winPath() + "\\out.txt";
  EXPECT_TRUE(kc::RunAndWait(WriteFileCommand(out), kc::SW_Hide));
  std::string text;
  ASSERT_TRUE(kc::ReadWholeFile(out, text));  // there once the call returns
  EXPECT_EQ(kc::Trim(text), "done");
  EXPECT_GT(pumps_, 0);  // messages were handled while waiting
}

TEST_F(UtilsRun, ShortCommand) {
  std::uint64_t t0 = kc::TickMs();
  EXPECT_TRUE(kc::RunAndWait(kQuick, kc::SW_Hide));
  EXPECT_LT(kc::TickMs() - t0, 15000u);
}

TEST_F(UtilsRun, RunsInTheProgramFolder) {
  const std::string out = dir_.winPath() + "\\cwd.txt";
  ASSERT_TRUE(kc::RunAndWait(WorkDirCommand(out), kc::SW_Hide));
  std::string text;
  ASSERT_TRUE(kc::ReadWholeFile(out, text));
  std::string want = kc::ProgramFolder();
  want.pop_back();
#ifdef _WIN32
  EXPECT_EQ(kc::LowerAscii(kc::Trim(text)), kc::LowerAscii(want));
#else
  std::replace(want.begin(), want.end(), '\\', '/');
  EXPECT_EQ(kc::Utf8ToCp932(kc::Trim(text)), want);
#endif
}

TEST_F(UtilsRun, CommandThatCannotStart) {
  std::uint64_t t0 = kc::TickMs();
  EXPECT_FALSE(kc::RunAndWait("kc-no-such-program-here --x", kc::SW_Hide));
  EXPECT_LT(kc::TickMs() - t0, 2000u);
  EXPECT_EQ(pumps_, 0);
}

TEST_F(UtilsRun, AbortAndTimeOutEndTheProcess) {
  int polls = 0;
  std::uint64_t t0 = kc::TickMs();
  EXPECT_FALSE(kc::RunAndWait(kSlow, kc::SW_Hide, [&] { return ++polls >= 3; }));
  EXPECT_EQ(polls, 3);
  EXPECT_FALSE(kc::RunAndWait(kSlow, kc::SW_Hide, nullptr, 300));
  EXPECT_LT(kc::TickMs() - t0, 10000u);
}

// ---------------------------------------------------------------- retrying opens

// Fails the first `failures` opens, then opens for real; counts attempts.
class FlakyFs : public kc::test::ForwardingFs {
 public:
  explicit FlakyFs(int failures) : failures_(failures) {}
  std::unique_ptr<kc::File> Open(const std::string& path, kc::OpenMode mode) override {
    ++attempts;
    modes.insert(mode);
    if (failures_-- > 0) return nullptr;
    return base_.Open(path, mode);
  }

  int attempts = 0;
  std::set<kc::OpenMode> modes;

 private:
  int failures_;
};

class UtilsRetry : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_.winPath() + "\\data.csv";
    ASSERT_TRUE(kc::WriteWholeFile(file_, "old\r\n"));
  }
  TempDir dir_;
  std::string file_;
  std::vector<double> waits_;
  kc::ScopedMinuteWait wait_{[this](double m) { waits_.push_back(m); }};
};

TEST_F(UtilsRetry, AttemptsAndWaits) {
  struct Case {
    int failures, retries;
    int attempts;
    bool opened;
  } cases[] = {
      {0, 20, 1, true},  {3, 20, 4, true},  {20, 20, 21, true},
      {21, 20, 21, false}, {5, 2, 3, false}, {1, 0, 1, false}, {0, 0, 1, true},
  };
  for (const Case& c : cases) {
    FlakyFs fs(c.failures);
    std::unique_ptr<kc::File> f;
    waits_.clear();
    {
      kc::ScopedFs use(fs);
      f = kc::AppendWithRetry(file_, c.retries);
    }
    EXPECT_EQ(f != nullptr, c.opened) << c.failures << "/" << c.retries;
    EXPECT_EQ(fs.attempts, c.attempts) << c.failures << "/" << c.retries;
    // One minute between attempts, none after the last.
    EXPECT_EQ(waits_, std::vector<double>(static_cast<std::size_t>(c.attempts - 1), 1.0));
  }
}

TEST_F(UtilsRetry, OpenModes) {
  {
    FlakyFs fs(0);
    kc::ScopedFs use(fs);
    auto f = kc::AppendWithRetry(file_, 0);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->Write("new\r\n", 5));
    EXPECT_EQ(fs.modes, std::set<kc::OpenMode>{kc::OpenMode::Append});
  }
  {
    FlakyFs fs(1);
    kc::ScopedFs use(fs);
    auto f = kc::ResetWithRetry(file_, 1);
    ASSERT_NE(f, nullptr);
    char buf[32];
    EXPECT_EQ(f->Read(buf, sizeof buf), 10);
    EXPECT_EQ(fs.modes, std::set<kc::OpenMode>{kc::OpenMode::Read});
  }
  {
    FlakyFs fs(0);
    kc::ScopedFs use(fs);
    auto f = kc::RewriteWithRetry(file_, 0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fs.modes, std::set<kc::OpenMode>{kc::OpenMode::Rewrite});
  }
  std::string text;
  ASSERT_TRUE(kc::ReadWholeFile(file_, text));
  EXPECT_EQ(text, "");  // the rewrite truncated it
  EXPECT_EQ(kc::ResetWithRetry(dir_.winPath() + "\\missing.csv", 0), nullptr);
}

// ---------------------------------------------------------------- waits

TEST(UtilsWait, MinutesFollowTheClock) {
  FakeClock clock(2010, 12, 6, 12, 0, 0, 20);  // every reading: 20 s later
  int pumps = 0;
  {
    kc::ScopedMessagePump pump([&] { ++pumps; });
    kc::WaitMinutes(1);
  }
  EXPECT_GE(clock.now(), EncodeDate(2010, 12, 6) + EncodeTime(12, 1, 0, 0));
  EXPECT_GE(pumps, 2);
  EXPECT_LE(pumps, 4);
}

TEST(UtilsWait, SecondsInTenMillisecondSteps) {
  int pumps = 0;
  {
    kc::ScopedMessagePump pump([&] { ++pumps; });
    kc::WaitSeconds(0.05);
    EXPECT_EQ(pumps, 5);
    kc::WaitSeconds(0);
    kc::WaitSeconds(-1);
    EXPECT_EQ(pumps, 5);
    kc::YieldToMessages();
    EXPECT_EQ(pumps, 6);
    kc::ProcessMessages();
    EXPECT_EQ(pumps, 7);
  }
  kc::YieldToMessages();  // without a pump: nothing to do
  EXPECT_EQ(pumps, 7);
}

// ---------------------------------------------------------------- guards

// Each guard puts back what was there before it, nested or unwound by an
// exception, so a failing test leaves no hook behind.
TEST(UtilsGuards, RestoreWhatWasThereBefore) {
  FlakyFs outer(0), inner(0);
  int pumps = 0;
  try {
    kc::ScopedFs useOuter(outer);
    kc::ScopedClock day([] { return EncodeDate(2010, 12, 6); });
    kc::ScopedMessagePump count([&] { ++pumps; });
    {
      kc::ScopedFs useInner(inner);
      kc::ScopedClock later([] { return EncodeDate(2011, 1, 1); });
      kc::ScopedMessagePump none([] {});
      EXPECT_EQ(&kc::Fs(), &inner);
      EXPECT_EQ(kc::Now(), EncodeDate(2011, 1, 1));
      kc::ProcessMessages();
    }
    EXPECT_EQ(&kc::Fs(), &outer);
    EXPECT_EQ(kc::Now(), EncodeDate(2010, 12, 6));
    kc::ProcessMessages();
    throw std::runtime_error("x");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(pumps, 1);
  EXPECT_NE(&kc::Fs(), &outer);
  EXPECT_NE(kc::Now(), EncodeDate(2010, 12, 6));
  kc::ProcessMessages();
  EXPECT_EQ(pumps, 1);
}

// ---------------------------------------------------------------- single instance

const char kGuardName[] = "KcUtilsTestGuard";
const char kChildResultVar[] = "KC_UTILS_GUARD_CHILD_RESULT";

// Run in a child copy of this program: tries to take the guard and writes
// what happened.
TEST(UtilsGuardChild, TryTheGuard) {
  const std::string out = kc::GetEnv(kChildResultVar);
  if (out.empty()) GTEST_SKIP() << "only run as the child of UtilsGuard";
  bool got = kc::CheckSingleInstance(kGuardName);
  kc::WriteWholeFile(out, got ? "got" : "refused");
  kc::ReleaseSingleInstance();
}

std::string RunChild(const TempDir& dir) {
  const std::string out = dir.winPath() + "\\child.txt";
  kc::Fs().DeleteFile(out);
  ScopedEnv env(kChildResultVar, out);
  std::string program = kc::ProgramFileName();
#ifndef _WIN32
  std::replace(program.begin(), program.end(), '\\', '/');  // for /bin/sh
#endif
  const std::string cmd = "\"" + program + "\" --gtest_filter=UtilsGuardChild.TryTheGuard";
  EXPECT_TRUE(kc::RunAndWait(cmd, kc::SW_Hide));
  std::string text;
  kc::ReadWholeFile(out, text);
  return text;
}

TEST(UtilsGuard, SecondCopyIsRefused) {
  if (!kc::GetEnv(kChildResultVar).empty()) GTEST_SKIP();
  TempDir dir;
  ASSERT_TRUE(kc::CheckSingleInstance(kGuardName));
  EXPECT_EQ(RunChild(dir), "refused");
  kc::ReleaseSingleInstance();
  kc::ReleaseSingleInstance();  // twice is harmless
  EXPECT_EQ(RunChild(dir), "got");
  // The child has ended, and with it its hold.
  ASSERT_TRUE(kc::CheckSingleInstance(kGuardName));
  kc::ReleaseSingleInstance();
}

}  // namespace
