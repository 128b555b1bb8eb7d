#include "platform/ini_text.h"

#include <unordered_map>
#include <vector>

#include "core/stringlist.h"
#include "core/text.h"

namespace kc {
namespace ini {

namespace {

inline bool IsBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' ||
         c == 0x1A;
}

void TrimRange(const std::string& s, std::size_t& b, std::size_t& e) {
  while (b < e && IsBlank(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && IsBlank(static_cast<unsigned char>(s[e - 1]))) --e;
}

std::string TrimBlanks(const std::string& s) {
  std::size_t b = 0, e = s.size();
  TrimRange(s, b, e);
  return s.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) { return kc::SameTextAscii(a, b); }

enum class Kind { Blank, Section, Key, Comment, Other };

struct Line {
  std::size_t begin = 0;  // first byte of the line
  std::size_t end = 0;    // end of the text, before the line break
  std::size_t next = 0;   // first byte of the next line
  Kind kind = Kind::Blank;
  std::string name;   // section name, or key name
  std::string value;  // key value (blanks dropped, quotes kept)
};

std::vector<Line> Parse(const std::string& s) {
  std::vector<Line> lines;
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    Line ln;
    ln.begin = i;
    ln.end = kc::LineEnd(s, i, ln.next);
    i = ln.next;

    std::size_t b = ln.begin, t = ln.end;
    TrimRange(s, b, t);
    if (b >= t) {
      ln.kind = Kind::Blank;
    } else if (s[b] == '[') {
      // The name runs to the last "]" that is a whole character.
      std::size_t close = std::string::npos;
      for (std::size_t k = b + 1; k < t; k += kc::IsSjisLeadByte(static_cast<unsigned char>(s[k])) && k + 1 < t ? 2 : 1)
        if (s[k] == ']') close = k;
      if (close == std::string::npos) {
        ln.kind = Kind::Other;
      } else {
        ln.kind = Kind::Section;
        std::size_t nb = b + 1, ne = close;
        TrimRange(s, nb, ne);
        ln.name = s.substr(nb, ne - nb);
      }
    } else {
      // "=" never is a trail byte of a double-byte character.
      std::size_t eq = s.find('=', b);
      if (eq == std::string::npos || eq >= t) {
        ln.kind = Kind::Other;
        ln.name = s.substr(b, t - b);
      } else {
        // A ";" line is a comment: no key of the section's list, though a
        // look-up of its exact name still finds it, as the system's does.
        ln.kind = s[b] == ';' ? Kind::Comment : Kind::Key;
        std::size_t ne = eq;
        while (ne > b && IsBlank(static_cast<unsigned char>(s[ne - 1]))) --ne;
        ln.name = s.substr(b, ne - b);
        std::size_t vb = eq + 1;
        while (vb < t && IsBlank(static_cast<unsigned char>(s[vb]))) ++vb;
        ln.value = s.substr(vb, t - vb);
      }
    }
    lines.push_back(std::move(ln));
  }
  return lines;
}

std::string StripQuotes(const std::string& v) {
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
    return v.substr(1, v.size() - 2);
  return v;
}

// Index range [first, last) of the lines of the first section with that name
// (first is the header line); false when there is none. Keys above the first
// header belong to the section with the empty name.
bool FindSection(const std::vector<Line>& lines, const std::string& section,
                 std::size_t& first, std::size_t& last) {
  const std::string want = TrimBlanks(section);
  bool inWanted = want.empty();
  bool found = inWanted;
  first = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != Kind::Section) continue;
    if (inWanted) {
      last = i;
      return true;
    }
    if (SameName(lines[i].name, want)) {
      inWanted = found = true;
      first = i;
    }
  }
  last = lines.size();
  return found;
}

}  // namespace

