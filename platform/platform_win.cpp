// The Win32 backend: the real system services. Paths and texts are Shift-JIS
// (code page 932) inside the program and converted explicitly to UTF-16 for
// the wide APIs, so that they come out right whatever the system's own ANSI
// code page is.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace kc {

namespace {

constexpr UINT kCp = 932;

std::wstring W(const std::string& s) {
  std::u16string u = Cp932ToWide(s);
  return std::wstring(u.begin(), u.end());
}

std::string A(const std::wstring& w) {
  return WideToCp932(std::u16string(w.begin(), w.end()));
}

TDateTime FromSystemTime(const SYSTEMTIME& st) {
  return kc::ComposeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
                             st.wSecond, st.wMilliseconds);
}

// A file time (UTC) as local time, as the runtime's file age reports it.
TDateTime FromFileTime(const FILETIME& ft) {
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToSystemTime(&local, &st))
    return 0;
  return FromSystemTime(st);
}

unsigned AttrOf(DWORD a) {
  unsigned r = a & (faReadOnly | faHidden | faSysFile | faDirectory | faArchive);
  if (r == 0) r = faNormal;
  return r;
}

// ---------------------------------------------------------------- files

class WinFile : public File {
 public:
  explicit WinFile(HANDLE h) : h_(h) {}
  ~WinFile() override { Close(); }
  bool Write(const void* data, std::size_t size) override {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      if (h_ == INVALID_HANDLE_VALUE) return false;
      DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
      DWORD done = 0;
      if (!WriteFile(h_, p, chunk, &done, nullptr) || done == 0) return false;
      p += done;
      size -= done;
    }
    return true;
  }
  long long Read(void* data, std::size_t size) override {
    if (h_ == INVALID_HANDLE_VALUE) return -1;
    DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD done = 0;
    if (!ReadFile(h_, data, chunk, &done, nullptr)) return -1;
    return done;
  }
  bool Flush() override { return h_ != INVALID_HANDLE_VALUE && FlushFileBuffers(h_); }
  bool Close() override {
    if (h_ == INVALID_HANDLE_VALUE) return true;
    BOOL ok = CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok != FALSE;
  }
  std::int64_t Size() override {
    LARGE_INTEGER li;
    if (h_ == INVALID_HANDLE_VALUE || !GetFileSizeEx(h_, &li)) return -1;
    return li.QuadPart;
  }
  bool Seek(std::int64_t offset) override {
    LARGE_INTEGER li;
    li.QuadPart = offset;
    return h_ != INVALID_HANDLE_VALUE && SetFilePointerEx(h_, li, nullptr, FILE_BEGIN);
  }
  bool Truncate(std::int64_t size) override {
    if (!Seek(size) || !SetEndOfFile(h_)) return false;
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    return SetFilePointerEx(h_, zero, nullptr, FILE_END) != FALSE;
  }

 private:
  HANDLE h_;
};

bool AttributesOf(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& d) {
  return GetFileAttributesExW(W(path).c_str(), GetFileExInfoStandard, &d) != FALSE;
}

