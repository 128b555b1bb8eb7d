// The backend-independent part of the platform layer: the replaceable file
// system and process launcher, whole-file helpers, Shift-JIS path helpers,
// UTF-8 <-> UTF-16, the clock override and the logic both backends share.
#include <mutex>

#include "core/text.h"
#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace kc {

namespace {

FileSystem* g_fs = nullptr;
ProcessLauncher* g_processes = nullptr;
std::function<TDateTime()> g_nowOverride;

bool MatchFrom(const std::string& p, std::size_t pi, const std::string& n,
               std::size_t ni) {
  while (pi < p.size()) {
    unsigned char pc = static_cast<unsigned char>(p[pi]);
    if (pc == '*') {
      while (pi < p.size() && p[pi] == '*') ++pi;
      if (pi == p.size()) return true;
      for (std::size_t k = ni; k <= n.size(); k += (k < n.size() ? kc::SjisCharLen(n, k) : 1)) {
        if (MatchFrom(p, pi, n, k)) return true;
        if (k == n.size()) break;
      }
      return false;
    }
    if (ni >= n.size()) return false;
    std::size_t plen = kc::SjisCharLen(p, pi);
    std::size_t nlen = kc::SjisCharLen(n, ni);
    if (pc == '?') {
      pi += 1;
      ni += nlen;
      continue;
    }
    if (plen != nlen) return false;
    if (plen == 1) {
      if (kc::LowerAsciiChar(p[pi]) != kc::LowerAsciiChar(n[ni])) return false;
    } else if (p.compare(pi, 2, n, ni, 2) != 0) {
      return false;
    }
    pi += plen;
    ni += nlen;
  }
  return ni == n.size();
}

}  // namespace

// ---------------------------------------------------------------- seams

FileSystem& Fs() { return g_fs ? *g_fs : detail::SystemFs(); }
ScopedFs::ScopedFs(FileSystem& fs) : previous_(g_fs) { g_fs = &fs; }
ScopedFs::~ScopedFs() { g_fs = previous_; }

ProcessLauncher& Processes() {
  return g_processes ? *g_processes : detail::SystemProcesses();
}
ScopedProcesses::ScopedProcesses(ProcessLauncher& launcher) : previous_(g_processes) {
  g_processes = &launcher;
}
ScopedProcesses::~ScopedProcesses() { g_processes = previous_; }

bool ReadRest(File& f, std::string& out) {
  char buf[65536];
  for (;;) {
    long long n = f.Read(buf, sizeof buf);
    if (n < 0) return false;
    if (n == 0) return true;
    out.append(buf, static_cast<std::size_t>(n));
  }
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  auto f = Fs().Open(path, OpenMode::Read);
  if (!f) return false;
  std::string data;
  if (!ReadRest(*f, data)) return false;
  out.swap(data);
  return true;
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
  auto f = Fs().Open(path, OpenMode::Rewrite);
  if (!f) return false;
  bool ok = data.empty() || f->Write(data.data(), data.size());
  return f->Close() && ok;
}

// ---------------------------------------------------------------- paths

namespace detail {

std::size_t LastSeparator(const std::string& path) {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < path.size();) {
    char c = path[i];
    if (c == '\\' || c == '/' || c == ':') last = i;
    i += kc::SjisCharLen(path, i);
  }
  return last;
}

}  // namespace detail

