#include "search/pattern_compiler.h"

#include "search/pattern_expander.h"

namespace kc {

std::string RewritePattern(const std::string& pattern, bool fuzzy) {
  return fuzzy ? FuzzyExpander().Expand(pattern).text : pattern;
}

std::unique_ptr<CompiledPattern> CompilePattern(const std::string& pattern, bool fuzzy) {
  if (!fuzzy) return CompiledPattern::Compile(pattern);
  // The expander scans the typed pattern itself, so only an error found in
  // the expanded text needs moving back to where the user typed it.
  const ExpandedPattern expanded = FuzzyExpander().Expand(pattern);
  try {
    return CompiledPattern::Compile(expanded.text);
  } catch (const EPatternError& e) {
    throw EPatternError(e.what(), expanded.SourcePosition(e.Position()));
  }
}

}  // namespace kc
