// Name=value look-ups and line split and join of text lists.
#include "core/stringlist.h"

#include <algorithm>

#include "core/text.h"

namespace kc {

int IndexOf(const StringList& list, const std::string& value) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i] == value) return static_cast<int>(i);
  return -1;
}

int IndexOfName(const StringList& list, const std::string& name) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    std::size_t eq = list[i].find('=');
    if (eq == std::string::npos) continue;
    if (SameTextAscii(list[i].substr(0, eq), name)) return static_cast<int>(i);
  }
  return -1;
}

std::string ValueOf(const StringList& list, const std::string& name) {
  int i = IndexOfName(list, name);
  if (i < 0) return std::string();
  const std::string& e = list[static_cast<std::size_t>(i)];
  return e.substr(e.find('=') + 1);
}

std::size_t LineEnd(const std::string& text, std::size_t from, std::size_t& next) {
  const std::size_t end = std::min(text.find_first_of("\r\n", from), text.size());
  next = end;
  if (next < text.size() && text[next] == '\r') ++next;
  if (next < text.size() && text[next] == '\n') ++next;
  return end;
}

StringList SplitLines(const std::string& text) {
  StringList lines;
  const std::size_t size = std::min(text.find('\0'), text.size());
  for (std::size_t i = 0, next; i < size; i = next) {
    const std::size_t end = std::min(LineEnd(text, i, next), size);
    lines.emplace_back(text, i, end - i);
  }
  return lines;
}

std::string JoinLinesCrLf(const StringList& list) {
  std::string out;
  for (const auto& l : list) {
    out += l;
    out += "\r\n";
  }
  return out;
}

}  // namespace kc
