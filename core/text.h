// Byte-string helpers for Shift-JIS (code page 932) text: searching and
// replacing on whole characters only (a match never starts on a trail byte),
// ASCII-only case mapping, trimming of bytes 0x20 and below, and the integer
// conversions that the settings and tables use.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kc {

constexpr std::size_t npos = std::string::npos;

// Code page 932 lead bytes: 0x81-0x9F and 0xE0-0xFC.
inline bool IsSjisLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Bytes that may follow a lead byte: 0x40-0x7E and 0x80-0xFC.
inline bool IsSjisTrailByte(unsigned char b) {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// The text without half characters: a lead byte at the end, or before a
// byte that cannot follow it, is dropped (a reader of the text would take
// that next byte, a closing quote say, as the character's second half).
std::string WithoutHalfCharacters(const std::string& s);

// Length in bytes of the character starting at s[i] (2 for a lead byte that
// has a following byte, else 1).
std::size_t SjisCharLen(const std::string& s, std::size_t i);

// First occurrence of needle at or after byte `from` that starts on a
// character boundary; npos when none. An empty needle is found at `from`.
std::size_t SjisFind(const std::string& hay, const std::string& needle,
                     std::size_t from = 0);
inline bool SjisContains(const std::string& hay, const std::string& needle) {
  return SjisFind(hay, needle) != npos;
}
// 1-based position, 0 when absent.
inline std::size_t SjisPos(const std::string& needle, const std::string& hay) {
  std::size_t p = SjisFind(hay, needle);
  return p == npos ? 0 : p + 1;
}

// Replaces every occurrence, left to right, without rescanning replaced text.
std::string SjisReplaceAll(const std::string& s, const std::string& find,
                           const std::string& repl);

// Plain byte search (for UTF-8 text).
inline std::size_t ByteFind(const std::string& hay, const std::string& needle,
                            std::size_t from = 0) {
  return hay.find(needle, from);
}
std::string ByteReplaceAll(const std::string& s, const std::string& find,
                           const std::string& repl);

// ASCII letters only; every other byte (Shift-JIS bytes included) is kept.
// The Shift-JIS aware variants leave trail bytes alone. SameTextAscii
// compares bytes with ASCII letters folded (for names that are ASCII, or
// where a trail byte that looks like a letter may fold too).
inline char LowerAsciiChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
std::string UpperAscii(const std::string& s);
std::string LowerAscii(const std::string& s);
bool SameTextAscii(const std::string& a, const std::string& b);

// Remove bytes 0x20 and below at both ends.
std::string Trim(const std::string& s);

// Integer text as the host's runtime reads it: leading blanks, an optional
// sign, decimal digits (or hexadecimal after "$", "x" or "0x"), nothing
// after; out of 32-bit range fails.
bool TryStrToInt(std::string_view s, int& out);
int StrToIntDef(const std::string& s, int def);
// The same reading of decimal digits only (no "$", "x" or "0x" form): the
// numbers of page texts, where "x1" is a word, not a number.
bool TryStrToDecimal(std::string_view s, int& out);
std::string IntToStr(long long v);
// The same text appended to out.
void AppendInt(std::string& out, long long v);
// Writes v in decimal so that it ends just before end; returns its first
// byte. end needs 20 bytes of room before it.
char* WriteIntBefore(char* end, long long v);

// Zero-padded decimal, as "%3.3d" gives it.
std::string Format3d(int v);

}  // namespace kc
