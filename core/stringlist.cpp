// Name=value look-ups and line split and join of text lists.
#include "core/stringlist.h"

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

StringList SplitLines(const std::string& text) {
  StringList lines;
  std::size_t i = 0, n = text.size();
  while (i < n && text[i] != '\0') {
    std::size_t start = i;
    while (i < n && text[i] != '\r' && text[i] != '\n' && text[i] != '\0') ++i;
    lines.emplace_back(text, start, i - start);
    if (i < n && text[i] == '\r') ++i;
    if (i < n && text[i] == '\n') ++i;
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
