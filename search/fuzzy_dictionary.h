// The character dictionaries of the fuzzy search: ordered groups of strings
// (Shift-JIS) that a search counts as the same text.
#pragma once

#include <string>
#include <vector>

#include "search/pattern_scanner.h"

namespace kc {

using DictionaryGroup = std::vector<std::string>;
using CharDictionary = std::vector<DictionaryGroup>;

// Reads the dictionary source form: one group per line, strings separated by
// commas, "\" making the next character literal ("\s" is a space), lines that
// start with "//" skipped.
CharDictionary ParseDictionarySource(const std::string& source);

// The built-in fuzzy dictionary (145 groups), built on first use and shared.
const CharDictionary& FuzzyDictionary();

}  // namespace kc