std::string ExtractFileName(const std::string& path) {
  std::size_t p = detail::LastSeparator(path);
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtractFilePath(const std::string& path) {
  std::size_t p = detail::LastSeparator(path);
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

namespace {
// Position of the extension's "." (after the last separator), npos if none.
std::size_t ExtDot(const std::string& path) {
  std::size_t sep = detail::LastSeparator(path);
  std::size_t start = sep == std::string::npos ? 0 : sep + 1;
  std::size_t dot = std::string::npos;
  for (std::size_t i = start; i < path.size(); i += kc::SjisCharLen(path, i))
    if (path[i] == '.') dot = i;
  return dot;
}
}  // namespace

std::string ExtractFileExt(const std::string& path) {
  std::size_t d = ExtDot(path);
  return d == std::string::npos ? std::string() : path.substr(d);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  std::size_t d = ExtDot(path);
  return (d == std::string::npos ? path : path.substr(0, d)) + ext;
}

std::string IncludeTrailingBackslash(const std::string& path) {
  std::size_t sep = detail::LastSeparator(path);
  if (!path.empty() && sep == path.size() - 1 && path[sep] != ':') return path;
  return path + "\\";
}

std::string ProgramFolder() { return ExtractFilePath(ProgramFileName()); }

// ---------------------------------------------------------------- UTF-8

std::string WideToUtf8(const std::u16string& w) {
  std::string out;
  out.reserve(w.size() * 3);
  for (std::size_t i = 0; i < w.size(); ++i) {
    char32_t c = w[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 &&
        w[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (w[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // unpaired surrogate
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string Utf8ToWide(const std::string& s) {
  std::u16string out;
  out.reserve(s.size());
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    char32_t c;
    std::size_t len;
    char32_t min;
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      c = b & 0x1F; len = 2; min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      c = b & 0x0F; len = 3; min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      c = b & 0x07; len = 4; min = 0x10000;
    } else {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    std::size_t k = 1;
    for (; k < len && i + k < n; ++k) {
      unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) break;
      c = (c << 6) | (t & 0x3F);
    }
    if (k < len || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += u'\uFFFD';
      i += (k < len) ? k : len;  // skip the broken sequence's bytes read so far
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += len;
  }
  return out;
}

std::string Utf8ToCp932(const std::string& utf8) { return WideToCp932(Utf8ToWide(utf8)); }
std::string Cp932ToUtf8(const std::string& sjis) { return WideToUtf8(Cp932ToWide(sjis)); }

// ---------------------------------------------------------------- clock

TDateTime Now() { return g_nowOverride ? g_nowOverride() : detail::SystemNow(); }

namespace {
// The forward-only view of an overriding clock: how far it was set back in
// all, and its last reading.
TDateTime g_setBack = 0;
TDateTime g_lastOverride = 0;
bool g_overrideRead = false;
void ResetMonotonicView() {
  g_setBack = 0;
  g_lastOverride = 0;
  g_overrideRead = false;
}
}  // namespace

TDateTime MonotonicNow() {
  if (!g_nowOverride) return static_cast<double>(TickMs()) / (kc::kSecondsPerDay * 1000.0);
  const TDateTime t = g_nowOverride();
  if (g_overrideRead && t < g_lastOverride) g_setBack += g_lastOverride - t;
  g_lastOverride = t;
  g_overrideRead = true;
  return t + g_setBack;
}

ScopedClock::ScopedClock(std::function<TDateTime()> now) : previous_(std::move(g_nowOverride)) {
  g_nowOverride = std::move(now);
  ResetMonotonicView();
}
ScopedClock::~ScopedClock() {
  g_nowOverride = std::move(previous_);
  ResetMonotonicView();
}

namespace {
std::function<void(unsigned)> g_sleepOverride;
}  // namespace

void SleepMs(unsigned ms) {
  if (g_sleepOverride)
    g_sleepOverride(ms);
  else
    detail::SystemSleepMs(ms);
}
ScopedSleep::ScopedSleep(std::function<void(unsigned)> sleep)
    : previous_(std::move(g_sleepOverride)) {
  g_sleepOverride = std::move(sleep);
}
ScopedSleep::~ScopedSleep() { g_sleepOverride = std::move(previous_); }

// ---------------------------------------------------------------- shared logic

namespace detail {

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  if (pattern == "*" || pattern == "*.*") return true;
  if (MatchFrom(pattern, 0, name, 0)) return true;
  // "abc*.*" also finds "abc1", which has no extension.
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
      name.find('.') == std::string::npos)
    return MatchFrom(pattern.substr(0, pattern.size() - 2), 0, name, 0);
  return false;
}

bool AttrSelected(unsigned attr, unsigned attrMask) {
  const unsigned special = faHidden | faSysFile | faDirectory;
  if (attr & special & ~attrMask) return false;
  return (attr & attrMask) != 0;
}

}  // namespace detail
}  // namespace kc
