// Entry of kanalia-tool: dispatches to the registered commands.
#include <cstdio>
#include <iostream>
#include <iterator>
#include <map>
#include <string>

#include "core/error.h"
#include "tools/tool.h"

namespace tool {
namespace {
struct Command {
  const char* usage;
  CommandFn fn;
};
std::map<std::string, Command>& Commands() {
  static std::map<std::string, Command> commands;
  return commands;
}
void PrintUsage() {
  std::cerr << "usage: kanalia-tool COMMAND ...\n";
  for (const auto& [name, c] : Commands()) std::cerr << "  kanalia-tool " << c.usage << "\n";
}
}  // namespace

Registrar::Registrar(const char* name, const char* usage, CommandFn fn) {
  Commands()[name] = Command{usage, fn};
}

std::string Escape(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& line) {
  std::string out;
  out.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\\' && i + 1 < line.size()) {
      char n = line[i + 1];
      if (n == '\\') { out += '\\'; ++i; continue; }
      if (n == 't') { out += '\t'; ++i; continue; }
      if (n == 'r') { out += '\r'; ++i; continue; }
      if (n == 'n') { out += '\n'; ++i; continue; }
    }
    out += c;
  }
  return out;
}

std::string ReadStdin() {
  std::string data((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  return data;
}

bool ReadFile(const std::string& path, std::string& out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  out.clear();
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return true;
}

std::vector<std::string> StdinLines() {
  std::string all = ReadStdin();
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t lf = all.find('\n', start);
    if (lf == std::string::npos) {
      lines.push_back(all.substr(start));
      break;
    }
    lines.push_back(all.substr(start, lf - start));
    start = lf + 1;
  }
  return lines;
}

void PutLine(const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fputc('\n', stdout);
}

}  // namespace tool

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  if (argc < 2) {
    tool::PrintUsage();
    return 2;
  }
  auto it = tool::Commands().find(argv[1]);
  if (it == tool::Commands().end()) {
    tool::PrintUsage();
    return 2;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  try {
    int rc = it->second.fn(args);
    std::fflush(stdout);
    return rc;
  } catch (const tool::UsageError&) {
    std::cerr << "usage: kanalia-tool " << it->second.usage << "\n";
    return 2;
  } catch (const kc::Error& e) {
    std::fflush(stdout);
    std::cerr << e.what() << "\n";
    return 1;
  }
}
