#include "search/pattern_compiler.h"

#include <vector>

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

std::string RewritePattern(const std::string& pattern, bool synonyms, bool fuzzy) {
  std::vector<ExpandedPattern> steps;
  return RewriteSteps(pattern, synonyms, fuzzy, steps);
}

std::unique_ptr<CompiledPattern> CompilePattern(const std::string& pattern, bool synonyms,
                                                bool fuzzy) {
  std::vector<ExpandedPattern> steps;
  const std::string text = RewriteSteps(pattern, synonyms, fuzzy, steps);
  try {
    return CompiledPattern::Compile(text);
  } catch (const EPatternError& e) {
    throw AtTypedPosition(e, steps);
  }
}

}  // namespace kc
