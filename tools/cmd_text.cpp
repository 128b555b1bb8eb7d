// kanalia-tool tokenize / normalise / marks / notes: what the tokenizer and
// the text rules make of saved input, for checking a page after the site
// changed its layout.
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/extension_notes.h"
#include "analysis/html_parser.h"
#include "analysis/text_rules.h"
#include "core/datetime.h"
#include "platform/platform.h"
#include "tools/tool.h"

namespace {

// "yyyy-mm-dd hh:nn:ss", nothing else.
bool ParseDateTimeArg(const std::string& s, kc::TDateTime& out) {
  int y, mo, d, h, mi, se;
  char tail;
  if (s.size() != 19 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' || s[16] != ':')
    return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})
    if (s[i] < '0' || s[i] > '9') return false;
  if (std::sscanf(s.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &se, &tail) != 6)
    return false;
  kc::TDateTime date, time;
  if (!kc::TryEncodeDate(y, mo, d, date) || !kc::TryEncodeTime(h, mi, se, 0, time)) return false;
  out = date + time;
  return true;
}

std::string LineAt(const std::vector<std::string>& lines, std::size_t i) {
  return i < lines.size() ? tool::Unescape(lines[i]) : std::string();
}

}  // namespace

KC_TOOL_COMMAND(CmdTokenize, "tokenize", "tokenize FILE") {
  if (args.size() != 1) throw tool::UsageError();
  kc::THTMLParser parser;
  kc::LoadLinesFromFile(kc::Utf8ToCp932(args[0]), parser.Lines);
  parser.Execute();
  for (const auto& e : parser.Elements) {
    if (const kc::THTMLTag* t = kc::AsTag(e.get())) {
      std::string line = "T\t" + tool::Escape(t->Name);
      for (const kc::THTMLParam& p : t->Params)
        line += "\t" + tool::Escape(p.Name) + "=" + tool::Escape(p.Value);
      tool::PutLine(line);
    } else {
      tool::PutLine("X\t" + tool::Escape(kc::AsText(e.get())->Text));
    }
  }
  return 0;
}

KC_TOOL_COMMAND(CmdNormalise, "normalise", "normalise  (stdin: one text piece)") {
  if (!args.empty()) throw tool::UsageError();
  std::string text = tool::ReadStdin();
  // A text piece holds no LF, so a final one is the shell's line end.
  if (!text.empty() && text.back() == '\n') text.pop_back();
  tool::PutEscapedLine(kc::NormaliseText(text));
  return 0;
}

KC_TOOL_COMMAND(CmdMarks, "marks", "marks  (stdin: escaped title line, escaped memo line)") {
  if (!args.empty()) throw tool::UsageError();
  const std::vector<std::string> lines = tool::StdinLines();
  std::string title = LineAt(lines, 0), memo = LineAt(lines, 1);
  kc::ApplyTitleMarks(title, memo);
  tool::PutEscapedLine(title);
  tool::PutEscapedLine(memo);
  return 0;
}

KC_TOOL_COMMAND(CmdNotes, "notes", "notes \"yyyy-mm-dd hh:nn:ss\"  (stdin: escaped summary line)") {
  kc::TDateTime end;
  if (args.size() != 1 || !ParseDateTimeArg(args[0], end)) throw tool::UsageError();
  const std::vector<std::string> lines = tool::StdinLines();
  tool::PutEscapedLine(kc::ApplyExtensionNotes(LineAt(lines, 0), end));
  return 0;
}
