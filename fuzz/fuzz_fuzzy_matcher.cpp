// Fuzz target for the pattern matcher: any pattern and text, with the fuzzy
// dictionary and the line separator chosen by the first byte. A pattern
// either compiles or fails with a pattern error; a match lies inside the
// text on character boundaries; a tiny automaton cache gives the same result
// as the normal one.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "search/fuzzy_matcher.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool IsBoundary(const std::string& text, std::size_t at) {
  std::size_t i = 0;
  while (i < at) kc::NextSjisChar(text, i);
  return i == at;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static kc::TFuzzyMatcher matcher;
  static kc::TFuzzyMatcher tiny;
  if (size < 2) return 0;
  const unsigned flags = data[0];
  std::size_t plen = data[1];
  data += 2;
  size -= 2;
  if (plen > size) plen = size;
  if (plen > 96) plen = 96;
  std::string pattern(reinterpret_cast<const char*>(data), plen);
  std::string text(reinterpret_cast<const char*>(data + plen), size - plen);
  if (text.size() > 160) text.resize(160);

  matcher.SetLineSeparator((flags & 2) ? kc::lsLF : kc::lsCRLF);
  bool compiled = true;
  try {
    matcher.SetUseFuzzyDictionary(flags & 1);
    matcher.SetUseSynonymDictionary(flags & 4);
    matcher.SetRegExp(pattern);
  } catch (const kc::EPatternError& e) {
    compiled = false;
    Check(matcher.RegExp().empty());
    Check(e.Position() <= pattern.size());
  }
  std::size_t len = 0;
  std::size_t pos = matcher.Match(text, len);
  if (!compiled) Check(pos == 1 && len == 0);
  if (pos == 0) {
    Check(len == 0);
  } else {
    Check(pos - 1 + len <= text.size());
    Check(IsBoundary(text, pos - 1));
    Check(IsBoundary(text, pos - 1 + len));
  }

  if (compiled && text.size() <= 48 && pattern.size() <= 32) {
    tiny.SetLineSeparator(matcher.LineSeparator());
    tiny.SetUseFuzzyDictionary(flags & 1);
    tiny.SetRegExp(pattern);
    tiny.Current().SetBudget(1);
    std::size_t tlen = 0;
    std::size_t tpos = tiny.Match(text, tlen);
    Check(tpos == pos && tlen == len);
    tiny.Current().SetBudget(kc::CompiledPattern::kDefaultBudget);
  }
  return 0;
}