class WinFs : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    DWORD access = 0, share = 0, disp = 0;
    switch (mode) {
      case OpenMode::Read:
        access = GENERIC_READ;
        share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        disp = OPEN_EXISTING;
        break;
      case OpenMode::Rewrite:
        access = GENERIC_WRITE;
        share = 0;
        disp = CREATE_ALWAYS;
        break;
      case OpenMode::Append:
        access = GENERIC_WRITE;
        share = FILE_SHARE_READ;
        disp = OPEN_ALWAYS;
        break;
      case OpenMode::AppendShared:
        // Append data only: the system puts every write at the end of file
        // as it is at that moment, whoever else appends meanwhile.
        access = FILE_GENERIC_WRITE & ~FILE_WRITE_DATA;
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        disp = OPEN_ALWAYS;
        break;
    }
    HANDLE h = CreateFileW(W(path).c_str(), access, share, nullptr, disp,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    if (mode == OpenMode::Append) {
      LARGE_INTEGER zero;
      zero.QuadPart = 0;
      SetFilePointerEx(h, zero, nullptr, FILE_END);
    }
    return std::unique_ptr<File>(new WinFile(h));
  }
  bool FileExists(const std::string& path) override {
    DWORD a = GetFileAttributesW(W(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
  }
  bool DirectoryExists(const std::string& path) override {
    DWORD a = GetFileAttributesW(W(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }
  std::vector<FoundFile> FindFiles(const std::string& pattern, unsigned attrMask) override {
    std::vector<FoundFile> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(W(pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
      if (wcscmp(fd.cFileName, L".") == 0 || wcscmp(fd.cFileName, L"..") == 0) continue;
      FoundFile f;
      f.Attr = AttrOf(fd.dwFileAttributes);
      if (!detail::AttrSelected(f.Attr, attrMask)) continue;
      f.Name = A(fd.cFileName);
      f.Size = (static_cast<std::int64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
      f.LastWrite = FromFileTime(fd.ftLastWriteTime);
      out.push_back(std::move(f));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return out;
  }
  bool DeleteFile(const std::string& path) override {
    return ::DeleteFileW(W(path).c_str()) != FALSE;
  }
  bool CopyFile(const std::string& from, const std::string& to, bool overwrite) override {
    return ::CopyFileW(W(from).c_str(), W(to).c_str(), overwrite ? FALSE : TRUE) != FALSE;
  }
  bool RenameFile(const std::string& from, const std::string& to) override {
    return MoveFileW(W(from).c_str(), W(to).c_str()) != FALSE;
  }
  bool ReplaceFile(const std::string& from, const std::string& to) override {
    return MoveFileExW(W(from).c_str(), W(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  bool CreateDir(const std::string& path) override {
    return CreateDirectoryW(W(path).c_str(), nullptr) != FALSE;
  }
  bool ForceDirectories(const std::string& path) override {
    std::string p = path;
    while (p.size() > 1 && (p.back() == '\\' || p.back() == '/') &&
           detail::LastSeparator(p) == p.size() - 1)
      p.pop_back();
    if (p.empty()) return false;
    if (DirectoryExists(p)) return true;
    std::size_t sep = detail::LastSeparator(p);
    if (sep != std::string::npos && sep > 0 && p[sep] != ':') {
      std::string parent = p.substr(0, sep);
      if (!(parent.size() == 2 && parent[1] == ':') && !ForceDirectories(parent))
        return false;
    }
    return CreateDir(p) || DirectoryExists(p);
  }
  std::int64_t FileSize(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!AttributesOf(path, d) || (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return -1;
    return (static_cast<std::int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
  }
  bool FileAge(const std::string& path, TDateTime& out) override {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!AttributesOf(path, d) || (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    out = FromFileTime(d.ftLastWriteTime);
    return true;
  }
  bool SetFileAge(const std::string& path, TDateTime localTime) override {
    int y, mo, d, h, mi, s, ms;
    kc::DecodeDate(localTime, y, mo, d);
    kc::DecodeTime(localTime, h, mi, s, ms);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(mi);
    st.wSecond = static_cast<WORD>(s);
    st.wMilliseconds = static_cast<WORD>(ms);
    FILETIME local, utc;
    if (!SystemTimeToFileTime(&st, &local) || !LocalFileTimeToFileTime(&local, &utc))
      return false;
    HANDLE hf = CreateFileW(W(path).c_str(), FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hf == INVALID_HANDLE_VALUE) return false;
    BOOL ok = SetFileTime(hf, nullptr, nullptr, &utc);
    CloseHandle(hf);
    return ok != FALSE;
  }
  std::string GetCurrentDir() override {
    wchar_t buf[MAX_PATH * 4];
    DWORD n = GetCurrentDirectoryW(MAX_PATH * 4, buf);
    if (n == 0 || n >= MAX_PATH * 4) return std::string();
    return A(std::wstring(buf, n));
  }
  bool SetCurrentDir(const std::string& path) override {
    return SetCurrentDirectoryW(W(path).c_str()) != FALSE;
  }
};

// ---------------------------------------------------------------- processes

class WinProcess : public Process {
 public:
  WinProcess(HANDLE process, HANDLE thread) : process_(process), thread_(thread) {}
  ~WinProcess() override {
    CloseHandle(thread_);
    CloseHandle(process_);
  }
  bool Running() override {
    if (ended_) return false;
    // Anything but "still running" (also a failed wait) ends the waiting.
    if (WaitForSingleObject(process_, 0) != WAIT_TIMEOUT) ended_ = true;
    return !ended_;
  }
  void Terminate() override {
    if (!Running()) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    ended_ = true;
    terminated_ = true;
  }
  int ExitCode() override {
    DWORD code = 0;
    if (Running() || terminated_ || !GetExitCodeProcess(process_, &code) ||
        code == STILL_ACTIVE)
      return -1;
    return static_cast<int>(code);
  }

 private:
  HANDLE process_;
  HANDLE thread_;
  bool ended_ = false;
  bool terminated_ = false;
};

// Every started process joins one job that ends its processes when the job's
// last handle closes: ours, which the system closes when the program ends,
// however it ends. Null when the system gives no such job.
HANDLE EndWithProgramJob() {
  static HANDLE job = [] {
    HANDLE j = CreateJobObjectW(nullptr, nullptr);
    if (!j) return static_cast<HANDLE>(nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
    info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(j, JobObjectExtendedLimitInformation, &info, sizeof info)) {
      CloseHandle(j);
      return static_cast<HANDLE>(nullptr);
    }
    return j;
  }();
  return job;
}

class WinLauncher : public ProcessLauncher {
 public:
  std::unique_ptr<Process> Start(const std::string& commandLine, int showState,
                                 const std::string& workDir) override {
    std::wstring cmd = W(commandLine);
    std::vector<wchar_t> buf(cmd.begin(), cmd.end());
    buf.push_back(L'\0');
    std::wstring dir = W(workDir);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showState);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, buf.data(), nullptr, nullptr, FALSE,
                        NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi))
      return nullptr;
    // Joined before it runs, so that nothing it starts escapes the job. A
    // process that cannot join (a job of our own that forbids it) still runs.
    if (HANDLE job = EndWithProgramJob()) AssignProcessToJobObject(job, pi.hProcess);
    ResumeThread(pi.hThread);
    return std::unique_ptr<Process>(new WinProcess(pi.hProcess, pi.hThread));
  }
};

HANDLE g_guard = nullptr;

// Profile calls need a full path: a bare or relative name would be looked
// for in the Windows folder.
std::string FullPathA(const std::string& file) {
  std::wstring w = W(file);
  DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return file;
  std::vector<wchar_t> buf(n + 1);
  DWORD m = GetFullPathNameW(w.c_str(), n + 1, buf.data(), nullptr);
  if (m == 0 || m > n) return file;
  return A(std::wstring(buf.data(), m));
}

// Splits the zero-separated list of len characters. An empty item (a key
// with no name) would look like the list's end; it is skipped instead.
StringList SplitZeroList(const std::vector<char>& buf, DWORD len) {
  StringList out;
  std::size_t i = 0;
  while (i < len) {
    std::size_t e = i;
    while (e < len && buf[e] != '\0') ++e;
    if (e > i) out.emplace_back(&buf[i], e - i);
    i = e + 1;
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------- hooks

namespace detail {

FileSystem& SystemFs() {
  static WinFs fs;
  return fs;
}

ProcessLauncher& SystemProcesses() {
  static WinLauncher l;
  return l;
}

TDateTime SystemNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return FromSystemTime(st);
}

}  // namespace detail

std::string NativePath(const std::string& path) { return path; }

std::string ProgramFileName() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::string();
    if (n < buf.size()) return A(std::wstring(buf.data(), n));
    buf.resize(buf.size() * 2);
  }
}

// ---------------------------------------------------------------- profiles
//
// The ANSI profile functions, on purpose: the host's ini files are Shift-JIS
// and the ANSI code page of the target system (and of the tests' Wine) is
// 932, so the ...A calls hand the value bytes through as they are. The wide
// calls would convert our UTF-16 back with the system's ANSI code page, which
// loses every Japanese character on a system whose code page is not 932; the
// ANSI calls keep the bytes there too. Only the file name is converted: to a
// full path, because relative names would be looked for in the Windows folder.

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& def) {
  std::string path = FullPathA(file);
  std::vector<char> buf(1024);
  for (;;) {
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf.data(),
                                       static_cast<DWORD>(buf.size()), path.c_str());
    if (n + 1 < buf.size() || buf.size() >= 1 << 20) return std::string(buf.data(), n);
    buf.resize(buf.size() * 4);
  }
}

bool WriteProfileString(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                    FullPathA(file).c_str()) != FALSE;
}

StringList ReadProfileKeys(const std::string& file, const std::string& section) {
  std::string path = FullPathA(file);
  std::vector<char> buf(4096);
  for (;;) {
    DWORD n = GetPrivateProfileStringA(section.c_str(), nullptr, "", buf.data(),
                                       static_cast<DWORD>(buf.size()), path.c_str());
    if (n + 2 < buf.size() || buf.size() >= 1 << 22) return SplitZeroList(buf, n);
    buf.resize(buf.size() * 4);
  }
}

std::vector<std::pair<std::string, std::string>> ReadProfileSection(const std::string& file,
                                                                    const std::string& section) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const std::string& key : ReadProfileKeys(file, section))
    out.emplace_back(key, ReadProfileString(file, section, key, key));
  return out;
}

StringList ReadProfileSections(const std::string& file) {
  std::string path = FullPathA(file);
  std::vector<char> buf(4096);
  for (;;) {
    DWORD n = GetPrivateProfileSectionNamesA(buf.data(), static_cast<DWORD>(buf.size()),
                                             path.c_str());
    if (n + 2 < buf.size() || buf.size() >= 1 << 22) return SplitZeroList(buf, n);
    buf.resize(buf.size() * 4);
  }
}

void FlushProfile(const std::string& file) {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, FullPathA(file).c_str());
}

// ---------------------------------------------------------------- code page

std::string WideToCp932(const std::u16string& w) {
  if (w.empty()) return std::string();
  const wchar_t* src = reinterpret_cast<const wchar_t*>(w.data());
  int n = WideCharToMultiByte(kCp, WC_NO_BEST_FIT_CHARS, src, static_cast<int>(w.size()),
                              nullptr, 0, "?", nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(kCp, WC_NO_BEST_FIT_CHARS, src, static_cast<int>(w.size()), &out[0], n,
                      "?", nullptr);
  return out;
}

std::u16string Cp932ToWide(const std::string& s) {
  if (s.empty()) return std::u16string();
  int n = MultiByteToWideChar(kCp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return std::u16string();
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(kCp, 0, s.data(), static_cast<int>(s.size()),
                      reinterpret_cast<wchar_t*>(&out[0]), n);
  return out;
}

bool IsCp932LeadByteSystem(unsigned char b) { return IsDBCSLeadByteEx(kCp, b) != FALSE; }

// ---------------------------------------------------------------- clock

namespace detail {
void SystemSleepMs(unsigned ms) { Sleep(ms); }
}  // namespace detail
std::uint64_t TickMs() {
  // The performance counter: the tick count moves in steps of about 16 ms.
  static const LONGLONG freq = [] {
    LARGE_INTEGER f;
    return QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? f.QuadPart : 0;
  }();
  if (freq == 0) return GetTickCount64();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<std::uint64_t>(c.QuadPart / freq * 1000 + c.QuadPart % freq * 1000 / freq);
}

// ---------------------------------------------------------------- environment

namespace {

// The whole value through the wide interface; false when unset.
bool EnvWide(const std::string& name, std::wstring& out) {
  const std::wstring wname = W(name);
  std::vector<wchar_t> buf(260);
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetEnvironmentVariableW(wname.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) {
      out.clear();
      return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    }
    if (n < buf.size()) {
      out.assign(buf.data(), n);
      return true;
    }
    buf.resize(n + 1);  // the value changed size in between: ask again
  }
}

// Text the program's character set holds whole.
bool Representable(const std::wstring& w, std::string& out) {
  out = A(w);
  return W(out) == w;
}

}  // namespace

std::string GetEnv(const std::string& name) {
  std::wstring w;
  return EnvWide(name, w) ? A(w) : std::string();
}

bool GetEnvFolder(const std::string& name, std::string& out) {
  std::wstring w;
  if (!EnvWide(name, w)) {
    out.clear();
    return true;
  }
  if (Representable(w, out)) return true;
  // The folder's short name is plain letters on most volumes.
  DWORD n = GetShortPathNameW(w.c_str(), nullptr, 0);
  if (n > 0) {
    std::vector<wchar_t> buf(n + 1);
    DWORD m = GetShortPathNameW(w.c_str(), buf.data(), n + 1);
    std::string shortName;
    if (m > 0 && m <= n && Representable(std::wstring(buf.data(), m), shortName)) {
      out = shortName;
      return true;
    }
  }
  out = A(w);
  return false;
}

std::string SystemTempFolder() {
  wchar_t buf[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  if (n == 0 || n > MAX_PATH) return std::string();
  return A(std::wstring(buf, n));
}

// ---------------------------------------------------------------- shell open

void ShellOpen(const std::string& target, const std::string& params) {
  std::wstring t = W(target);
  std::wstring p = W(params);
  std::wstring dir = W(ExtractFilePath(target));
  ShellExecuteW(nullptr, L"open", t.c_str(), p.empty() ? nullptr : p.c_str(),
                dir.empty() ? nullptr : dir.c_str(), SW_SHOWNORMAL);
}

// ---------------------------------------------------------------- guard

bool TryCreateNamedGuard(const std::string& name) {
  if (g_guard) return false;
  std::wstring w = W(name);
  HANDLE existing = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, w.c_str());
  if (existing) {
    CloseHandle(existing);
    return false;
  }
  HANDLE h = CreateMutexW(nullptr, FALSE, w.c_str());
  if (!h) return false;
  // A copy that created it in the same instant as we did also has a handle;
  // only the one that really created it runs.
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(h);
    return false;
  }
  g_guard = h;
  return true;
}

bool NamedGuardExists(const std::string& name) {
  HANDLE h = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, W(name).c_str());
  if (!h) return false;
  CloseHandle(h);
  return true;
}

void ReleaseNamedGuard() {
  if (g_guard) {
    CloseHandle(g_guard);
    g_guard = nullptr;
  }
}

// ---------------------------------------------------------------- version

std::map<std::string, std::string> OwnVersionValues() {
  std::map<std::string, std::string> out;
  std::wstring exe = W(ProgramFileName());
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  if (size == 0) return out;
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(exe.c_str(), 0, size, data.data())) return out;
  struct LangCodePage {
    WORD lang;
    WORD codePage;
  };
  LangCodePage* tr = nullptr;
  UINT trLen = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&tr), &trLen) ||
      trLen < sizeof(LangCodePage))
    return out;
  static const wchar_t* const kNames[] = {
      L"CompanyName",    L"FileDescription", L"FileVersion",      L"InternalName",
      L"LegalCopyright", L"LegalTrademarks", L"OriginalFilename", L"ProductName",
      L"ProductVersion", L"Comments",        L"PrivateBuild",     L"SpecialBuild"};
  for (const wchar_t* name : kNames) {
    wchar_t query[128];
    swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", tr[0].lang, tr[0].codePage, name);
    wchar_t* value = nullptr;
    UINT len = 0;
    if (VerQueryValueW(data.data(), query, reinterpret_cast<void**>(&value), &len) && value) {
      std::wstring v(value, len);
      while (!v.empty() && v.back() == L'\0') v.pop_back();
      out[A(name)] = A(v);
    }
  }
  return out;
}

