// Any bytes make a page: the tokenizer takes them without a crash, and its
// output keeps the shape callers rely on (upper-case ASCII names, no angle
// bracket inside a tag, no line break in a decoded text, a value never
// longer than the parameter it came from).
#include <cstdint>
#include <string>

#include "analysis/html_parser.h"
#include "fuzz/fuzz_support.h"

namespace {
bool UpperAsciiOnly(const std::string& s) {
  for (char c : s)
    if (c >= 'a' && c <= 'z') return false;
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using kc::fuzz::Check;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  kc::THTMLParser parser;
  kc::SetLinesFromBytes(bytes, parser.Lines);
  std::size_t yields = 0;
  parser.Execute([&](bool) { ++yields; });
  std::size_t lineBytes = 0;
  for (const std::string& l : parser.Lines) lineBytes += l.size();
  Check(yields == lineBytes, "one yield per byte read");
  for (const auto& e : parser.Elements) {
    if (const kc::THTMLTag* t = kc::AsTag(e.get())) {
      Check(t->Raw.find_first_of("<>") == std::string::npos, "angle bracket inside a tag");
      Check(UpperAsciiOnly(t->Name), "tag name not upper-cased");
      for (const kc::THTMLParam& p : t->Params) {
        Check(!p.Raw.empty() && UpperAsciiOnly(p.Name), "parameter name");
        Check(p.Value.size() <= p.Raw.size(), "value longer than its parameter");
      }
    } else {
      const kc::THTMLText* x = kc::AsText(e.get());
      Check(x != nullptr && !x->Raw.empty(), "empty text element");
      Check(x->Text.find('\n') == std::string::npos, "line break in a decoded text");
    }
  }
  return 0;
}
