// Random pages through the chart walker: whatever the site sends, the walk
// never reads outside a value, and every stored programme starts inside the
// days-ahead limit. (The title may end empty: the title marks can move an
// empty summary into it.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "analysis/chart_analyser.h"
#include "analysis/html_parser.h"
#include "core/datetime.h"
#include "core/stringlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Bias the input towards the chart's structure: a column, then the bytes.
  std::string page = "<div class=\"topcolumn\">";
  page.append(reinterpret_cast<const char*>(data), size);

  kc::PageContext pc = kc::MakePageContext(
      "tvmurok16112060.html", kc::EncodeDate(2019, 12, 6) + 0.5, "1", "https://b");
  pc.ChannelLabel = "161.x";
  kc::THTMLParser parser;
  parser.Lines = kc::SplitLines(page);
  parser.Execute();
  const kc::TDateTime limit = pc.Today + 1 + 5.0 / 24.0 + 1e-6;
  kc::ChartWalker walker(
      pc, [](const std::string& t) { return t; },
      [&](const kc::ProgrammeRecord& r) {
        if (r.StartDateTime <= 0 || r.StartDateTime >= limit) std::abort();
      });
  for (const auto& e : parser.Elements) {
    if (const kc::THTMLTag* tag = kc::AsTag(e.get())) {
      walker.BeginTag(tag->Name);
      for (const kc::THTMLParam& p : tag->Params) walker.TagParam(p.Name, p.Value);
    } else if (const kc::THTMLText* text = kc::AsText(e.get())) {
      walker.Text(text->Text);
    }
    walker.EndElement();
  }
  return 0;
}
