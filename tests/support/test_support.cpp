#include "support/test_support.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

#include "core/text.h"
#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace kc {
namespace test {
namespace {

bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Replaces one separator by the other, leaving the second byte of a
// double-byte character alone (0x5C can be one).
std::string SwapSeparators(const std::string& s, char from, char to) {
  std::string out = s;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(out[i])) && i + 1 < out.size()) {
      ++i;
      continue;
    }
    if (out[i] == from) out[i] = to;
  }
  return out;
}

#ifdef _WIN32
std::wstring Widen(const std::string& s) {
  if (s.empty()) return std::wstring();
  int n = MultiByteToWideChar(932, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

std::string Narrow(const std::wstring& w) {
  if (w.empty()) return std::string();
  int n = WideCharToMultiByte(932, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(932, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr,
                      nullptr);
  return s;
}

fs::path FsPath(const std::string& path) { return fs::path(Widen(ToPlatformPath(path))); }

std::string SystemTemp() {
  wchar_t buf[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  std::string t = (n > 0 && n <= MAX_PATH) ? Narrow(std::wstring(buf, n)) : "C:\\";
  while (t.size() > 3 && (t.back() == '\\' || t.back() == '/')) t.pop_back();
  return t;
}

unsigned long ProcessId() { return GetCurrentProcessId(); }
#else
fs::path FsPath(const std::string& path) { return fs::path(ToPlatformPath(path)); }

std::string SystemTemp() {
  std::error_code ec;
  fs::path p = fs::temp_directory_path(ec);
  std::string t = ec ? "/tmp" : p.string();
  while (t.size() > 1 && t.back() == '/') t.pop_back();
  return t;
}

unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }
#endif

// Makes everything below root writable again so that read-only files the
// test created do not block the removal (Windows refuses to delete them).
void RemoveTree(const fs::path& root) {
  std::error_code ec;
  if (!fs::exists(root, ec)) return;
  for (auto it = fs::recursive_directory_iterator(root, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code ignored;
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(root, ec);
}

}  // namespace

std::string ToPlatformPath(const std::string& productPath) {
#ifdef _WIN32
  return SwapSeparators(productPath, '/', '\\');
#else
  return SwapSeparators(productPath, '\\', '/');
#endif
}

std::string ToProductPath(const std::string& platformPath) {
  return SwapSeparators(platformPath, '/', '\\');
}

// ---------------------------------------------------------------- TempDir

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  std::mt19937 rng(rd() ^ static_cast<unsigned>(
                              std::chrono::steady_clock::now().time_since_epoch().count()));
  const std::string base = SystemTemp();
#ifdef _WIN32
  const char sep = '\\';
#else
  const char sep = '/';
#endif
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[64];
    std::snprintf(name, sizeof name, "kctest-%lu-%u-%06x", ProcessId(), counter++,
                  static_cast<unsigned>(rng() & 0xFFFFFF));
    std::string candidate = base + sep + name;
    std::error_code ec;
    if (fs::create_directory(FsPath(candidate), ec) && !ec) {
      path_ = candidate;
      return;
    }
  }
  std::fprintf(stderr, "TempDir: cannot create a folder below %s\n", base.c_str());
  std::abort();
}

TempDir::~TempDir() { RemoveTree(FsPath(path_)); }

std::string TempDir::winPath() const { return ToProductPath(path_); }

std::string TempDir::file(const std::string& name) const {
  return ToPlatformPath(path_ + "/" + name);
}

std::string TempDir::winFile(const std::string& name) const {
  return ToProductPath(path_ + "\\" + name);
}

// ---------------------------------------------------------------- files

std::string SourcePath(const std::string& relative) {
  std::string root = KC_SOURCE_DIR;
#ifdef _WIN32
  // The Windows build runs under Wine, where Z: is the Unix root.
  if (root.size() > 1 && root[0] == '/') root = "Z:" + root;
#endif
  return ToPlatformPath(root + "/" + relative);
}

bool ReadBytes(const std::string& path, std::string& out) {
  out.clear();
#ifdef _WIN32
  FILE* f = _wfopen(FsPath(path).c_str(), L"rb");
#else
  FILE* f = std::fopen(FsPath(path).c_str(), "rb");
#endif
  if (!f) return false;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  if (!ok) out.clear();
  return ok;
}

std::string ReadBytes(const std::string& path) {
  std::string out;
  ReadBytes(path, out);
  return out;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  fs::path p = FsPath(path);
  std::error_code ec;
  if (p.has_parent_path()) fs::create_directories(p.parent_path(), ec);
#ifdef _WIN32
  FILE* f = _wfopen(p.c_str(), L"wb");
#else
  FILE* f = std::fopen(p.c_str(), "wb");
#endif
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

bool FileExistsAt(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(FsPath(path), ec);
}

// ---------------------------------------------------------------- FakeClock

FakeClock::FakeClock(TDateTime start, double stepSeconds)
    : now_(start), step_(stepSeconds / kSecondsPerDay), clock_([this] {
        ++reads_;
        TDateTime t = now_;
        now_ += step_;
        return t;
      }) {}

FakeClock::FakeClock(int year, int month, int day, int hour, int minute, int second,
                     double stepSeconds)
    : FakeClock(EncodeDate(year, month, day) + EncodeTime(hour, minute, second, 0),
                stepSeconds) {}

FakeClock::~FakeClock() = default;

// ---------------------------------------------------------------- ScopedEnv

namespace {

bool GetVar(const std::string& name, std::string& value) {
#ifdef _WIN32
  std::wstring w = Widen(name);
  DWORD n = GetEnvironmentVariableW(w.c_str(), nullptr, 0);
  if (n == 0) {
    value.clear();
    return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
  }
  std::wstring buf(n, L'\0');
  n = GetEnvironmentVariableW(w.c_str(), &buf[0], n);
  buf.resize(n);
  value = Narrow(buf);
  return true;
#else
  const char* v = std::getenv(name.c_str());
  if (!v) return false;
  value = v;
  return true;
#endif
}

void SetVar(const std::string& name, const std::string* value) {
#ifdef _WIN32
  std::wstring w = Widen(name);
  if (value) {
    std::wstring wv = Widen(*value);
    // The runtime's copy first: it also writes the process block, but drops
    // a variable set to "", which the block itself can hold.
    _wputenv_s(w.c_str(), wv.c_str());
    SetEnvironmentVariableW(w.c_str(), wv.c_str());
  } else {
    _wputenv_s(w.c_str(), L"");
    SetEnvironmentVariableW(w.c_str(), nullptr);
  }
#else
  if (value)
    setenv(name.c_str(), value->c_str(), 1);
  else
    unsetenv(name.c_str());
#endif
}

}  // namespace

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : name_(name) {
  hadValue_ = GetVar(name_, oldValue_);
  SetVar(name_, &value);
}

ScopedEnv::ScopedEnv(const std::string& name) : name_(name) {
  hadValue_ = GetVar(name_, oldValue_);
  SetVar(name_, nullptr);
}

ScopedEnv::~ScopedEnv() { SetVar(name_, hadValue_ ? &oldValue_ : nullptr); }

std::string SjisUpper(const std::string& s) {
  std::string r = s;
  for (std::size_t i = 0; i < r.size(); i += SjisCharLen(r, i))
    if (SjisCharLen(r, i) == 1 && r[i] >= 'a' && r[i] <= 'z') r[i] = static_cast<char>(r[i] - 32);
  return r;
}

std::string SjisLower(const std::string& s) {
  std::string r = s;
  for (std::size_t i = 0; i < r.size(); i += SjisCharLen(r, i))
    if (SjisCharLen(r, i) == 1) r[i] = LowerAsciiChar(r[i]);
  return r;
}

std::string TrimLeft(const std::string& s) {
  std::size_t b = 0;
  while (b < s.size() && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  return s.substr(b);
}

std::string TrimRight(const std::string& s) {
  std::size_t e = s.size();
  while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return s.substr(0, e);
}

std::string GetEnvText(const std::string& name) { return Trim(kc::GetEnv(name)); }

}  // namespace test
}  // namespace kc
