// Rewriting a pattern with a character dictionary: every literal character
// (or short run of them) that a group lists becomes a group of alternatives
// holding all of that group's strings, so that "a" also finds "Ａ" or "ａ".
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "search/fuzzy_dictionary.h"
#include "search/pattern_scanner.h"

namespace kc {

// A rewritten pattern, with what is needed to report an error found in it at
// the position of the text the user typed.
struct ExpandedPattern {
  struct Piece {
    std::size_t outBegin, outEnd;  // slice of text
    std::size_t srcBegin, srcEnd;  // the pattern text it came from
    bool verbatim;                 // copied unchanged
  };
  std::string text;
  std::vector<Piece> pieces;

  // Maps a 1-based position in text (as EPatternError carries it) to the
  // position in the original pattern.
  std::size_t SourcePosition(std::size_t outPos) const;
};

class PatternExpander {
 public:
  explicit PatternExpander(const CharDictionary& dictionary);

  // Throws EPatternError when the pattern cannot be scanned.
  ExpandedPattern Expand(const std::string& pattern) const;

 private:
  struct Candidate {
    std::size_t group;
    std::vector<CharCode> codes;
  };
  void AppendNegatedClass(const std::string& pattern, const PatternToken& t,
                          std::string& out) const;

  // Candidates by first character, in dictionary order.
  std::unordered_map<CharCode, std::vector<Candidate>> index_;
  // First group listing a character as a one-character string.
  std::unordered_map<CharCode, std::size_t> singleGroup_;
  std::vector<std::string> groupText_;    // "(s1|s2|...)", escaped
  std::vector<std::string> classText_;    // one-character strings, escaped
};

// The shared expander of the built-in fuzzy dictionary.
const PatternExpander& FuzzyExpander();

}  // namespace kc
