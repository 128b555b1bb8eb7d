// The page tokenizer. Execute follows the page byte by byte and calls the
// yield it is given after every byte, so that a download run's Pause, Skip
// and Stop stay live while a large page is read on the one GUI thread.
#include "analysis/html_parser.h"

#include <utility>

#include "core/error.h"
#include "core/text.h"
#include "platform/platform.h"

namespace kc {

// ------------------------------------------------------------------ tables

const EntityNameEntry EntityNameTable[kEntityNameCount] = {
    {"&quot;", "&#34;"},    {"&amp;", "&#38;"},     {"&lt;", "&#60;"},
    {"&gt;", "&#62;"},      {"&nbsp;", "&#160;"},   {"&iexcl;", "&#161;"},
    {"&cent;", "&#162;"},   {"&pound;", "&#163;"},  {"&curren;", "&#164;"},
    {"&yen;", "&#165;"},    {"&brvbar;", "&#166;"}, {"&sect;", "&#167;"},
    {"&uml;", "&#168;"},    {"&copy;", "&#169;"},   {"&ordf;", "&#170;"},
    {"&laquo;", "&#171;"},  {"&not;", "&#172;"},    {"&shy;", "&#173;"},
    {"&reg;", "&#174;"},    {"&macr;", "&#175;"},   {"&deg;", "&#176;"},
    {"&plusmn;", "&#177;"}, {"&sup2;", "&#178;"},   {"&sup3;", "&#179;"},
    {"&acute;", "&#180;"},  {"&micro;", "&#181;"},  {"&para;", "&#182;"},
    {"&middot;", "&#183;"}, {"&cedil;", "&#184;"},  {"&sup1;", "&#185;"},
    {"&ordm;", "&#186;"},   {"&raquo;", "&#187;"},  {"&frac14;", "&#188;"},
    {"&frac12;", "&#189;"}, {"&frac34;", "&#190;"}, {"&iquest;", "&#191;"},
    {"&Agrave;", "&#192;"}, {"&Aacute;", "&#193;"}, {"&Acirc;", "&#194;"},
    {"&Atilde;", "&#195;"}, {"&Auml;", "&#196;"},   {"&Aring;", "&#197;"},
    {"&AElig;", "&#198;"},  {"&Ccedil;", "&#199;"}, {"&Egrave;", "&#200;"},
    {"&Eacute;", "&#201;"}, {"&Ecirc;", "&#202;"},  {"&Euml;", "&#203;"},
    {"&Igrave;", "&#204;"}, {"&Iacute;", "&#205;"}, {"&Icirc;", "&#206;"},
    {"&Iuml;", "&#207;"},   {"&ETH;", "&#208;"},    {"&Ntilde;", "&#209;"},
    {"&Ograve;", "&#210;"}, {"&Oacute;", "&#211;"}, {"&Ocirc;", "&#212;"},
    {"&Otilde;", "&#213;"}, {"&Ouml;", "&#214;"},   {"&times;", "&#215;"},
    {"&Oslash;", "&#216;"}, {"&Ugrave;", "&#217;"}, {"&Uacute;", "&#218;"},
    {"&Ucirc;", "&#219;"},  {"&Uuml;", "&#220;"},   {"&Yacute;", "&#221;"},
    {"&THORN;", "&#222;"},  {"&szlig;", "&#223;"},  {"&agrave;", "&#224;"},
    {"&aacute;", "&#225;"}, {"&acirc;", "&#226;"},  {"&atilde;", "&#227;"},
    {"&auml;", "&#228;"},   {"&aring;", "&#229;"},  {"&aelig;", "&#230;"},
    {"&ccedil;", "&#231;"}, {"&egrave;", "&#232;"}, {"&eacute;", "&#233;"},
    {"&ecirc;", "&#234;"},  {"&euml;", "&#235;"},   {"&igrave;", "&#236;"},
    {"&iacute;", "&#237;"}, {"&icirc;", "&#238;"},  {"&iuml;", "&#239;"},
    {"&eth;", "&#240;"},    {"&ntilde;", "&#241;"}, {"&ograve;", "&#242;"},
    {"&oacute;", "&#243;"}, {"&ocirc;", "&#244;"},  {"&otilde;", "&#245;"},
    {"&ouml;", "&#246;"},   {"&divide;", "&#247;"}, {"&oslash;", "&#248;"},
    {"&ugrave;", "&#249;"}, {"&uacute;", "&#250;"}, {"&ucirc;", "&#251;"},
    {"&uuml;", "&#252;"},   {"&yacute;", "&#253;"}, {"&thorn;", "&#254;"},
    {"&yuml;", "&#255;"},
};

#define KC_E(i) static_cast<unsigned char>(((i) < 32 || (i) == 160) ? 0x20 : (i))
#define KC_R4(b) KC_E(b), KC_E(b + 1), KC_E(b + 2), KC_E(b + 3)
#define KC_R16(b) KC_R4(b), KC_R4(b + 4), KC_R4(b + 8), KC_R4(b + 12)
#define KC_R64(b) KC_R16(b), KC_R16(b + 16), KC_R16(b + 32), KC_R16(b + 48)
const unsigned char EntityCharTable[256] = {KC_R64(0), KC_R64(64), KC_R64(128), KC_R64(192)};
#undef KC_R64
#undef KC_R16
#undef KC_R4
#undef KC_E

// ------------------------------------------------------------------ parameters

void THTMLParam::Parse(const std::string& raw) {
  Raw = raw;
  Value.clear();
  std::string namePart = raw;
  std::size_t eq = raw.find('=');
  if (eq != std::string::npos) {
    Value = raw.substr(eq + 1);
    namePart = raw.substr(0, eq);
    if (Value.size() >= 2 && Value.front() == '"' && Value.back() == '"')
      Value = Value.substr(1, Value.size() - 2);
  }
  Name = UpperAscii(namePart);
}

// ------------------------------------------------------------------ tags

void THTMLTag::Parse(const std::string& raw) {
  Raw = raw;
  Params.clear();
  // Only the blank separates; a tab stays part of the name or parameter.
  std::size_t sp = raw.find(' ');
  Name = UpperAscii(raw.substr(0, sp));
  if (sp == std::string::npos) return;
  std::size_t i = sp;  // the separating blank gives an empty piece, skipped
  const std::size_t n = raw.size();
  while (i < n) {
    bool quoted = false;
    std::size_t start = i;
    while (i < n && !(raw[i] == ' ' && !quoted)) {
      if (raw[i] == '"') quoted = !quoted;
      ++i;
    }
    std::string piece = raw.substr(start, i - start);
    if (i < n && raw[i] == ' ') ++i;
    if (!piece.empty()) {
      THTMLParam p;
      p.Parse(piece);
      Params.push_back(std::move(p));
    }
  }
}

const THTMLParam* THTMLTag::FindParam(const std::string& name) const {
  for (const THTMLParam& p : Params)
    if (p.Name == name) return &p;
  return nullptr;
}

// ------------------------------------------------------------------ text

namespace {

// Bytes for a decoded character code 0 to 255. Pages are UTF-8, so a Latin-1
// code above 127 is written as its UTF-8 form; a lone byte 0x80-0xFF would be
// malformed UTF-8 and make the page text decoder drop the whole piece. The
// blanks of the table (controls and the no-break space) stay single blanks.
void AppendCharCode(std::string& out, int v) {
  if (v >= 128 && v <= 255 && v != 160) {
    out += static_cast<char>(0xC0 | (v >> 6));
    out += static_cast<char>(0x80 | (v & 0x3F));
  } else {
    out += static_cast<char>(EntityCharTable[v]);
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The body of a numeric reference (between "&#" and the terminator) read as
// a code: up to three decimal digits, or "x" and up to two hexadecimal
// digits. -1 when it is no such number or lies beyond the table.
int NumericReferenceValue(const std::string& body) {
  if (body.empty() || body.size() > 3) return -1;
  int v = 0;
  if (body[0] == 'x' || body[0] == 'X') {
    if (body.size() == 1) return -1;
    for (std::size_t i = 1; i < body.size(); ++i) {
      int d = HexDigit(body[i]);
      if (d < 0) return -1;
      v = v * 16 + d;
    }
    return v;
  }
  for (char c : body) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v <= 255 ? v : -1;
}

// Code of a named reference ("&amp;" with its terminator) through the
// numeric reference the table gives for it; -1 when the name is unknown.
int NamedReferenceValue(const std::string& ref) {
  for (const EntityNameEntry& e : EntityNameTable) {
    if (ref == e.Name) {
      std::string numeric = e.Numeric;  // "&#" digits ";"
      return NumericReferenceValue(numeric.substr(2, numeric.size() - 3));
    }
  }
  return -1;
}

// Blank runs shrink to one blank; tabs and CR are no blanks here.
std::string CollapseBlanks(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out += c;
  }
  return out;
}

// One left-to-right scan. A reference runs from "&" to the first ";" or
// blank (the terminator, which belongs to it); a second "&" before the
// terminator starts over there. A known name is replaced by its numeric
// reference, which is decoded in turn; the bytes a numeric reference
// produces are never read again, so "&amp;lt;" gives "&lt;".
std::string DecodeReferences(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    if (s[i] != '&') {
      out += s[i++];
      continue;
    }
    std::size_t j = i + 1;
    while (j < n && s[j] != ';' && s[j] != ' ' && s[j] != '&') ++j;
    if (j >= n || s[j] == '&') {
      // No terminator before the next "&" or the end: no reference here.
      out.append(s, i, j - i);
      i = j;
      continue;
    }
    const std::size_t len = j - i + 1;  // "&" through the terminator
    int v;
    if (len > 2 && s[i + 1] == '#')
      v = NumericReferenceValue(s.substr(i + 2, len - 3));
    else
      v = NamedReferenceValue(s.substr(i, len));
    if (v >= 0)
      AppendCharCode(out, v);
    else
      out.append(s, i, len);
    i = j + 1;
  }
  return out;
}

}  // namespace

void THTMLText::Parse(const std::string& raw) {
  Raw = raw;
  std::string s = raw;
  for (char& c : s)
    if (c == '\n') c = ' ';
  Text = DecodeReferences(CollapseBlanks(s));
}

// ------------------------------------------------------------------ element list

THTMLElementList::value_type THTMLElementList::operator[](std::size_t i) const {
  const std::size_t start = static_cast<std::size_t>(starts_[i] >> 1);
  const std::size_t end =
      i + 1 < starts_.size() ? static_cast<std::size_t>(starts_[i + 1] >> 1) : raw_.size();
  const std::string raw = raw_.substr(start, end - start);
  if (starts_[i] & 1) {
    auto t = std::make_unique<THTMLText>();
    t->Parse(raw);
    return t;
  }
  auto t = std::make_unique<THTMLTag>();
  t->Parse(raw);
  return t;
}

void THTMLElementList::reserve(std::size_t elements, std::size_t rawBytes) {
  starts_.reserve(starts_.size() + elements);
  raw_.reserve(raw_.size() + rawBytes);
}

void THTMLElementList::Append(const std::string& raw, bool text) {
  starts_.push_back((static_cast<std::uint64_t>(raw_.size()) << 1) | (text ? 1u : 0u));
  raw_ += raw;
}

void THTMLElementList::clear() {
  starts_.clear();
  raw_.clear();
}

// ------------------------------------------------------------------ parser

THTMLParser::~THTMLParser() {
  Lines.clear();
  Elements.clear();
}

void THTMLParser::FlushText() {
  if (inTag_ || text_.empty()) return;
  Elements.AppendText(text_);
  text_.clear();
}

void THTMLParser::CloseTag() {
  inTag_ = false;
  Elements.AppendTag(tag_);
  tag_.clear();
}

void THTMLParser::Execute(const YieldFn& yield) {
  text_.clear();
  tag_.clear();
  inTag_ = false;
  // Every element ends at a "<" or a ">" (or at the end), and its raw text
  // is made of the other bytes and the line breaks a text piece takes in:
  // room for exactly that much is taken at once.
  std::size_t marks = 0, bytes = 0;
  for (const std::string& line : Lines) {
    for (char c : line) marks += (c == '<' || c == '>');
    bytes += line.size() + 1;
  }
  Elements.reserve(marks + 2, bytes);
  for (const std::string& line : Lines) {
    const std::size_t n = line.size();
    for (std::size_t i = 0; i < n; ++i) {
      const char c = line[i];
      if (c == '<') {
        FlushText();
        inTag_ = true;  // a "<" inside a tag is dropped and the tag goes on
      } else if (c == '>') {
        // Also without an open tag: a stray ">" in running text gives an
        // empty-named tag and leaves the text around it one piece.
        CloseTag();
      } else if (inTag_) {
        tag_ += c;
      } else {
        text_ += c;
      }
      if (yield) yield((n - i - 1) % 10 == 0);
    }
    // A tag that goes on over the line break is joined without separator.
    if (!inTag_ && !text_.empty()) text_ += '\n';
  }
  if (inTag_ && !tag_.empty()) CloseTag();
  FlushText();
}

// ------------------------------------------------------------------ loading

void SetLinesFromBytes(const std::string& bytes, StringList& lines) {
  std::size_t zero = bytes.find('\0');
  lines = SplitLines(zero == std::string::npos ? bytes : bytes.substr(0, zero));
}

void LoadLinesFromFile(const std::string& path, StringList& lines) {
  std::string bytes;
  if (!kc::ReadWholeFile(path, bytes)) throw Error(CannotOpenText(path));
  SetLinesFromBytes(bytes, lines);
}

}  // namespace kc
