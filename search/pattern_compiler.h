// Pattern compilation with the fuzzy dictionary: the typed pattern is
// rewritten by the dictionary when it is switched on and the result compiled.
#pragma once

#include <memory>
#include <string>

#include "search/automaton.h"
#include "search/pattern_scanner.h"

namespace kc {

// The text that is compiled for a typed pattern: its fuzzy expansion when
// fuzzy is on. Errors carry positions in the typed pattern.
std::string RewritePattern(const std::string& pattern, bool fuzzy);

// The compiled form of a typed pattern; errors carry positions in the typed
// pattern.
std::unique_ptr<CompiledPattern> CompilePattern(const std::string& pattern, bool fuzzy);

}  // namespace kc
