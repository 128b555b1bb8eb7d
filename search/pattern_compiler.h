// Pattern compilation with the dictionaries, and the cache of compiled
// patterns that lets the find command set the same pattern once per tested
// entry at almost no cost.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "search/automaton.h"
#include "search/pattern_scanner.h"

namespace kc {

class TPatternCompiler {
 public:
  static constexpr std::size_t kCacheCapacity = 30;

  TPatternCompiler();
  virtual ~TPatternCompiler() = default;

  // The text that is compiled for a typed pattern: the synonym expansion,
  // then the fuzzy one, each when switched on. Errors carry positions in
  // the typed pattern.
  static std::string Rewrite(const std::string& pattern, bool synonyms, bool fuzzy);

  // The compiled form of a typed pattern, from the cache or newly compiled.
  std::shared_ptr<CompiledPattern> CompilePattern(const std::string& pattern, bool synonyms,
                                                  bool fuzzy);

  // Cache keys (rewritten texts), entry 0 being the empty pattern.
  std::vector<std::string> CacheKeys() const;
  std::size_t CacheCount() const { return cache_.size(); }
  std::shared_ptr<CompiledPattern> EmptyPattern() const { return cache_.front().compiled; }

 private:
  struct Entry {
    std::string key;
    std::shared_ptr<CompiledPattern> compiled;
  };
  std::vector<Entry> cache_;
  // The last typed pattern and its rewritten text, since the find command
  // sets the same pattern for every entry it tests.
  std::string lastTyped_;
  std::string lastRewritten_;
  bool lastSynonyms_ = false, lastFuzzy_ = false, lastValid_ = false;
};

}  // namespace kc
