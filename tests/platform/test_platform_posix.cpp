// What only the POSIX layer does: profile files keep lines that the system
// would also keep (Wine rewrites them, so the shared suite cannot check
// this), names are mapped to the file system, and processes run in a group
// of their own.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/ini_text.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace {

using kc::test::ReadBytes;
using kc::test::TempDir;
using kc::test::WriteBytes;

// ---------------------------------------------------------------- profile text

TEST(PosixProfileText, UntouchedLinesStayByteForByte) {
  const std::string before =
      "; settings\n"
      "[Main]\r\n"
      "  Alpha = 1 \r\n"
      "\r\n"
      "\tBeta=\x92\x6C\n"
      "NoEquals\r"
      "[Other]   \r\n"
      "\r\n"
      "Gamma =  \"q\"\r\n"
      "\r\n";
  struct Case {
    const char* section;
    const char* key;
    const char* value;
    std::string after;
  } cases[] = {
      // only the written line changes (and ends in CR LF)
      {"main", "BETA", "new",
       "; settings\n[Main]\r\n  Alpha = 1 \r\n\r\nBeta=new\r\nNoEquals\r[Other]   \r\n\r\n"
       "Gamma =  \"q\"\r\n\r\n"},
      // a new key comes after the section's last line that is not blank
      {"Main", "Delta", "d",
       "; settings\n[Main]\r\n  Alpha = 1 \r\n\r\n\tBeta=\x92\x6C\nNoEquals\rDelta=d\r\n"
       "[Other]   \r\n\r\nGamma =  \"q\"\r\n\r\n"},
      {"Other", "Delta", "d",
       "; settings\n[Main]\r\n  Alpha = 1 \r\n\r\n\tBeta=\x92\x6C\nNoEquals\r[Other]   \r\n\r\n"
       "Gamma =  \"q\"\r\nDelta=d\r\n\r\n"},
      // a new section at the end
      {"New", "K", "v",
       "; settings\n[Main]\r\n  Alpha = 1 \r\n\r\n\tBeta=\x92\x6C\nNoEquals\r[Other]   \r\n\r\n"
       "Gamma =  \"q\"\r\n\r\n[New]\r\nK=v\r\n"},
  };
  for (const Case& c : cases) {
    std::string content = before;
    ASSERT_TRUE(kc::ini::SetString(content, c.section, c.key, c.value)) << c.key;
    EXPECT_EQ(content, c.after) << "[" << c.section << "] " << c.key;
    EXPECT_EQ(kc::ini::GetString(content, c.section, c.key, "DEF"), c.value);
  }
  // The same value again changes nothing.
  std::string same = before;
  EXPECT_FALSE(kc::ini::SetString(same, "Main", "Alpha", "1"));
  EXPECT_EQ(same, before);
  EXPECT_EQ(kc::ini::GetString(before, "Other", "Gamma", ""), "q");
}

TEST(PosixProfileText, SectionNameEndsAtTheLastWholeBracket) {
  // "ゾ" is 0x83 0x5D: its second byte looks like "]".
  const std::string content = "[\x83\x5D]\r\nk=1\r\n[a]b]\r\nk=2\r\n[\x83\x5D\r\nk=3\r\n";
  EXPECT_EQ(kc::ini::GetString(content, "\x83\x5D", "k", ""), "1");
  EXPECT_EQ(kc::ini::GetString(content, "a]b", "k", ""), "2");
  EXPECT_EQ(kc::ini::Sections(content), (kc::StringList{"\x83\x5D", "a]b"}));
  EXPECT_EQ(kc::ini::Keys(content, "a]b"), (kc::StringList{"k", "k"}));
}

TEST(PosixProfileFile, WriteKeepsTheFileAndReadsWhatItWrote) {
  TempDir dir;
  const std::string before = "[A]\n x = 1\n\n[B]\ny=2\n";
  ASSERT_TRUE(WriteBytes(dir.file("p.ini"), before));
  const std::string f = dir.winFile("p.ini");
  EXPECT_TRUE(kc::WriteProfileString(f, "A", "x", "1"));  // unchanged: file untouched
  EXPECT_EQ(ReadBytes(dir.file("p.ini")), before);
  EXPECT_TRUE(kc::WriteProfileString(f, "B", "z", "3"));
  EXPECT_EQ(ReadBytes(dir.file("p.ini")), "[A]\n x = 1\n\n[B]\ny=2\nz=3\r\n");
  // Written beside and moved over it: nothing else is left in the folder,
  // and the file's permissions stay.
  ASSERT_EQ(::chmod(dir.file("p.ini").c_str(), 0640), 0);
  EXPECT_TRUE(kc::WriteProfileString(f, "B", "z", "4"));
  EXPECT_EQ(kc::Fs().FindFiles(dir.winPath() + "\\*", kc::faAnyFile).size(), 1u);
  struct stat st;
  ASSERT_EQ(::stat(dir.file("p.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// ---------------------------------------------------------------- names

TEST(PosixNames, BackslashesAndShiftJisNames) {
  TempDir dir;
  // "表" ends in 0x5C: its folder must be one folder, not "\x95" + "/".
  ASSERT_TRUE(kc::Fs().ForceDirectories(dir.winPath() + "\\\x95\x5C\\sub"));
  struct stat st;
  EXPECT_EQ(::stat((dir.path() + "/" + u8"表/sub").c_str(), &st), 0);
  ASSERT_TRUE(kc::WriteWholeFile(dir.winPath() + "\\\x95\x5C\\sub\\a.txt", "x"));
  EXPECT_EQ(ReadBytes(dir.path() + "/" + u8"表/sub/a.txt"), "x");
  // Names the system gives back come as Shift-JIS.
  auto found = kc::Fs().FindFiles(dir.winPath() + "\\*", kc::faDirectory);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Name, "\x95\x5C");
}

TEST(PosixNames, DotFilesAreHiddenAndReadOnlyIsTheWriteBit) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir.file(".hidden"), "x"));
  ASSERT_TRUE(WriteBytes(dir.file("ro.txt"), "x"));
  ASSERT_EQ(::chmod(dir.file("ro.txt").c_str(), 0444), 0);
  EXPECT_TRUE(kc::Fs().FindFiles(dir.winPath() + "\\.hidden", kc::faArchive).empty());
  auto hidden = kc::Fs().FindFiles(dir.winPath() + "\\.hidden", kc::faAnyFile);
  ASSERT_EQ(hidden.size(), 1u);
  EXPECT_TRUE(hidden[0].Attr & kc::faHidden);
  auto ro = kc::Fs().FindFiles(dir.winPath() + "\\ro.txt", kc::faAnyFile);
  ASSERT_EQ(ro.size(), 1u);
  EXPECT_EQ(ro[0].Attr, unsigned(kc::faReadOnly | kc::faArchive));
}