// ---------------------------------------------------------------- placement

namespace {
const wchar_t kPlacementKey[] = L"software\\Corvane\\HozScheduler2";

std::wstring PlacementKey(const std::string& windowName) {
  return std::wstring(kPlacementKey) + L"\\" + W(windowName);
}
}  // namespace

bool LoadPlacement(const std::string& windowName, Placement& out) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, PlacementKey(windowName).c_str(), 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return false;
  auto get = [&](const wchar_t* name, int& v) {
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
      return false;
    v = static_cast<int>(data);
    return true;
  };
  Placement p;
  int maximized = 0;
  bool ok = get(L"Left", p.Left) && get(L"Top", p.Top) && get(L"Width", p.Width) &&
            get(L"Height", p.Height);
  if (ok && get(L"Maximized", maximized)) p.Maximized = maximized != 0;
  RegCloseKey(key);
  if (ok) out = p;
  return ok;
}

void SavePlacement(const std::string& windowName, const Placement& p) {
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, PlacementKey(windowName).c_str(), 0, nullptr, 0,
                      KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  auto set = [&](const wchar_t* name, int v) {
    DWORD data = static_cast<DWORD>(v);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
  };
  set(L"Left", p.Left);
  set(L"Top", p.Top);
  set(L"Width", p.Width);
  set(L"Height", p.Height);
  set(L"Maximized", p.Maximized ? 1 : 0);
  RegCloseKey(key);
}

}  // namespace kc
