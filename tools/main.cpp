// Entry of kanalia-tool: dispatches to the registered commands.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <string>

#include "core/error.h"
#include "tools/tool.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

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

namespace {

// The escaped form of a byte, or null for one written as it is.
const char* EscapeOf(char c) {
  switch (c) {
    case '\\': return "\\\\";
    case '\t': return "\\t";
    case '\r': return "\\r";
    case '\n': return "\\n";
    default: return nullptr;
  }
}

struct EscapedBytes {
  bool set[256] = {};
  constexpr EscapedBytes() {
    set[static_cast<unsigned char>('\\')] = set['\t'] = set['\r'] = set['\n'] = true;
  }
  constexpr bool operator[](unsigned char b) const { return set[b]; }
};
constexpr EscapedBytes kEscaped;

// Whether any of eight bytes is one that is escaped (each test is nonzero
// exactly when a byte equals c).
bool AnyEscaped(std::uint64_t w) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
  auto has = [](std::uint64_t x, unsigned char c) {
    std::uint64_t y = x ^ (kOnes * c);
    return (y - kOnes) & ~y & kHigh;
  };
  return (has(w, '\\') | has(w, '\t') | has(w, '\r') | has(w, '\n')) != 0;
}

// Appends Escape(bytes) to out, copying the runs between escaped bytes whole
// and passing over eight bytes at a time where none is escaped.
void AppendEscaped(std::string_view bytes, std::string& out) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i + 8 <= bytes.size()) {
      std::uint64_t w;
      std::memcpy(&w, bytes.data() + i, 8);
      if (!AnyEscaped(w)) {
        i += 7;
        continue;
      }
    }
    if (!kEscaped[static_cast<unsigned char>(bytes[i])]) continue;
    const char* e = EscapeOf(bytes[i]);
    if (!e) continue;
    out.append(bytes.data() + run, i - run);
    out.append(e, 2);
    run = i + 1;
  }
  out.append(bytes.data() + run, bytes.size() - run);
}

constexpr std::size_t kBlock = 1 << 20;
std::string& OutBuffer() {
  static std::string buffer;
  return buffer;
}
void FlushIfFull() {
  if (OutBuffer().size() >= kBlock) FlushOutput();
}

}  // namespace

std::string Escape(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  AppendEscaped(bytes, out);
  return out;
}

std::string_view UnescapeInto(std::string_view line, std::string& out) {
  std::size_t i = line.find('\\');
  if (i == std::string_view::npos) return line;
  out.assign(line.data(), i);
  for (; i < line.size(); ++i) {
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

std::string Unescape(std::string_view line) {
  std::string out;
  std::string_view v = UnescapeInto(line, out);
  if (v.data() != out.data()) out.assign(v);
  return out;
}

std::string ReadStdin() {
  std::string data;
  // A file on standard input tells its size, which saves growing the text.
  long at = std::ftell(stdin);
  if (at >= 0 && std::fseek(stdin, 0, SEEK_END) == 0) {
    long size = std::ftell(stdin);
    std::fseek(stdin, at, SEEK_SET);
    if (size > at) data.reserve(static_cast<std::size_t>(size - at) + kBlock);
  }
  std::size_t n = 0;
  do {
    data.resize(n + kBlock);
    std::size_t got = std::fread(&data[n], 1, kBlock, stdin);
    n += got;
    if (got < kBlock) break;
  } while (true);
  data.resize(n);
  return data;
}

bool ReadFile(const std::string& path, std::string& out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  out.clear();
  std::size_t n = 0, got = 0;
  do {
    out.resize(n + kBlock);
    got = std::fread(&out[n], 1, kBlock, f);
    n += got;
  } while (got == kBlock);
  out.resize(n);
  std::fclose(f);
  return true;
}

LineReader::LineReader() : buf_(kBlock) {}

// Moves the unread rest to the front and reads more after it, growing the
// buffer only for a line longer than it.
bool LineReader::Fill() {
  if (eof_) return false;
  if (begin_ > 0) {
    std::copy(buf_.begin() + static_cast<std::ptrdiff_t>(begin_),
              buf_.begin() + static_cast<std::ptrdiff_t>(end_), buf_.begin());
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);
  std::size_t got = std::fread(buf_.data() + end_, 1, buf_.size() - end_, stdin);
  end_ += got;
  if (got == 0) eof_ = true;
  return got > 0;
}

bool LineReader::Next(std::string_view& line) {
  std::size_t scanned = begin_;
  while (true) {
    const char* from = buf_.data() + scanned;
    const void* lf = std::memchr(from, '\n', end_ - scanned);
    if (lf) {
      std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lf) - buf_.data());
      line = std::string_view(buf_.data() + begin_, at - begin_);
      begin_ = at + 1;
      return true;
    }
    scanned = end_ - begin_;  // offset of the unscanned part once Fill moved the rest
    if (!Fill()) break;
  }
  if (begin_ == end_) return false;
  line = std::string_view(buf_.data() + begin_, end_ - begin_);
  begin_ = end_;
  return true;
}

std::vector<std::string> StdinLines() {
  std::vector<std::string> lines;
  LineReader in;
  std::string_view line;
  while (in.Next(line)) lines.emplace_back(line);
  return lines;
}

void Put(std::string_view bytes) {
  if (bytes.size() >= kBlock) {  // large enough to go out without the copy
    FlushOutput();
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    return;
  }
  OutBuffer().append(bytes.data(), bytes.size());
  FlushIfFull();
}

void PutLine(std::string_view bytes) {
  std::string& out = OutBuffer();
  out.append(bytes.data(), bytes.size());
  out += '\n';
  FlushIfFull();
}

void PutEscapedLine(std::string_view bytes) {
  // In slices, so that a large text goes out without growing the buffer.
  while (bytes.size() > kBlock) {
    AppendEscaped(bytes.substr(0, kBlock), OutBuffer());
    bytes.remove_prefix(kBlock);
    FlushIfFull();
  }
  AppendEscaped(bytes, OutBuffer());
  OutBuffer() += '\n';
  FlushIfFull();
}

void FlushOutput() {
  std::string& out = OutBuffer();
  if (!out.empty()) std::fwrite(out.data(), 1, out.size(), stdout);
  out.clear();
  std::fflush(stdout);
}

}  // namespace tool

int main(int argc, char** argv) {
#ifdef _WIN32
  // Bytes in and out as they are: no CR added before LF, no stop at ^Z.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
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
    tool::FlushOutput();
    return rc;
  } catch (const tool::UsageError&) {
    tool::FlushOutput();
    std::cerr << "usage: kanalia-tool " << it->second.usage << "\n";
    return 2;
  } catch (const kc::Error& e) {
    tool::FlushOutput();
    std::cerr << e.what() << "\n";
    return 1;
  }
}