// ---------------------------------------------------------------- processes

TEST(PosixProcesses, TerminateEndsWhatTheShellStarted) {
  TempDir dir;
  const std::string pidFile = dir.file("pid");
  auto p = kc::Processes().Start("sleep 30 & echo $! > '" + pidFile + "'; wait",
                                   kc::SW_Hide, "");
  ASSERT_NE(p, nullptr);
  std::string pid;
  for (int i = 0; i < 200 && pid.empty(); ++i) {
    kc::SleepMs(10);
    pid = ReadBytes(pidFile);
  }
  ASSERT_FALSE(pid.empty());
  p->Terminate();
  EXPECT_FALSE(p->Running());
  pid_t child = static_cast<pid_t>(std::atoi(pid.c_str()));
  bool gone = false;
  for (int i = 0; i < 200 && !gone; ++i) {
    gone = ::kill(child, 0) != 0;  // an orphan that init reaps
    if (!gone) kc::SleepMs(10);
  }
  EXPECT_TRUE(gone);
}

// A process counts as ended once it is gone or only a zombie that nobody
// reaps yet (in a container the first process may not reap orphans).
bool Ended(pid_t pid) {
  if (::kill(pid, 0) != 0) return true;
  const std::string stat = ReadBytes("/proc/" + std::to_string(pid) + "/stat");
  std::size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

TEST(PosixProcesses, WhatTheProgramStartedEndsWhenTheProgramIsKilled) {
  TempDir dir;
  const std::string pidFile = dir.file("pid");
  pid_t program = ::fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    auto p = kc::Processes().Start("sleep 60 & echo $! > '" + pidFile + "'; wait",
                                     kc::SW_Hide, "");
    for (;;) ::pause();
  }
  std::string pid;
  for (int i = 0; i < 500 && pid.empty(); ++i) {
    kc::SleepMs(10);
    pid = ReadBytes(pidFile);
  }
  ::kill(program, SIGKILL);
  int status = 0;
  ::waitpid(program, &status, 0);
  ASSERT_FALSE(pid.empty());
  pid_t sleeper = static_cast<pid_t>(std::atoi(pid.c_str()));
  bool gone = false;
  for (int i = 0; i < 300 && !gone; ++i) {
    gone = Ended(sleeper);
    if (!gone) kc::SleepMs(10);
  }
  EXPECT_TRUE(gone);
  if (!gone) ::kill(sleeper, SIGKILL);
}

TEST(PosixProcesses, WhatCountsAsAProgram) {
  struct Case {
    std::string command;
    bool starts;
  } cases[] = {
      {"true", true},
      {"  true --x", true},
      {"\"/bin/true\" a b", true},
      {"'/bin/true'", true},
      {"/bin/no-such-program-kc", false},
      {"\"/bin\"", false},  // a folder is no program
      {"", false},
      {"   ", false},
  };
  for (const Case& c : cases) {
    auto p = kc::Processes().Start(c.command, kc::SW_Hide, "");
    EXPECT_EQ(p != nullptr, c.starts) << "[" << c.command << "]";
    if (p) p->Terminate();
  }
  EXPECT_EQ(kc::Processes().Start("true", kc::SW_Hide, "\\no\\such\\folder"), nullptr);
}

// ---------------------------------------------------------------- guard

TEST(PosixGuard, LockFileInTheTempFolder) {
  TempDir dir;
  kc::test::ScopedEnv tmp("TMPDIR", dir.path());
  ASSERT_TRUE(kc::TryCreateNamedGuard("KcPosixGuard"));
  EXPECT_EQ(::access((dir.path() + "/KcPosixGuard.lock").c_str(), F_OK), 0);
  EXPECT_FALSE(kc::TryCreateNamedGuard("KcPosixGuard"));
  kc::ReleaseNamedGuard();
  EXPECT_FALSE(kc::NamedGuardExists("KcPosixGuard"));
}

TEST(PosixPlacement, NothingIsStored) {
  kc::SavePlacement("TFormDLL", kc::Placement{1, 2, 3, 4, false});
  kc::Placement p;
  EXPECT_FALSE(kc::LoadPlacement("TFormDLL", p));
}

}  // namespace
