// Any pattern and text through the fuzzy find, with or without the fuzzy
// dictionary, with either line separator: a pattern either
// compiles or fails with a pattern error inside the pattern, and a match
// lies inside the text on character boundaries. The pattern follows the
// last LF of the input, the text comes before it; the options change with
// the input's length.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "search/fuzzy_matcher.h"

namespace {

bool IsBoundary(const std::string& text, std::size_t at) {
  std::size_t i = 0;
  while (i < at) kc::NextSjisChar(text, i);
  return i == at;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using kc::fuzz::Check;
  static kc::TFuzzyMatcher matcher;
  const std::string all(reinterpret_cast<const char*>(data), size);
  const std::size_t lf = all.rfind('\n');
  std::string pattern = lf == std::string::npos ? all : all.substr(lf + 1);
  const std::string text = lf == std::string::npos ? std::string() : all.substr(0, lf);
  if (pattern.size() > 256) pattern.resize(256);
  const unsigned flags = static_cast<unsigned>((size * 2654435761u) >> 7) & 3;

  matcher.SetLineSeparator((flags & 2) ? kc::lsLF : kc::lsCRLF);
  bool compiled = true;
  try {
    matcher.SetUseFuzzyDictionary(flags & 1);
    matcher.SetRegExp(pattern);
  } catch (const kc::EPatternError& e) {
    compiled = false;
    Check(matcher.RegExp().empty(), "a failed pattern stays set");
    Check(e.Position() <= pattern.size(), "error position outside the pattern");
  }
  std::size_t len = 0;
  const std::size_t pos = matcher.Match(text, len);
  if (!compiled) Check(pos == 1 && len == 0, "match without a pattern");
  if (pos == 0) {
    Check(len == 0, "length of no match");
  } else {
    Check(pos - 1 + len <= text.size(), "match outside the text");
    Check(IsBoundary(text, pos - 1) && IsBoundary(text, pos - 1 + len),
          "match cuts a character");
  }
  return 0;
}
