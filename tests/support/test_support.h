// Helpers shared by the C++ tests of both builds: a temporary folder, paths
// of files in the source tree, whole-file byte access, a fixed clock and
// scoped environment variables.
//
// Paths come in two forms. The platform form is what the test process's own
// OS calls take ("/tmp/kctest-1-2" natively, "C:\users\...\kctest-1-2" on
// Windows, code page 932 text). The product form is what the program's code
// takes: backslashes throughout ("\tmp\kctest-1-2" natively, which the POSIX
// backend maps back to "/tmp/kctest-1-2"). Test file names should be ASCII;
// to test other names go through the product's own file calls.
//
// This header must not include windows.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/datetime.h"
#include "platform/platform.h"

namespace kc {
namespace test {

// The platform form of a product-form path, and the other way round.
std::string ToPlatformPath(const std::string& productPath);
std::string ToProductPath(const std::string& platformPath);

// A fresh, empty folder below the system temp folder, removed with all its
// contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder in the platform form, without a trailing separator.
  const std::string& path() const { return path_; }
  // The folder in the product form (backslashes), without a trailing "\".
  std::string winPath() const;
  // A name inside the folder, in either form ("a\b.txt" or "a/b.txt").
  std::string file(const std::string& name) const;     // platform form
  std::string winFile(const std::string& name) const;  // product form

 private:
  std::string path_;
};

// A file of the source tree ("tests/data/x.html") in the platform form; the
// Windows build reaches the source folder through Wine's Z: drive.
std::string SourcePath(const std::string& relative);

// Whole-file access in either path form. ReadBytes returns false (and leaves
// out empty) when the file cannot be read; WriteBytes creates missing parent
// folders and replaces the file.
bool ReadBytes(const std::string& path, std::string& out);
std::string ReadBytes(const std::string& path);  // empty when unreadable
bool WriteBytes(const std::string& path, const std::string& bytes);
bool FileExistsAt(const std::string& path);

// Fixes kc::Now() for its lifetime. Each reading of the clock returns the
// current value and then advances it by step (0: the clock stands still), so
// code that waits for the clock to move still finishes.
class FakeClock {
 public:
  explicit FakeClock(TDateTime start, double stepSeconds = 0);
  FakeClock(int year, int month, int day, int hour = 0, int minute = 0,
            int second = 0, double stepSeconds = 0);
  ~FakeClock();
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

  TDateTime now() const { return now_; }
  void set(TDateTime t) { now_ = t; }
  void advanceSeconds(double s) { now_ += s / kSecondsPerDay; }
  void advanceMinutes(double m) { now_ += m / kMinutesPerDay; }
  void advanceDays(double d) { now_ += d; }
  void setStepSeconds(double s) { step_ = s / kSecondsPerDay; }
  // How often the program read the clock.
  std::uint64_t reads() const { return reads_; }

 private:
  TDateTime now_;
  double step_;
  std::uint64_t reads_ = 0;
  kc::ScopedClock clock_;
};

// Sets (or, with unset(), removes) an environment variable for its lifetime
// and puts the earlier state back afterwards. On Windows both the process
// environment block and the C runtime's copy are changed.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const std::string& value);
  explicit ScopedEnv(const std::string& name);  // removes the variable
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  bool hadValue_ = false;
  std::string oldValue_;
};

// Text helpers only the tests use: the Shift-JIS aware case mappings (trail
// bytes left alone), trimming bytes 0x20 and below on one side, and an
// environment variable trimmed (empty when unset).
std::string SjisUpper(const std::string& s);
std::string SjisLower(const std::string& s);
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);
std::string GetEnvText(const std::string& name);

}  // namespace test
}  // namespace kc
