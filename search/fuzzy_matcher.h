// The pattern matcher behind the settings window's find command: a regular
// expression over Shift-JIS text that, with the fuzzy dictionary on, treats
// full-width and half-width forms, letter case, hiragana and katakana and the
// like as the same character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "search/match_engine.h"

namespace kc {

class TFuzzyMatcher : public TMatchEngine {
 public:
  TFuzzyMatcher();

  const std::string& RegExp() const { return regExp_; }
  // Rewrites and compiles the pattern. On a pattern error the matcher holds
  // the empty pattern, RegExp() becomes empty and EPatternError is thrown.
  void SetRegExp(const std::string& pattern);

  bool UseFuzzyDictionary() const { return useFuzzy_; }
  // Applies the current pattern again at once when the setting changes.
  void SetUseFuzzyDictionary(bool value);

  // 1-based byte position of the leftmost-longest match, 0 when there is
  // none; `length` receives its length in bytes.
  std::size_t Match(std::string_view text, std::size_t& length);
  std::size_t Match(std::string_view text) {
    std::size_t length = 0;
    return Match(text, length);
  }

 private:
  std::string regExp_;
  bool useFuzzy_ = false;
};

}  // namespace kc
