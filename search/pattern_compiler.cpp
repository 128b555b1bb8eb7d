#include "search/pattern_compiler.h"

#include "search/pattern_expander.h"

namespace kc {

namespace {

// An error found in a rewritten text, moved back to the typed position.
EPatternError AtTypedPosition(const EPatternError& e, const std::vector<ExpandedPattern>& steps) {
  std::size_t pos = e.Position();
  for (std::size_t i = steps.size(); i-- > 0;) pos = steps[i].SourcePosition(pos);
  return EPatternError(e.what(), pos);
}

std::string RewriteSteps(const std::string& pattern, bool synonyms, bool fuzzy,
                         std::vector<ExpandedPattern>& steps) {
  std::string text = pattern;
  try {
    if (synonyms && !SynonymExpander().Empty()) {
      steps.push_back(SynonymExpander().Expand(text));
      text = steps.back().text;
    }
    if (fuzzy) {
      steps.push_back(FuzzyExpander().Expand(text));
      text = steps.back().text;
    }
  } catch (const EPatternError& e) {
    throw AtTypedPosition(e, steps);
  }
  return text;
}

}  // namespace

TPatternCompiler::TPatternCompiler() {
  cache_.push_back(Entry{std::string(), std::shared_ptr<CompiledPattern>(CompiledPattern::Compile(""))});
}

std::string TPatternCompiler::Rewrite(const std::string& pattern, bool synonyms, bool fuzzy) {
  std::vector<ExpandedPattern> steps;
  return RewriteSteps(pattern, synonyms, fuzzy, steps);
}

std::shared_ptr<CompiledPattern> TPatternCompiler::CompilePattern(const std::string& pattern,
                                                                  bool synonyms, bool fuzzy) {
  std::vector<ExpandedPattern> steps;
  std::string key;
  if (lastValid_ && pattern == lastTyped_ && synonyms == lastSynonyms_ && fuzzy == lastFuzzy_) {
    key = lastRewritten_;
  } else {
    key = RewriteSteps(pattern, synonyms, fuzzy, steps);
  }
  std::shared_ptr<CompiledPattern> compiled;
  for (const Entry& e : cache_) {
    if (e.key == key) {
      compiled = e.compiled;
      break;
    }
  }
  if (!compiled) {
    try {
      compiled = std::shared_ptr<CompiledPattern>(CompiledPattern::Compile(key));
    } catch (const EPatternError& e) {
      throw AtTypedPosition(e, steps);
    }
    if (cache_.size() >= kCacheCapacity) cache_.pop_back();
    cache_.insert(cache_.begin() + 1, Entry{key, compiled});
  }
  lastTyped_ = pattern;
  lastRewritten_ = key;
  lastSynonyms_ = synonyms;
  lastFuzzy_ = fuzzy;
  lastValid_ = true;
  return compiled;
}

std::vector<std::string> TPatternCompiler::CacheKeys() const {
  std::vector<std::string> keys;
  for (const Entry& e : cache_) keys.push_back(e.key);
  return keys;
}

}  // namespace kc
