// Any bytes make a page: the tokenizer must take them without a crash, and
// its output must keep the shape callers rely on. The text pieces then go
// through the text rules as the chart analyser sends them.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "analysis/extension_notes.h"
#include "analysis/html_parser.h"
#include "analysis/text_rules.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
bool UpperAsciiOnly(const std::string& s) {
  for (char c : s)
    if (c >= 'a' && c <= 'z') return false;
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  kc::THTMLParser parser;
  kc::SetLinesFromBytes(bytes, parser.Lines);
  parser.Execute();
  std::size_t texts = 0;
  for (const auto& e : parser.Elements) {
    if (const kc::THTMLTag* t = kc::AsTag(e.get())) {
      Check(t->Raw.find_first_of("<>") == std::string::npos);
      Check(UpperAsciiOnly(t->Name));
      for (const kc::THTMLParam& p : t->Params) {
        Check(!p.Raw.empty() && UpperAsciiOnly(p.Name));
        Check(p.Value.size() <= p.Raw.size());
      }
    } else {
      const kc::THTMLText* x = kc::AsText(e.get());
      Check(x != nullptr && !x->Raw.empty());
      Check(x->Text.find('\n') == std::string::npos);
      // The rules are linear, but keep the run short: a few pieces each.
      if (texts++ < 4) {
        std::string title = kc::NormaliseText(x->Text);
        std::string memo = kc::DecodePageText(x->Raw);
        kc::ApplyTitleMarks(title, memo);
        kc::ApplyExtensionNotes(memo, 40518.875);
      }
    }
  }
  return 0;
}
