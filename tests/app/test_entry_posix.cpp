// The native program as the host would start it: a download run over
// headless controls that reports its labels on standard error, one copy at a
// time, and "/c" refused with status 2.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace kc {
namespace {

std::string OwnFolder() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string p(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
  return p.substr(0, p.rfind('/') + 1);
}

// Starts the program with its standard error in errFile; returns the pid.
pid_t Start(const std::string& exe, const std::vector<std::string>& args,
            const std::string& errFile, const std::vector<std::string>& env) {
  pid_t pid = ::fork();
  if (pid == 0) {
    int fd = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) ::dup2(fd, 2);
    for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(exe.c_str(), argv.data());
    ::_exit(127);
  }
  return pid;
}

// Exit status, or -1 when it did not end within the time.
int Wait(pid_t pid, int ms) {
  for (int waited = 0; waited <= ms; waited += 20) {
    int st = 0;
    if (::waitpid(pid, &st, WNOHANG) == pid) return WIFEXITED(st) ? WEXITSTATUS(st) : 128;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

int Count(const std::string& hay, const std::string& needle) {
  int n = 0;
  for (std::size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
  return n;
}

class EntryNative : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string bytes;
    ASSERT_TRUE(test::ReadBytes(OwnFolder() + "kanaliacs", bytes)) << "build kanaliacs first";
    exe = dir.file("plugin/kanaliacs");
    ASSERT_TRUE(test::WriteBytes(exe, bytes));
    ::chmod(exe.c_str(), 0755);
    // The single-instance lock lives in TMPDIR: a folder of this test's own
    // keeps other tests that run the program at the same time out of it.
    env.push_back("TMPDIR=" + dir.path());
  }
  test::TempDir dir;
  std::string exe;
  std::vector<std::string> env{"KANALIA_BASE_URL=http://127.0.0.1:9"};
};

TEST_F(EntryNative, DownloadRunReportsItsLabelsAndASecondCopyEndsAtOnce) {
  std::vector<std::string> holdEnv = env;
  holdEnv.push_back("KANALIA_TEST_HOLD_MS=3000");
  pid_t first = Start(exe, {}, dir.file("first.err"), holdEnv);
  // The log's start line comes after the guard is taken.
  bool started = false;
  for (int i = 0; i < 300 && !started; ++i) {
    started = test::FileExistsAt(dir.file("hoz.log"));
    if (!started) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(started);

  pid_t second = Start(exe, {}, dir.file("second.err"), env);
  EXPECT_EQ(Wait(second, 5000), 0);
  EXPECT_EQ(test::ReadBytes(dir.file("second.err")), "");  // no window, no output
  int st = 0;
  EXPECT_EQ(::waitpid(first, &st, WNOHANG), 0) << "the first copy must still run";

  EXPECT_EQ(Wait(first, 30000), 0);
  const std::string err = test::ReadBytes(dir.file("first.err"));
  EXPECT_NE(err.find(u8"LabelBrand: Kanalia(CS)"), std::string::npos) << err;
  EXPECT_NE(err.find(u8"Label1: 番組表をダウンロード中"), std::string::npos) << err;
  EXPECT_NE(err.find(u8"ProgressBar2: 3/3"), std::string::npos) << err;
  const std::string log = test::ReadBytes(dir.file("hoz.log"));
  EXPECT_EQ(Count(log, "--- START ---"), 1);
  EXPECT_EQ(Count(log, "Kanalia(CS)プラグイン"), 1);
}

TEST_F(EntryNative, SettingsModeNeedsTheWindowsBuild) {
  for (const char* arg : {"/c", "/C"}) {
    SCOPED_TRACE(arg);
    pid_t p = Start(exe, {arg}, dir.file("settings.err"), env);
    EXPECT_EQ(Wait(p, 10000), 2);
    EXPECT_NE(test::ReadBytes(dir.file("settings.err")).find("Windows"), std::string::npos);
    EXPECT_FALSE(test::FileExistsAt(dir.file("hoz.log")));
  }
}

}  // namespace
}  // namespace kc
