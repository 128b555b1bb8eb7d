// The POSIX backend: our own small layer that behaves like the Windows one,
// for the native tests and the headless run. Shift-JIS paths are mapped to
// UTF-8 names with "/" separators; profile files go through ini_text.
#include <algorithm>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "core/text.h"
#include "platform/ini_text.h"
#include "platform/platform.h"
#include "platform/platform_internal.h"
#include "res/version.h"

extern char** environ;

namespace kc {

namespace {

// ---------------------------------------------------------------- iconv

// One conversion descriptor per direction, used under a lock (iconv_t keeps
// shift state and is not for concurrent use).
struct Converter {
  iconv_t cd;
  std::mutex m;
  Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
};

Converter& ToCp932() {
  static Converter c("CP932", "UTF-16LE");
  return c;
}
Converter& FromCp932() {
  static Converter c("UTF-16LE", "CP932");
  return c;
}

// Runs iconv over in; on a character that cannot be converted calls onBad
// (which appends a replacement and says how many input bytes to skip).
template <typename OnBad>
std::string RunIconv(Converter& conv, const char* in, std::size_t inLen, OnBad onBad) {
  std::lock_guard<std::mutex> lock(conv.m);
  std::string out;
  if (conv.cd == reinterpret_cast<iconv_t>(-1)) return out;
  iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
  char buf[4096];
  char* src = const_cast<char*>(in);
  std::size_t left = inLen;
  while (left > 0) {
    char* dst = buf;
    std::size_t room = sizeof buf;
    std::size_t r = iconv(conv.cd, &src, &left, &dst, &room);
    out.append(buf, static_cast<std::size_t>(dst - buf));
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (incomplete at the end): replace and skip.
      std::size_t skip = onBad(out, src, left);
      if (skip > left) skip = left;
      src += skip;
      left -= skip;
      iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

void AppendU16(std::string& out, char16_t c) {
  out += static_cast<char>(c & 0xFF);
  out += static_cast<char>(c >> 8);
}

// ---------------------------------------------------------------- paths

std::string MapPath(const std::string& path) {
  std::string p;
  p.reserve(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (kc::IsSjisLeadByte(c) && i + 1 < path.size()) {
      p += path[i];
      p += path[++i];
    } else {
      p += (c == '\\') ? '/' : path[i];
    }
  }
  return Cp932ToUtf8(p);
}

std::string FromSystemName(const std::string& utf8) { return Utf8ToCp932(utf8); }

bool StatPath(const std::string& path, struct stat& st) {
  return ::stat(MapPath(path).c_str(), &st) == 0;
}

TDateTime FromTimespec(const struct timespec& ts) {
  std::time_t t = ts.tv_sec;
  struct tm lt;
  localtime_r(&t, &lt);
  return kc::ComposeDateTime(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour,
                             lt.tm_min, lt.tm_sec,
                             static_cast<int>(ts.tv_nsec / 1000000));
}

unsigned AttrOf(const std::string& name, const struct stat& st) {
  unsigned a = 0;
  if (S_ISDIR(st.st_mode)) a |= faDirectory;
  else a |= faArchive;  // what Windows marks a file written since the last backup
  if (!(st.st_mode & S_IWUSR)) a |= faReadOnly;
  if (!name.empty() && name[0] == '.') a |= faHidden;
  return a;
}

// ---------------------------------------------------------------- files

bool WriteAll(int fd, const char* p, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

class PosixFile : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { Close(); }
  bool Write(const void* data, std::size_t size) override {
    return fd_ >= 0 && WriteAll(fd_, static_cast<const char*>(data), size);
  }
  long long Read(void* data, std::size_t size) override {
    if (fd_ < 0) return -1;
    for (;;) {
      ssize_t n = ::read(fd_, data, size);
      if (n < 0 && errno == EINTR) continue;
      return n;
    }
  }
  bool Flush() override { return fd_ >= 0; }  // writes are unbuffered
  bool Close() override {
    if (fd_ < 0) return true;
    int r = ::close(fd_);
    fd_ = -1;
    return r == 0;
  }
  std::int64_t Size() override {
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    return st.st_size;
  }
  bool Seek(std::int64_t offset) override {
    return fd_ >= 0 && ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == offset;
  }
  bool Truncate(std::int64_t size) override {
    if (fd_ < 0) return false;
    for (;;) {
      if (::ftruncate(fd_, static_cast<off_t>(size)) == 0) break;
      if (errno != EINTR) return false;
    }
    return ::lseek(fd_, 0, SEEK_END) >= 0;
  }

 private:
  int fd_;
};

class PosixFs : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    int flags = O_CLOEXEC;
    switch (mode) {
      case OpenMode::Read: flags |= O_RDONLY; break;
      case OpenMode::Rewrite: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
      case OpenMode::Append:
      case OpenMode::AppendShared: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
    }
    std::string p = MapPath(path);
    struct stat st;
    if (::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
    int fd = ::open(p.c_str(), flags, 0666);
    if (fd < 0) return nullptr;
    return std::unique_ptr<File>(new PosixFile(fd));
  }
  bool FileExists(const std::string& path) override {
    struct stat st;
    return StatPath(path, st) && !S_ISDIR(st.st_mode);
  }
  bool DirectoryExists(const std::string& path) override {
    struct stat st;
    return StatPath(path, st) && S_ISDIR(st.st_mode);
  }
  std::vector<FoundFile> FindFiles(const std::string& pattern, unsigned attrMask) override {
    std::vector<FoundFile> out;
    std::string folder = ExtractFilePath(pattern);
    std::string mask = ExtractFileName(pattern);
    std::string sysFolder = folder.empty() ? std::string(".") : MapPath(folder);
    DIR* d = ::opendir(sysFolder.c_str());
    if (!d) return out;
    while (struct dirent* e = ::readdir(d)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      std::string name = FromSystemName(e->d_name);
      if (!detail::WildcardMatch(mask, name)) continue;
      struct stat st;
      std::string full = sysFolder + "/" + e->d_name;
      if (::stat(full.c_str(), &st) != 0) continue;
      FoundFile f;
      f.Name = name;
      f.Attr = AttrOf(e->d_name, st);
      if (!detail::AttrSelected(f.Attr, attrMask)) continue;
      f.Size = S_ISDIR(st.st_mode) ? 0 : st.st_size;
      f.LastWrite = FromTimespec(st.st_mtim);
      out.push_back(std::move(f));
    }
    ::closedir(d);
    return out;
  }
  bool DeleteFile(const std::string& path) override {
    std::string p = MapPath(path);
    struct stat st;
    if (::stat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::unlink(p.c_str()) == 0;
  }
  bool CopyFile(const std::string& from, const std::string& to, bool overwrite) override {
    std::string src = MapPath(from), dst = MapPath(to);
    struct stat st;
    if (::stat(src.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    if (!overwrite && ::access(dst.c_str(), F_OK) == 0) return false;
    int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    int out = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
    if (out < 0) {
      ::close(in);
      return false;
    }
    bool ok = true;
    char buf[65536];
    for (;;) {
      ssize_t n = ::read(in, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) { ok = false; break; }
      if (n == 0) break;
      ok = WriteAll(out, buf, static_cast<std::size_t>(n));
      if (!ok) break;
    }
    // The copy keeps the source's last-write time, as the system copy does.
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
    ::close(in);
    if (::close(out) != 0) ok = false;
    return ok;
  }
  bool RenameFile(const std::string& from, const std::string& to) override {
    std::string src = MapPath(from), dst = MapPath(to);
    if (::access(src.c_str(), F_OK) != 0) return false;
    // The system's rename never replaces an existing target.
    if (::access(dst.c_str(), F_OK) == 0) return false;
    return ::rename(src.c_str(), dst.c_str()) == 0;
  }
  bool ReplaceFile(const std::string& from, const std::string& to) override {
    std::string src = MapPath(from), dst = MapPath(to);
    struct stat st;
    if (::stat(src.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    if (::stat(dst.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return false;
    return ::rename(src.c_str(), dst.c_str()) == 0;
  }
  bool CreateDir(const std::string& path) override {
    return ::mkdir(MapPath(path).c_str(), 0777) == 0;
  }
  bool ForceDirectories(const std::string& path) override {
    std::string p = MapPath(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (p.empty()) return false;
    struct stat st;
    if (::stat(p.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    for (std::size_t i = 1; i <= p.size(); ++i) {
      if (i != p.size() && p[i] != '/') continue;
      std::string part = p.substr(0, i);
      if (::stat(part.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) return false;
        continue;
      }
      if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return true;
  }
  std::int64_t FileSize(const std::string& path) override {
    struct stat st;
    if (!StatPath(path, st) || S_ISDIR(st.st_mode)) return -1;
    return st.st_size;
  }
  bool FileAge(const std::string& path, TDateTime& out) override {
    struct stat st;
    if (!StatPath(path, st) || S_ISDIR(st.st_mode)) return false;
    out = FromTimespec(st.st_mtim);
    return true;
  }
  bool SetFileAge(const std::string& path, TDateTime localTime) override {
    int y, mo, d, h, mi, s, ms;
    kc::DecodeDate(localTime, y, mo, d);
    kc::DecodeTime(localTime, h, mi, s, ms);
    struct tm lt {};
    lt.tm_year = y - 1900;
    lt.tm_mon = mo - 1;
    lt.tm_mday = d;
    lt.tm_hour = h;
    lt.tm_min = mi;
    lt.tm_sec = s;
    lt.tm_isdst = -1;
    std::time_t t = std::mktime(&lt);
    if (t == static_cast<std::time_t>(-1)) return false;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = t;
    times[1].tv_nsec = static_cast<long>(ms) * 1000000L;
    return ::utimensat(AT_FDCWD, MapPath(path).c_str(), times, 0) == 0;
  }
  std::string GetCurrentDir() override {
    char buf[4096];
    if (!::getcwd(buf, sizeof buf)) return std::string();
    return FromSystemName(buf);
  }
  bool SetCurrentDir(const std::string& path) override {
    return ::chdir(MapPath(path).c_str()) == 0;
  }
};

// ---------------------------------------------------------------- processes

// Whether the program word of a command line (the first word, or a quoted
// first part) names something that can be run: the system refuses to start a
// process for a program it cannot find, and so do we, though the rest of the
// line goes through /bin/sh.
bool ProgramFound(const std::string& cmd) {
  std::size_t i = 0;
  while (i < cmd.size() && (cmd[i] == ' ' || cmd[i] == '\t')) ++i;
  std::string word;
  if (i < cmd.size() && (cmd[i] == '"' || cmd[i] == '\'')) {
    char q = cmd[i++];
    while (i < cmd.size() && cmd[i] != q) word += cmd[i++];
  } else {
    while (i < cmd.size() && cmd[i] != ' ' && cmd[i] != '\t') word += cmd[i++];
  }
  if (word.empty()) return false;
  if (word.find('/') != std::string::npos) {
    struct stat st;
    return ::stat(word.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(word.c_str(), X_OK) == 0;
  }
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  std::size_t b = 0;
  for (;;) {
    std::size_t e = dirs.find(':', b);
    std::string dir = dirs.substr(b, e == std::string::npos ? std::string::npos : e - b);
    if (dir.empty()) dir = ".";
    std::string full = dir + "/" + word;
    struct stat st;
    if (::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(full.c_str(), X_OK) == 0)
      return true;
    if (e == std::string::npos) break;
    b = e + 1;
  }
  return false;
}

class PosixProcess : public Process {
 public:
  explicit PosixProcess(pid_t pid) : pid_(pid) {}
  ~PosixProcess() override {
    if (!ended_) Reap(WNOHANG);
  }
  bool Running() override {
    if (ended_) return false;
    Reap(WNOHANG);
    return !ended_;
  }
  void Terminate() override {
    if (ended_) return;
    ::kill(-pid_, SIGKILL);  // the whole group: the shell and what it started
    ::kill(pid_, SIGKILL);
    Reap(0);
    exitCode_ = -1;
  }
  int ExitCode() override { return Running() ? -1 : exitCode_; }

 private:
  void Reap(int flags) {
    for (;;) {
      int status = 0;
      pid_t r = ::waitpid(pid_, &status, flags);
      if (r == pid_ || (r < 0 && errno != EINTR)) {
        ended_ = true;  // a failed wait ends the waiting too
        exitCode_ = r == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return;
      }
      if (r == 0) return;
    }
  }
  pid_t pid_;
  bool ended_ = false;
  int exitCode_ = -1;
};

// The started command's first process watches the program: when the
// program ends, however it ends, the system signals the watcher, which ends
// its whole process group (the shell and what the shell started). Only
// calls that are safe between fork and exec are made here.
extern "C" void EndOwnGroup(int) { ::kill(0, SIGKILL); }

// The watcher: starts the command in its own process group and ends with
// the command's status. execFailed gets errno when the command cannot be
// started (the pipe closes on exec otherwise).
[[noreturn]] void RunWatcher(pid_t parent, const std::string& dir, const std::string& cmd,
                             int execFailed) {
  ::setpgid(0, 0);
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = EndOwnGroup;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (::getppid() != parent) EndOwnGroup(0);  // the program ended already
  pid_t command = ::fork();
  if (command == 0) {
    sa.sa_handler = SIG_DFL;
    ::sigaction(SIGTERM, &sa, nullptr);
    int err = 0;
    if (!dir.empty() && ::chdir(dir.c_str()) != 0) err = errno;
    if (!err) {
      ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
      err = errno;
    }
    ssize_t ignored = ::write(execFailed, &err, sizeof err);
    (void)ignored;
    ::_exit(127);
  }
  ::close(execFailed);
  if (command < 0) ::_exit(127);
  int status = 0;
  while (::waitpid(command, &status, 0) < 0 && errno == EINTR) {
  }
  ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

class PosixLauncher : public ProcessLauncher {
 public:
  std::unique_ptr<Process> Start(const std::string& commandLine, int /*showState*/,
                                 const std::string& workDir) override {
    std::string cmd = Cp932ToUtf8(commandLine);
    std::string dir = workDir.empty() ? std::string() : MapPath(workDir);
    if (!ProgramFound(cmd)) return nullptr;
    if (!dir.empty()) {
      struct stat st;
      if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
    }
    // A pipe closed on exec tells whether the child got as far as exec.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return nullptr;
    const pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid < 0) {
      ::close(fds[0]);
      ::close(fds[1]);
      return nullptr;
    }
    if (pid == 0) RunWatcher(parent, dir, cmd, fds[1]);
    ::setpgid(pid, pid);
    ::close(fds[1]);
    int err = 0;
    ssize_t n;
    do {
      n = ::read(fds[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    ::close(fds[0]);
    if (n > 0) {
      int status;
      ::waitpid(pid, &status, 0);
      return nullptr;
    }
    return std::unique_ptr<Process>(new PosixProcess(pid));
  }
};

// ---------------------------------------------------------------- guard

int g_guardFd = -1;

std::string GuardFile(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = (tmp && *tmp) ? tmp : "/tmp";
  std::string safe;
  for (char c : Cp932ToUtf8(name)) safe += (c == '/') ? '_' : c;
  return dir + "/" + safe + ".lock";
}

}  // namespace

// ---------------------------------------------------------------- hooks

namespace detail {

FileSystem& SystemFs() {
  static PosixFs fs;
  return fs;
}

ProcessLauncher& SystemProcesses() {
  static PosixLauncher l;
  return l;
}

TDateTime SystemNow() {
  struct timespec ts;
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return FromTimespec(ts);
}

}  // namespace detail

// ---------------------------------------------------------------- program

std::string NativePath(const std::string& path) { return MapPath(path); }

std::string ProgramFileName() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return std::string();
  // The program's paths use backslashes throughout (the log, for one, tells a
  // full name from a relative one by its first character); "/" is never a
  // trail byte, so the plain replacement is safe.
  std::string name = FromSystemName(std::string(buf, static_cast<std::size_t>(n)));
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

// ---------------------------------------------------------------- profiles

namespace {

bool ReadSystemFile(const std::string& path, std::string& out) {
  int fd = ::open(MapPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  PosixFile f(fd);
  std::string data;
  if (!ReadRest(f, data)) return false;
  out.swap(data);
  return true;
}

}  // namespace

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& def) {
  std::string content;
  ReadSystemFile(file, content);  // a missing file reads as empty
  return ini::GetString(content, section, key, def);
}

bool WriteProfileString(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& value) {
  std::string content;
  ReadSystemFile(file, content);
  if (!ini::SetString(content, section, key, value)) return true;
  // The new content goes to a file beside it that then replaces it, so that
  // a failed write (a full disk) never leaves the settings cut short.
  const std::string target = MapPath(file);
  struct stat st;
  const bool existed = ::stat(target.c_str(), &st) == 0;
  const std::string temp = target + ".kc-new";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    // No room for a file beside it (a folder we may not write): in place.
    fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    PosixFile f(fd);
    bool ok = f.Write(content.data(), content.size());
    return f.Close() && ok;
  }
  if (existed) ::fchmod(fd, st.st_mode & 07777);
  PosixFile f(fd);
  bool ok = f.Write(content.data(), content.size()) && ::fsync(fd) == 0;
  ok = f.Close() && ok;
  if (ok && ::rename(temp.c_str(), target.c_str()) == 0) return true;
  ::unlink(temp.c_str());
  return false;
}

StringList ReadProfileKeys(const std::string& file, const std::string& section) {
  std::string content;
  if (!ReadSystemFile(file, content)) return StringList();
  return ini::Keys(content, section);
}

std::vector<std::pair<std::string, std::string>> ReadProfileSection(const std::string& file,
                                                                    const std::string& section) {
  std::string content;
  if (!ReadSystemFile(file, content)) return {};
  return ini::SectionValues(content, section);
}

StringList ReadProfileSections(const std::string& file) {
  std::string content;
  if (!ReadSystemFile(file, content)) return StringList();
  return ini::Sections(content);
}

void FlushProfile(const std::string& /*file*/) {}  // every write goes to the file at once

// ---------------------------------------------------------------- code page

// Characters that the converter maps one way only (from JIS variants) but
// the system's code page 932 has no form for.
bool OneWayOnly(char16_t c) {
  switch (c) {
    case 0x00A2: case 0x00A3: case 0x00A5: case 0x00AC: case 0x2014:
    case 0x2016: case 0x203E: case 0x2212: case 0x301C:
      return true;
    default:
      return false;
  }
}

std::string WideToCp932(const std::u16string& w) {
  std::string in;
  in.reserve(w.size() * 2);
  // U+FFFF has no form either, so it comes out as "?".
  for (char16_t c : w) AppendU16(in, OneWayOnly(c) ? u'\uFFFF' : c);
  return RunIconv(ToCp932(), in.data(), in.size(),
                  [](std::string& out, const char* src, std::size_t) -> std::size_t {
                    char16_t c = static_cast<char16_t>(static_cast<unsigned char>(src[0]) |
                                                       (static_cast<unsigned char>(src[1]) << 8));
                    // The single bytes that the system maps to these, and
                    // "?" for each UTF-16 unit of anything else (so two for
                    // a character outside the BMP, as the system gives).
                    if (c == 0x0080) out += '\x80';
                    else if (c == 0xF8F0) out += '\xA0';
                    else if (c >= 0xF8F1 && c <= 0xF8F3) out += static_cast<char>(0xFD + (c - 0xF8F1));
                    else out += '?';
                    return 2;
                  });
}

std::u16string Cp932ToWide(const std::string& s) {
  std::string out = RunIconv(
      FromCp932(), s.data(), s.size(),
      [](std::string& o, const char* src, std::size_t left) -> std::size_t {
        unsigned char b = static_cast<unsigned char>(src[0]);
        // As the system reads them: a lead byte with whatever follows (or
        // alone at the end) is one undefined character, shown as U+30FB; a
        // few single bytes have private or control code points.
        if (kc::IsSjisLeadByte(b)) {
          AppendU16(o, u'\u30FB');
          return (left >= 2 && src[1] != '\0') ? 2 : 1;  // a NUL stays a character
        }
        if (b == 0x80) AppendU16(o, u'\u0080');
        else if (b == 0xA0) AppendU16(o, u'\uF8F0');
        else if (b >= 0xFD) AppendU16(o, static_cast<char16_t>(0xF8F1 + (b - 0xFD)));
        else AppendU16(o, u'?');
        return 1;
      });
  std::u16string w;
  w.reserve(out.size() / 2);
  for (std::size_t i = 0; i + 1 < out.size(); i += 2)
    w += static_cast<char16_t>(static_cast<unsigned char>(out[i]) |
                               (static_cast<unsigned char>(out[i + 1]) << 8));
  return w;
}

bool IsCp932LeadByteSystem(unsigned char b) {
  // Ask the converter once per byte: a lead byte alone is an incomplete
  // character.
  static const std::vector<bool> table = [] {
    std::vector<bool> t(256, false);
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return t;
    for (int i = 0; i < 256; ++i) {
      char in[1] = {static_cast<char>(i)};
      char outBuf[8];
      char* src = in;
      char* dst = outBuf;
      std::size_t left = 1, room = sizeof outBuf;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      std::size_t r = iconv(cd, &src, &left, &dst, &room);
      t[i] = (r == static_cast<std::size_t>(-1) && errno == EINVAL);
    }
    iconv_close(cd);
    return t;
  }();
  return table[b];
}

// ---------------------------------------------------------------- clock

namespace detail {
void SystemSleepMs(unsigned ms) {
  if (ms == 0) {
    ::sched_yield();
    return;
  }
  struct timespec ts;
  ts.tv_sec = ms / 1000;
  ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}
}  // namespace detail

std::uint64_t TickMs() {
  struct timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
         static_cast<std::uint64_t>(ts.tv_nsec / 1000000);
}

// ---------------------------------------------------------------- environment

std::string GetEnv(const std::string& name) {
  std::string want = Cp932ToUtf8(name);
  for (char** e = environ; e && *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (!eq) continue;
    std::size_t len = static_cast<std::size_t>(eq - *e);
    if (len != want.size() || len == 0) continue;
    if (::strncasecmp(*e, want.c_str(), len) != 0) continue;
    return WideToCp932(Utf8ToWide(eq + 1));
  }
  return std::string();
}

bool GetEnvFolder(const std::string& name, std::string& out) {
  out = GetEnv(name);
  // No short names here: a value the program's text cannot hold whole
  // names no folder it can use.
  const char* raw = nullptr;
  const std::string want = Cp932ToUtf8(name);
  for (char** e = environ; e && *e && !raw; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq && static_cast<std::size_t>(eq - *e) == want.size() && !want.empty() &&
        ::strncasecmp(*e, want.c_str(), want.size()) == 0)
      raw = eq + 1;
  }
  return !raw || Cp932ToUtf8(out) == raw;
}

std::string SystemTempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  return Utf8ToCp932((tmp && *tmp) ? tmp : "/tmp");
}

// ---------------------------------------------------------------- shell open

void ShellOpen(const std::string& target, const std::string& params) {
  if (!ProgramFound("xdg-open")) return;
  std::string t = Cp932ToUtf8(target);
  std::string p = Cp932ToUtf8(params);
  pid_t pid = ::fork();
  if (pid < 0) return;
  if (pid == 0) {
    // A grandchild does the work so that nobody has to wait for it.
    if (::fork() == 0) {
      ::setsid();
      int devnull = ::open("/dev/null", O_RDWR);
      if (devnull >= 0) {
        ::dup2(devnull, 0);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
      }
      if (p.empty())
        ::execlp("xdg-open", "xdg-open", t.c_str(), static_cast<char*>(nullptr));
      else
        ::execlp("xdg-open", "xdg-open", t.c_str(), p.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::_exit(0);
  }
  int status;
  ::waitpid(pid, &status, 0);
}

// ---------------------------------------------------------------- guard

bool TryCreateNamedGuard(const std::string& name) {
  if (g_guardFd >= 0) return false;  // this process holds one already
  int fd = ::open(GuardFile(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  g_guardFd = fd;
  return true;
}

bool NamedGuardExists(const std::string& name) {
  int fd = ::open(GuardFile(name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

void ReleaseNamedGuard() {
  if (g_guardFd >= 0) {
    ::close(g_guardFd);  // the lock goes with the descriptor
    g_guardFd = -1;
  }
}

// ---------------------------------------------------------------- version

std::map<std::string, std::string> OwnVersionValues() {
  auto u8 = [](const char* s) { return Utf8ToCp932(s); };
  auto asChars = [](const auto* s) { return reinterpret_cast<const char*>(s); };
  return {
      {"CompanyName", u8(asChars(KC_VER_COMPANYNAME_U8))},
      {"FileDescription", u8(asChars(KC_VER_FILEDESCRIPTION_U8))},
      {"FileVersion", KC_VER_FILEVERSION},
      {"InternalName", KC_VER_INTERNALNAME},
      {"LegalCopyright", u8(asChars(KC_VER_LEGALCOPYRIGHT_U8))},
      {"OriginalFilename", KC_VER_ORIGINALFILENAME},
      {"ProductName", u8(asChars(KC_VER_PRODUCTNAME_U8))},
      {"ProductVersion", KC_VER_PRODUCTVERSION},
  };
}

// ---------------------------------------------------------------- placement

// The headless run has no windows to place.
bool LoadPlacement(const std::string& /*windowName*/, Placement& /*out*/) { return false; }
void SavePlacement(const std::string& /*windowName*/, const Placement& /*p*/) {}

}  // namespace kc
