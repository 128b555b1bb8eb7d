#include "app/utils.h"

#include <cstdint>
#include <random>

#include "core/text.h"

namespace kc {

namespace {

std::function<void()> g_pump;
std::function<void(double)> g_waitMinutesOverride;

// The date parts are 16-bit unsigned in the table's comparisons.
std::uint16_t Word(int v) { return static_cast<std::uint16_t>(v); }

int Number(const std::string& s) { return StrToIntDef(Trim(s), 0); }

// The text before the first "(" (12/6(月) reads as 12/6).
std::string BeforeParen(const std::string& s) {
  std::size_t p = SjisFind(s, "(");
  return p == npos ? s : s.substr(0, p);
}

TDateTime BuildDate(std::uint16_t y, std::uint16_t m, std::uint16_t d) {
  TDateTime out;
  if (TryEncodeDate(y, m, d, out)) return out;
  return EncodeDate(1970, 1, 1);
}

}  // namespace

// ---------------------------------------------------------------- messages

void SetMessagePump(std::function<void()> pump) { g_pump = std::move(pump); }

void ProcessMessages() {
  if (g_pump) g_pump();
}

void YieldToMessages() {
  plat::SleepMs(0);
  ProcessMessages();
}

// ---------------------------------------------------------------- single instance

bool CheckSingleInstance(const std::string& mutexName) {
  // A random pause first, so that two copies started together by the host
  // rarely reach the test in the same instant.
  std::mt19937 rng(static_cast<unsigned>(plat::TickMs() ^ static_cast<std::uint64_t>(
                                                               plat::Now() * 86400000.0)));
  plat::SleepMs(std::uniform_int_distribution<unsigned>(0, 999)(rng));
  if (plat::NamedGuardExists(mutexName)) return false;
  return plat::TryCreateNamedGuard(mutexName);
}

void ReleaseSingleInstance() { plat::ReleaseNamedGuard(); }

// ---------------------------------------------------------------- date and time text

TDateTime ParseDateText(const std::string& text) {
  std::string sep;
  if (SjisContains(text, "/")) sep = "/";
  else if (SjisContains(text, "-")) sep = "-";
  else if (SjisContains(text, ":")) sep = ":";

  std::uint16_t y = 1970, m = 1, d = 1;
  if (!sep.empty()) {
    std::size_t s1 = SjisFind(text, sep);
    std::uint16_t p1 = Word(Number(text.substr(0, s1)));
    std::string rest = text.substr(s1 + 1);
    std::size_t s2 = SjisFind(rest, sep);
    if (s2 != npos) {
      std::uint16_t p2 = Word(Number(rest.substr(0, s2)));
      std::uint16_t p3 = Word(Number(BeforeParen(rest.substr(s2 + 1))));
      if (p3 <= 31) {
        y = p1; m = p2; d = p3;
      } else {
        y = p3; m = p1; d = p2;
      }
    } else if (sep == "/") {
      y = Word(YearOfDate(plat::Now()));
      m = p1;
      d = Word(Number(BeforeParen(rest)));
    } else if (sep == "-") {
      y = p1;
      m = Word(Number(rest));
      d = 1;
    } else {
      // One ":" only: no month.
      y = p1;
      m = 0;
      d = Word(Number(BeforeParen(rest)));
    }
  } else {
    std::string t = Trim(text);
    if (t.size() == 6) {
      int yy;
      if (!TryStrToInt(t.substr(0, 2), yy)) yy = 70;
      y = Word(yy < 20 ? 2000 + yy : 1900 + yy);
      m = Word(StrToIntDef(t.substr(2, 2), 1));
      d = Word(StrToIntDef(t.substr(4, 2), 1));
    } else if (t.size() == 8) {
      y = Word(StrToIntDef(t.substr(0, 4), 1970));
      m = Word(StrToIntDef(t.substr(4, 2), 1));
      d = Word(StrToIntDef(t.substr(6, 2), 1));
    }
  }
  if (m == 0 || d == 0) {
    m = 1;
    d = 1;
  }
  if (d >= 32 && y <= 12) return BuildDate(d, y, m);
  return BuildDate(y, m, d);
}

TDateTime ParseTimeText(const std::string& text) {
  int h = 0, n = 0, s = 0;
  std::size_t c1 = SjisFind(text, ":");
  if (c1 != npos) {
    h = Number(text.substr(0, c1));
    std::string rest = text.substr(c1 + 1);
    std::size_t c2 = SjisFind(rest, ":");
    if (c2 != npos) {
      n = Number(rest.substr(0, c2));
      s = Number(rest.substr(c2 + 1));
    } else {
      n = Number(rest);
    }
  } else {
    std::string t = Trim(text);
    if (t.size() == 4 || t.size() == 6) {
      h = Number(t.substr(0, 2));
      n = Number(t.substr(2, 2));
      if (t.size() == 6) s = Number(t.substr(4, 2));
    }
  }
  double day = 0;
  if (h >= 24 && h <= 35) {
    h -= 24;
    day = 1;
  }
  TDateTime t;
  if (!TryEncodeTime(h, n, s, 0, t)) return 0;
  return day + t;
}

int YearOfDate(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return y;
}

int MonthOfDate(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return m;
}

// ---------------------------------------------------------------- temp files

std::string GetEnvText(const std::string& name) { return Trim(plat::GetEnv(name)); }

std::string TempFolder() {
  std::string t = GetEnvText("temp");
  // Without the variable the folder would be the root of the drive, where the
  // clean-up would delete files; the system's temp folder is meant instead.
  if (t.empty()) t = Trim(plat::SystemTempFolder());
  return plat::IncludeTrailingBackslash(t);
}

std::string UniqueTempFileName() {
  std::string name;
  do {
    TDateTime t = TimeOf(plat::Now());
    name = TempFolder() + "_v" + FormatDateTime("hhnnssz", t) + ".tmp";
    // Wait for the clock to move on, so that the next name differs. A clock
    // that stands still (a test's) is not waited on for ever.
    std::uint64_t start = plat::TickMs();
    while (TimeOf(plat::Now()) == t && plat::TickMs() - start < 200) {
    }
  } while (plat::Fs().FileExists(name));
  return name;
}

// ---------------------------------------------------------------- processes

bool RunAndWait(const std::string& commandLine, int showState,
                const std::function<bool()>& shouldAbort, unsigned timeoutMs) {
  std::unique_ptr<plat::Process> p =
      plat::Processes().Start(commandLine, showState, plat::ProgramFolder());
  if (!p) return false;
  std::uint64_t start = plat::TickMs();
  while (p->Running()) {
    plat::SleepMs(100);
    ProcessMessages();
    if ((shouldAbort && shouldAbort()) ||
        (timeoutMs != 0 && plat::TickMs() - start >= timeoutMs)) {
      p->Terminate();
      return false;
    }
  }
  return true;
}

void ShellOpen(const std::string& target, const std::string& params) {
  plat::ShellOpen(target, params);
}

// ---------------------------------------------------------------- retrying opens

namespace {

std::unique_ptr<plat::File> OpenWithRetry(const std::string& path, plat::OpenMode mode,
                                          int retries) {
  for (int attempt = 0; attempt <= retries; ++attempt) {
    // Read mode is read-only and shares the file with everyone, every time.
    std::unique_ptr<plat::File> f = plat::Fs().Open(path, mode);
    if (f) return f;
    if (attempt < retries) WaitMinutes(1);
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<plat::File> AppendWithRetry(const std::string& path, int retries) {
  return OpenWithRetry(path, plat::OpenMode::Append, retries);
}

std::unique_ptr<plat::File> ResetWithRetry(const std::string& path, int retries) {
  return OpenWithRetry(path, plat::OpenMode::Read, retries);
}

std::unique_ptr<plat::File> RewriteWithRetry(const std::string& path, int retries) {
  return OpenWithRetry(path, plat::OpenMode::Rewrite, retries);
}

// ---------------------------------------------------------------- waits

void SetWaitMinutesOverride(std::function<void(double)> wait) {
  g_waitMinutesOverride = std::move(wait);
}

void WaitMinutes(double minutes) {
  if (g_waitMinutesOverride) {
    g_waitMinutesOverride(minutes);
    return;
  }
  TDateTime target = plat::Now() + minutes / kMinutesPerDay;
  while (plat::Now() < target) {
    plat::SleepMs(100);
    ProcessMessages();
  }
}

void WaitSeconds(double seconds) {
  long long n = static_cast<long long>(seconds * 100);
  for (long long i = 0; i < n; ++i) {
    plat::SleepMs(10);
    ProcessMessages();
  }
}

}  // namespace kc
