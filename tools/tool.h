// kanalia-tool: the maintainers' view of what each stage makes of saved
// input. Each command lives in its own cmd_*.cpp and registers itself here.
// Output is raw bytes (Shift-JIS or UTF-8 as they are), one item per line,
// with backslash, TAB, CR and LF written as \\, \t, \r and \n. Input is read
// in large blocks and output goes through one buffer, so that the tool keeps
// pace with the usual text utilities on large files.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace tool {

// Returns the exit status; throw UsageError for bad arguments (exit 2 with
// the usage line on standard error).
using CommandFn = int (*)(const std::vector<std::string>& args);

struct UsageError {};

struct Registrar {
  Registrar(const char* name, const char* usage, CommandFn fn);
};

// Escapes \ TAB CR LF as \\ \t \r \n; Unescape reverses it (an unknown
// escape keeps the backslash and the byte).
std::string Escape(std::string_view bytes);
std::string Unescape(std::string_view line);
// Unescape into `out`; returns the line itself when it holds no backslash.
std::string_view UnescapeInto(std::string_view line, std::string& out);

// Whole standard input / a whole file as bytes (file: false when unreadable).
std::string ReadStdin();
bool ReadFile(const std::string& path, std::string& out);

// Lines of standard input split at LF (a CR before it is kept, since input
// lines are escaped and a raw CR is data); a last line without LF counts.
class LineReader {
 public:
  LineReader();
  // The next line, valid until the next call; false at the end.
  bool Next(std::string_view& line);

 private:
  bool Fill();
  std::vector<char> buf_;
  std::size_t begin_ = 0, end_ = 0;
  bool eof_ = false;
};
std::vector<std::string> StdinLines();

// Standard output, through one buffer that main() flushes at the end.
void Put(std::string_view bytes);
// Writes bytes + "\n" / Escape(bytes) + "\n".
void PutLine(std::string_view bytes);
void PutEscapedLine(std::string_view bytes);
void FlushOutput();

}  // namespace tool

#define KC_TOOL_COMMAND(ident, name, usage) \
  static int ident(const std::vector<std::string>& args); \
  static ::tool::Registrar ident##_registrar(name, usage, ident); \
  static int ident(const std::vector<std::string>& args)
