// Reading a search pattern into tokens. Patterns are Shift-JIS text walked
// character by character: a code page 932 lead byte and the byte after it form
// one 16-bit character code (lead * 256 + trail); any other byte is a
// character of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "core/text.h"

namespace kc {

// A bad pattern. Position() is the 1-based byte position in the typed pattern
// of the last byte the scanner had read when the fault showed: the end of the
// offending token, or the pattern's length when the pattern ended too soon.
class EPatternError : public Error {
 public:
  EPatternError(const std::string& message, std::size_t position)
      : Error(message), position_(position) {}
  std::size_t Position() const { return position_; }

 private:
  std::size_t position_;
};

// The texts of the pattern errors (Shift-JIS).
namespace pattern_messages {
extern const char* const kBadDoubleByte;
extern const char* const kBackslashAtEnd;
extern const char* const kBadHex;
extern const char* const kBadOctal;
extern const char* const kNoRightBracket;
extern const char* const kBadRange;
extern const char* const kEmptyClass;
extern const char* const kNoRightParen;
extern const char* const kPrimaryExpected;
extern const char* const kTrailingTokens;
}  // namespace pattern_messages

using CharCode = std::uint32_t;  // 0..0xFFFF

// Largest code "." stands for; NUL, LF and CR are never part of it.
constexpr CharCode kMaxAnyChar = 0xFCFC;

// The character starting at text[i]; advances i past it. A lead byte at the
// very end is a character of its own.
inline CharCode NextSjisChar(std::string_view text, std::size_t& i) {
  unsigned char b = static_cast<unsigned char>(text[i]);
  if (IsSjisLeadByte(b) && i + 1 < text.size()) {
    CharCode code = b * 256u + static_cast<unsigned char>(text[i + 1]);
    i += 2;
    return code;
  }
  ++i;
  return b;
}

enum class TokenKind {
  Literal,    // code
  Alt,        // |
  LParen,     // (
  RParen,     // )
  Star,       // *
  Plus,       // +
  Question,   // ?
  Any,        // .
  Class,      // [...]   items
  NegClass,   // [^...]  items
  RBracket,   // ] outside a class
  LineStart,  // ^
  LineEnd,    // $
  End,
};

// One member of a class: a character (lo == hi, !range) or a range lo-hi.
// begin/end is its text slice in the pattern.
struct ClassItem {
  CharCode lo = 0;
  CharCode hi = 0;
  bool range = false;
  std::size_t begin = 0;
  std::size_t end = 0;
};

struct PatternToken {
  TokenKind kind = TokenKind::End;
  CharCode code = 0;               // Literal
  std::vector<ClassItem> items;    // Class, NegClass
  std::size_t begin = 0;           // text slice [begin, end) in the pattern
  std::size_t end = 0;
};

// Scans the whole pattern; the list ends with an End token. Throws
// EPatternError for a malformed escape, character or class.
std::vector<PatternToken> ScanPattern(const std::string& pattern);

}  // namespace kc
