// Pattern compilation with the dictionaries: the typed pattern is rewritten
// by the dictionaries switched on and the result compiled.
#pragma once

#include <memory>
#include <string>

#include "search/automaton.h"
#include "search/pattern_scanner.h"

namespace kc {

// The text that is compiled for a typed pattern: the synonym expansion,
// then the fuzzy one, each when switched on. Errors carry positions in
// the typed pattern.
std::string RewritePattern(const std::string& pattern, bool synonyms, bool fuzzy);

// The compiled form of a typed pattern; errors carry positions in the typed
// pattern.
std::unique_ptr<CompiledPattern> CompilePattern(const std::string& pattern, bool synonyms,
                                                bool fuzzy);

}  // namespace kc
