// What the libFuzzer targets share: a failed check that names itself, a work
// folder of the process for the readers that take a file, and the test for
// whole Shift-JIS characters.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/text.h"

namespace kc {
namespace fuzz {

inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

// A fresh folder for this process (below TMPDIR or /tmp), removed at exit.
// Returned in the platform form, without a trailing "/".
inline const std::string& WorkDir() {
  static const std::string dir = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kcfuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    static std::string removed;
    removed = pattern;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(removed, ec);
    });
    return pattern;
  }();
  return dir;
}

// A name inside the work folder in the form the product takes (backslashes;
// the POSIX backend maps them back).
inline std::string ProductPath(const std::string& name) {
  std::string p = WorkDir() + "/" + name;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

inline void WriteFile(const std::string& name, const std::string& bytes) {
  const std::string path = WorkDir() + "/" + name;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::FILE* f = std::fopen(path.c_str(), "wb");
  Check(f != nullptr, "work file cannot be written");
  Check(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(), "work file write");
  std::fclose(f);
}

inline std::string ReadFile(const std::string& name) {
  std::string out;
  if (std::FILE* f = std::fopen((WorkDir() + "/" + name).c_str(), "rb")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

// True when every lead byte has its trail byte (0x40-0x7E or 0x80-0xFC).
inline bool WholeSjis(const std::string& s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (!IsSjisLeadByte(static_cast<unsigned char>(s[i]))) continue;
    if (i + 1 >= s.size()) return false;
    const unsigned char t = static_cast<unsigned char>(s[++i]);
    if (t < 0x40 || t == 0x7F || t > 0xFC) return false;
  }
  return true;
}

}  // namespace fuzz
}  // namespace kc
