// kanalia-tool analyse: what the chart analyser makes of a saved chart page,
// written as the page's channel programme file would hold it (before the gap
// fill). Run it on a page fetched from the site when the site changes.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "analysis/chart_analyser.h"
#include "analysis/site.h"
#include "core/datetime.h"
#include "core/error.h"
#include "download/programme_files.h"
#include "platform/platform.h"
#include "storage/memtable.h"
#include "storage/tables.h"
#include "tools/quiet_sink.h"
#include "tools/tool.h"

namespace {

bool ParseNow(const std::string& text, kc::TDateTime& out) {
  int y, mo, d, h, mi, s;
  char tail;
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
    return false;
  kc::TDateTime date, time;
  if (!kc::TryEncodeDate(y, mo, d, date) || !kc::TryEncodeTime(h, mi, s, 0, time)) return false;
  out = date + time;
  return true;
}

void Err(const std::string& sjis) { std::cerr << kc::Cp932ToUtf8(sjis) << "\n"; }

struct AnalyseArgs {
  std::vector<std::string> positional;
  kc::StringList conversions;
  std::string days;
  std::string nowText;
  bool utf8 = false;
};

AnalyseArgs ParseArgs(const std::vector<std::string>& args) {
  AnalyseArgs out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--convert" || a == "--days" || a == "--now") {
      if (i + 1 >= args.size()) throw tool::UsageError();
      const std::string& v = args[++i];
      if (a == "--convert") {
        if (v.find('=') == std::string::npos) throw tool::UsageError();
        out.conversions.push_back(v);
      } else if (a == "--days") {
        out.days = v;
      } else {
        out.nowText = v;
      }
    } else if (a == "--utf8") {
      out.utf8 = true;
    } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      throw tool::UsageError();
    } else {
      out.positional.push_back(a);
    }
  }
  if (out.positional.size() != 2) throw tool::UsageError();
  return out;
}

}  // namespace

KC_TOOL_COMMAND(CmdAnalyse, "analyse",
                "analyse PAGEFILE CHANNELS_CSV [--convert KEY=VALUE ...] [--days N] "
                "[--now \"yyyy-mm-dd hh:nn:ss\"] [--utf8]") {
  const AnalyseArgs parsed = ParseArgs(args);
  const std::vector<std::string>& positional = parsed.positional;
  const kc::StringList& conversions = parsed.conversions;
  const std::string& days = parsed.days;
  const std::string& nowText = parsed.nowText;
  const bool utf8 = parsed.utf8;
  kc::TDateTime now = kc::Now();
  if (!nowText.empty() && !ParseNow(nowText, now)) {
    std::cerr << "analyse: --now wants \"yyyy-mm-dd hh:nn:ss\", got \"" << nowText << "\"\n";
    return 2;
  }

  const std::string& page = positional[0];
  if (!kc::Fs().FileExists(page)) {
    std::cerr << "analyse: cannot read " << page << "\n";
    return 1;
  }
  kc::MemTable skypch("TableSkypch");
  kc::MemTable mas("TableMas");
  try {
    kc::DefineTableSkypch(skypch, positional[1]);
    skypch.Open();
    kc::DefineTableMas(mas, "");
    mas.Open();
    kc::PageContext pc = kc::PageContextOfFile(page, {now, days, kc::site::BaseAddress()});
    tool::QuietSink sink;
    int n = kc::AnalysePage(
        page, pc, skypch, conversions,
        [&mas](const kc::ProgrammeRecord& r) { kc::AppendProgramme(mas, r); }, sink);
    if (n < 0) {
      Err("チャンネル名取得エラー [" + page + "]");
      n = 0;
    }
    std::string bytes = mas.SaveToString(mas.PersistentSaveOptions);
    if (utf8) bytes = kc::Cp932ToUtf8(bytes);
    tool::Put(bytes);
    std::cerr << n << " programmes\n";
  } catch (const std::exception& e) {
    Err(std::string("Analyze: ") + e.what());
    return 1;
  }
  return 0;
}
