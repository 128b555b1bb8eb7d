// kanalia-tool match: what the find command's matcher makes of a pattern and
// of each line of standard input.
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "search/fuzzy_matcher.h"
#include "tools/tool.h"

KC_TOOL_COMMAND(CmdMatch, "match", "match [--fuzzy] [--lf] PATTERN  < escaped lines") {
  bool fuzzy = false, lf = false;
  const std::string* pattern = nullptr;
  for (const std::string& a : args) {
    if (!pattern && a == "--fuzzy") {
      fuzzy = true;
    } else if (!pattern && a == "--lf") {
      lf = true;
    } else if (!pattern) {
      pattern = &a;
    } else {
      throw tool::UsageError();
    }
  }
  if (!pattern) throw tool::UsageError();
  kc::TFuzzyMatcher matcher;
  matcher.SetLineSeparator(lf ? kc::lsLF : kc::lsCRLF);
  try {
    matcher.SetUseFuzzyDictionary(fuzzy);
    matcher.SetRegExp(*pattern);
  } catch (const kc::EPatternError& e) {
    tool::PutLine("E\t" + tool::Escape(e.what()) + "\t" + std::to_string(e.Position()));
    return 1;
  }
  tool::LineReader in;
  std::string_view line;
  std::string unescaped;
  char buf[48];
  while (in.Next(line)) {
    std::size_t length = 0;
    std::size_t pos = matcher.Match(tool::UnescapeInto(line, unescaped), length);
    char* end = std::to_chars(buf, buf + 20, pos).ptr;
    *end++ = '\t';
    end = std::to_chars(end, end + 20, length).ptr;
    tool::PutLine(std::string_view(buf, static_cast<std::size_t>(end - buf)));
  }
  return 0;
}