std::string GetString(const std::string& content, const std::string& section,
                      const std::string& key, const std::string& def) {
  std::vector<Line> lines = Parse(content);
  std::size_t first, last;
  const std::string want = TrimBlanks(key);
  if (FindSection(lines, section, first, last)) {
    for (std::size_t i = first; i < last; ++i)
      if ((lines[i].kind == Kind::Key || lines[i].kind == Kind::Comment) &&
          SameName(lines[i].name, want))
        return StripQuotes(lines[i].value);
  }
  std::string d = def;
  while (!d.empty() && d.back() == ' ') d.pop_back();
  return StripQuotes(d);
}

kc::StringList Keys(const std::string& content, const std::string& section) {
  kc::StringList out;
  std::vector<Line> lines = Parse(content);
  std::size_t first, last;
  if (!FindSection(lines, section, first, last)) return out;
  for (std::size_t i = first; i < last; ++i)
    if (lines[i].kind == Kind::Key && !lines[i].name.empty()) out.push_back(lines[i].name);
  return out;
}

std::vector<std::pair<std::string, std::string>> SectionValues(const std::string& content,
                                                               const std::string& section) {
  std::vector<std::pair<std::string, std::string>> out;
  std::vector<Line> lines = Parse(content);
  std::size_t first, last;
  if (!FindSection(lines, section, first, last)) return out;
  // Names compare as SameName does: bytes with ASCII letters folded.
  auto fold = [](const std::string& s) { return kc::LowerAscii(s); };
  std::unordered_map<std::string, std::string> firstValue;
  for (std::size_t i = first; i < last; ++i)
    if (lines[i].kind == Kind::Key || lines[i].kind == Kind::Comment)
      firstValue.emplace(fold(lines[i].name), StripQuotes(lines[i].value));
  for (std::size_t i = first; i < last; ++i)
    if (lines[i].kind == Kind::Key && !lines[i].name.empty())
      out.emplace_back(lines[i].name, firstValue[fold(lines[i].name)]);
  return out;
}

kc::StringList Sections(const std::string& content) {
  kc::StringList out;
  for (const Line& ln : Parse(content))
    if (ln.kind == Kind::Section) out.push_back(ln.name);
  return out;
}

bool SetString(std::string& content, const std::string& section,
               const std::string& key, const std::string& value) {
  std::vector<Line> lines = Parse(content);
  const std::string wantKey = TrimBlanks(key);
  // Leading blanks of a value would be dropped on reading anyway.
  std::size_t vb = 0;
  while (vb < value.size() && IsBlank(static_cast<unsigned char>(value[vb]))) ++vb;
  const std::string val = value.substr(vb);
  std::size_t first, last;
  if (FindSection(lines, section, first, last)) {
    std::size_t lastText = std::string::npos;  // last non-blank line of the section
    for (std::size_t i = first; i < last; ++i) {
      const Line& ln = lines[i];
      if (ln.kind != Kind::Blank && !(ln.kind == Kind::Section && i != first)) lastText = i;
      // A line without "=" of that name takes the value too.
      if ((ln.kind != Kind::Key && ln.kind != Kind::Comment && ln.kind != Kind::Other) ||
          !SameName(ln.name, wantKey))
        continue;
      if (ln.kind != Kind::Other && ln.value == val) return false;
      content.replace(ln.begin, ln.next - ln.begin, ln.name + "=" + val + "\r\n");
      return true;
    }
    if (lastText == std::string::npos) {
      // Keys above every section header, and there are none yet.
      content.insert(0, wantKey + "=" + val + "\r\n");
      return true;
    }
    // A new key goes after the section's last line that is not blank.
    const Line& ln = lines[lastText];
    std::string ins;
    if (ln.next == ln.end) ins = "\r\n";  // the file ended without a line break
    ins += wantKey + "=" + val + "\r\n";
    content.insert(ln.next, ins);
    return true;
  }
  std::string add;
  if (!content.empty() && content.back() != '\n' && content.back() != '\r') add = "\r\n";
  add += "[" + TrimBlanks(section) + "]\r\n" + wantKey + "=" + val + "\r\n";
  content += add;
  return true;
}

}  // namespace ini
}  // namespace kc
