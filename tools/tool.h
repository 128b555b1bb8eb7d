// kanalia-tool: the maintainers' view of what each stage makes of saved
// input. Each command lives in its own cmd_*.cpp and registers itself here.
// Output is raw bytes (Shift-JIS or UTF-8 as they are), one item per line,
// with backslash, TAB, CR and LF written as \\, \t, \r and \n.
#pragma once

#include <iosfwd>
#include <string>
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
std::string Escape(const std::string& bytes);
std::string Unescape(const std::string& line);

// Whole standard input / a whole file as bytes (file: false when unreadable).
std::string ReadStdin();
bool ReadFile(const std::string& path, std::string& out);
// Lines of standard input split at LF (a CR before it is kept, since input
// lines are escaped and a raw CR is data).
std::vector<std::string> StdinLines();
// Writes bytes + "\n" to standard output.
void PutLine(const std::string& bytes);

}  // namespace tool

#define KC_TOOL_COMMAND(ident, name, usage) \
  static int ident(const std::vector<std::string>& args); \
  static ::tool::Registrar ident##_registrar(name, usage, ident); \
  static int ident(const std::vector<std::string>& args)
