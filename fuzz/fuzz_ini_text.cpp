// Fuzz target for the profile text reader and writer: any file content must
// read without a crash, and a write of a plain key must read back as written
// while the other sections' keys stay as they were.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/date_text.h"
#include "core/text.h"
#include "platform/ini_text.h"

namespace {

// A short name of letters and digits taken from the input (never empty).
std::string TakeName(const std::uint8_t*& p, const std::uint8_t* end) {
  static const char kChars[] = "abcXYZ019";
  std::string s;
  std::size_t n = p < end ? 1 + (*p++ % 4) : 1;
  for (std::size_t i = 0; i < n; ++i) s += kChars[(p < end ? *p++ : 0) % (sizeof kChars - 1)];
  return s;
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "ini text: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t* p = data;
  const std::uint8_t* end = data + size;
  const std::string section = TakeName(p, end);
  const std::string key = TakeName(p, end);
  // A value without line breaks, blanks at its ends or enclosing quotes reads
  // back exactly.
  std::string value;
  std::size_t vlen = p < end ? *p++ % 8 : 0;
  for (std::size_t i = 0; i < vlen && p < end; ++i) {
    char c = static_cast<char>(*p++);
    if (c == '\r' || c == '\n' || static_cast<unsigned char>(c) <= 0x20 || c == 0x1A) c = '_';
    if (c == '"' || c == '\'') c = 'q';
    value += c;
  }
  std::string content(reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p));

  kc::ini::GetString(content, section, key, "def");
  const kc::StringList sections = kc::ini::Sections(content);
  for (const std::string& s : sections) kc::ini::Keys(content, s);

  std::string written = content;
  kc::ini::SetString(written, section, key, value);
  Check(kc::ini::GetString(written, section, key, "\x01") == value, "value does not read back");
  // Sections other than the written one keep their keys (a new section is
  // added at the end only).
  const kc::StringList after = kc::ini::Sections(written);
  Check(after.size() == sections.size() || after.size() == sections.size() + 1,
        "sections changed");
  for (const std::string& s : sections) {
    if (kc::SameTextAscii(kc::Trim(s), section)) continue;
    bool sameName = false;
    for (const std::string& t : sections)
      if (&t != &s && kc::SameTextAscii(t, s)) sameName = true;
    if (sameName) continue;
    Check(kc::ini::Keys(content, s) == kc::ini::Keys(written, s), "other keys changed");
  }

  // The chart analyser's text parsers never fail either.
  kc::ParseDateText(content.substr(0, 24), 2019);
  kc::ParseTimeText(content.substr(0, 12));
  return 0;
}
