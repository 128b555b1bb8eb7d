// The "&#x" rule as written, with the library's own whole-character find
// and replace: the reference the one-pass rule is compared with. It rescans
// the whole text after every replacement, so only for short texts.
#pragma once

#include <string>

#include "core/text.h"

namespace kc::test {

inline std::string ReferenceHexRule(std::string t) {
  while (SjisContains(t, "&#x")) {
    const std::size_t p = SjisFind(t, "&#x");
    const std::string h = t.substr(p + 3, 2);
    int v = 0;
    if (!h.empty() && h.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos)
      v = std::stoi(h, nullptr, 16);
    t = SjisReplaceAll(t, "&#x" + h, std::string(1, static_cast<char>(v)));
  }
  return t;
}

}  // namespace kc::test
