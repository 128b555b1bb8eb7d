// kanalia-tool explain: why a channel gets programmes, or none, told from a
// host folder's files alone. It reads them as a download run does, through
// the plug-in's own readers (settings, channel table, the saved channel
// numbers and page keys, conversions, the page cache, the analyser), and
// writes one fact per line. Nothing is fetched and nothing is written.
//
// Where a run would read the site's channel list first, this reads what the
// last run that got one saved: tvmurokch.csv and the page keys beside the
// plug-in.
#include <algorithm>
#include <exception>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "analysis/chart_analyser.h"
#include "analysis/site.h"
#include "core/datetime.h"
#include "core/text.h"
#include "download/channel_entry.h"
#include "download/channel_list.h"
#include "download/host_files.h"
#include "download/host_settings.h"
#include "download/page_download.h"
#include "download/programme_files.h"
#include "download/run_context.h"
#include "download/run_report.h"
#include "platform/platform.h"
#include "storage/memtable.h"
#include "storage/tables.h"
#include "tools/quiet_sink.h"
#include "tools/tool.h"

namespace {

using kc::StringList;

// Arguments and output: Shift-JIS inside. Natively arguments come in UTF-8
// and facts go out in UTF-8; on Windows both are in the code page (932).
#ifdef _WIN32
constexpr bool kUtf8ByDefault = false;
std::string FromArgument(const std::string& a) { return a; }
#else
constexpr bool kUtf8ByDefault = true;
std::string FromArgument(const std::string& a) { return kc::Utf8ToCp932(a); }
#endif

const char kProgramNames[][14] = {"kanaliacs.exe", "kanaliacs"};

// The plug-in's folder below the host folder (with a trailing backslash):
// the one that holds saved page keys, else the one that holds the program,
// else any but the page cache; empty when the host folder has none.
std::string FindPluginFolder(const std::string& hostFolder) {
  const std::string base = kc::IncludeTrailingBackslash(hostFolder);
  std::vector<std::string> dirs;
  for (const kc::FoundFile& f : kc::Fs().FindFiles(base + "*", kc::faDirectory))
    if (f.Attr & kc::faDirectory) dirs.push_back(f.Name);
  std::sort(dirs.begin(), dirs.end());
  auto holds = [&](const std::string& dir, const char* name) {
    return kc::Fs().FileExists(base + dir + "\\" + name);
  };
  for (const std::string& d : dirs)
    if (holds(d, kc::host::kSkyptKeyFile) || holds(d, kc::host::kE2KeyFile)) return base + d + "\\";
  for (const std::string& d : dirs)
    for (const char* program : kProgramNames)
      if (holds(d, program)) return base + d + "\\";
  for (const std::string& d : dirs)
    if (kc::LowerAscii(d) != "cache") return base + d + "\\";
  return std::string();
}

struct CachedPage {
  std::string Name;
  kc::TDateTime LastWrite = 0;
  std::int64_t Size = 0;
  int Programmes = 0;
  bool Labelled = true;  // the channel table names its channel
  std::string Error;     // the analyser failed on it
};

class Explainer {
 public:
  Explainer(std::string pluginFolder, bool utf8)
      : plugin_(std::move(pluginFolder)), utf8_(utf8) {}

  void Settings(const std::string& hostFolder);
  void Datasets();
  void Channel(const std::string& channel);

 private:
  void Say(const std::string& sjis) { tool::PutLine(utf8_ ? kc::Cp932ToUtf8(sjis) : sjis); }
  std::string DataSetLabel(int n) const;
  std::string AreaFact(int n) const;
  bool Offered(int n) const;
  bool TickedAnyway(int n, const std::string& channel) const;
  std::string ChannelName(const std::string& channel);
  std::string KeyFileName() const { return kc::ExtractFileName(kc::ChannelKeyListFile(plugin_, useE2_)); }
  std::string NotAskedText(kc::NotAskedReason why) const;
  // Key, cached pages and what they give, each line led by prefix. True when
  // pages were read and none of them gave a programme.
  bool ChannelFacts(const std::string& prefix, const std::string& channel);
  const std::vector<CachedPage>& Pages(const std::string& channel);

  std::string plugin_;
  bool utf8_;
  bool useE2_ = false;
  bool haveNumbers_ = false;
  StringList numbers_, keys_, conversions_;
  std::string daysAhead_;
  int dataSetCount_ = 0;
  std::vector<kc::OfferedDataSet> offered_;
  kc::MemTable table_{"TableSkypch"};
  std::map<std::string, std::vector<CachedPage>> pages_;
};

std::string Explainer::DataSetLabel(int n) const {
  const std::string name = kc::ReadProfileString(
      kc::HozIniPath(plugin_), kc::host::kDataListSection,
      kc::host::kDataListItemPrefix + kc::IntToStr(n), "");
  return "dataset " + kc::IntToStr(n) + (name.empty() ? "" : " (" + name + ")");
}

// The keys behind DataSetTakesListings, as they read, for the reader.
std::string Explainer::AreaFact(int n) const {
  const std::string ini = kc::HozIniPath(plugin_), section = kc::DataSetSection(n);
  const std::string count = kc::ReadProfileString(ini, section, kc::host::kDataSetCount, "");
  const std::string area = kc::host::kAreaPrefix + kc::IntToStr(kc::StrToIntDef(count, 0) - 1);
  const std::string value = kc::ReadProfileString(ini, section, area, "");
  return "[" + section + "] count=" + (count.empty() ? "(none)" : count) + ", " + area + "=" +
         (value.empty() ? "(none)" : value);
}

bool Explainer::Offered(int n) const {
  for (const kc::OfferedDataSet& d : offered_)
    if (d.Number == n) return true;
  return false;
}

// The tick as it reads, also in a dataset whose channels a run never reads.
bool Explainer::TickedAnyway(int n, const std::string& channel) const {
  return kc::ReadProfileString(kc::ChannelIniPath(plugin_), kc::DataSetSection(n),
                                 kc::ChannelTickKey(channel), "") == kc::host::kTrue;
}

std::string Explainer::ChannelName(const std::string& channel) {
  if (!table_.Active() || !table_.Locate("TVChannel", channel)) return std::string();
  return table_.FieldByName("TVName").AsString();
}

std::string Explainer::NotAskedText(kc::NotAskedReason why) const {
  if (why == kc::NotAskedReason::NoList)
    return std::string("no channel numbers (none in ") + kc::host::kChannelNumbers +
           "; a run asks for channels only when the site's list or that file gives numbers)";
  if (why == kc::NotAskedReason::NotListed)
    return std::string("not in ") + kc::host::kChannelNumbers +
           " (the site's channel list no longer carries it)";
  return "no page key in " + KeyFileName() + " (its chart pages have no address)";
}

void Explainer::Settings(const std::string& hostFolder) {
  Say("host folder: " + hostFolder);
  Say("plug-in folder: " + kc::ExtractFileName(plugin_.substr(0, plugin_.size() - 1)));
  useE2_ = kc::ReadSetupBool(plugin_, kc::host::kUseE2);
  Say(std::string("platform: ") + (useE2_ ? "SKY PerfecTV! e2" : "SKY PerfecTV!") + " ([" +
      kc::host::kSetupSection + "] " + kc::host::kUseE2 + (useE2_ ? "=True)" : " is not True)"));

  kc::DefineTableSkypch(table_, kc::ChannelTableFile(plugin_));
  try {
    table_.Open();
    Say("channel table: " + kc::IntToStr(table_.RecordCount()) + " channels in " +
        kc::host::kChannelTable);
    if (!table_.RecoveredFrom().empty())
      Say("channel table: read from " + kc::ExtractFileName(table_.RecoveredFrom()) + " (" +
          kc::host::kChannelTable + " is missing)");
  } catch (const std::exception& e) {
    Say(std::string("channel table: ") + kc::host::kChannelTable + " cannot be read: " + e.what());
  }

  try {
    numbers_ = kc::LoadChannelNumberList(plugin_);
    haveNumbers_ = true;
    Say("channel numbers: " + kc::IntToStr(static_cast<long long>(numbers_.size())) + " in " +
        kc::host::kChannelNumbers + " (saved by the last run that got the site's list)");
  } catch (const std::exception&) {
    Say(std::string("channel numbers: no ") + kc::host::kChannelNumbers +
        " (a run that gets no list from the site asks for no channel)");
  }
  keys_ = kc::LoadChannelKeyList(plugin_, useE2_);
  if (keys_.empty())
    Say("page keys: none in " + KeyFileName() +
        " (a run that gets no list from the site asks for no channel)");
  else
    Say("page keys: " + kc::IntToStr(static_cast<long long>(keys_.size())) + " in " +
        KeyFileName());

  const bool reuse = kc::ReadSetupBool(plugin_, kc::host::kReuseCachedPages);
  Say(reuse ? "reuse of cached pages: on (today's cached pages are not fetched or read again)"
            : "reuse of cached pages: off (every page is fetched anew)");
  daysAhead_ = kc::ReadSetup(plugin_, kc::host::kDaysAhead);
  Say("days ahead: " + kc::IntToStr(kc::ReadDaysAhead(plugin_)));
  conversions_ = kc::ReadChannelConversions(plugin_);
  for (const std::string& c : conversions_) Say("conversion: " + c);

  dataSetCount_ = kc::GetDataSetCount(plugin_);
  offered_ = kc::OfferedDataSets(plugin_);
  Say("datasets: " + kc::IntToStr(dataSetCount_) + " ([" + kc::host::kDataListSection + "] " +
      kc::host::kDataListCount + ")");
}

const std::vector<CachedPage>& Explainer::Pages(const std::string& channel) {
  auto found = pages_.find(channel);
  if (found != pages_.end()) return found->second;
  std::vector<CachedPage>& out = pages_[channel];
  const std::string folder = kc::CacheFolder(kc::HostFolder(plugin_)) + "\\";
  // Only a decimal channel has page files: any other text names none.
  if (!kc::IsDecimalText(channel)) return out;
  std::vector<kc::FoundFile> files =
      kc::Fs().FindFiles(folder + kc::ChartPageFilePattern(channel), kc::faAnyFile);
  std::sort(files.begin(), files.end(),
            [](const kc::FoundFile& a, const kc::FoundFile& b) { return a.Name < b.Name; });
  for (const kc::FoundFile& f : files) {
    CachedPage p;
    p.Name = f.Name;
    p.LastWrite = f.LastWrite;
    p.Size = f.Size;
    try {
      kc::PageContext page =
          kc::PageContextOfFile(f.Name, {kc::Now(), daysAhead_, kc::site::BaseAddress()});
      tool::QuietSink sink;
      const int n = table_.Active() ? kc::AnalysePage(folder + f.Name, page, table_, conversions_,
                                                      [](const kc::ProgrammeRecord&) {}, sink)
                                    : -1;
      p.Labelled = n >= 0;
      if (p.Labelled) p.Programmes = n;
    } catch (const std::exception& e) {
      p.Error = e.what();
    }
    out.push_back(p);
  }
  return out;
}

bool Explainer::ChannelFacts(const std::string& prefix, const std::string& channel) {
  const std::string key = kc::ChannelPageKey(keys_, channel);
  Say(prefix + (key.empty() ? "no page key in " + KeyFileName() : "page key " + key));
  const std::vector<CachedPage>& pages = Pages(channel);
  if (pages.empty()) {
    Say(prefix + "no cached page");
    return false;
  }
  int programmes = 0;
  bool anyRead = false;
  for (const CachedPage& p : pages) {
    std::string fact = prefix + "cached page " + p.Name + ", " +
                       kc::FormatDateTime("yyyy/mm/dd hh:nn:ss", p.LastWrite, kc::RunFormats()) +
                       ", " + kc::IntToStr(p.Size) + " bytes, ";
    if (!p.Error.empty())
      fact += "cannot be read: " + p.Error;
    else if (!p.Labelled)
      fact += "not read: the channel table lacks its channel";
    else
      fact += kc::IntToStr(p.Programmes) + " programmes";
    Say(fact);
    if (p.Error.empty() && p.Labelled) {
      anyRead = true;
      programmes += p.Programmes;
    }
  }
  const bool none = anyRead && programmes == 0;
  if (none) Say(prefix + "no cached page gives a programme (the site's page layout may have changed)");
  return none;
}

void Explainer::Datasets() {
  for (int n = 0; n < dataSetCount_; ++n) {
    const std::string label = DataSetLabel(n);
    const bool takes = kc::DataSetTakesListings(plugin_, n);
    Say(label + ": " + (takes ? "takes" : "does not take") + " these listings (" + AreaFact(n) + ")");
    Say(label + ": " + (Offered(n) ? "offered" : "not offered") + " by the settings window ([" +
        kc::DataSetSection(n) + "] " + kc::host::kSettingsArea +
        (Offered(n) ? "=True)" : " is not True)"));
    if (!table_.Active()) continue;
    if (!takes) {
      for (table_.First(); !table_.Eof(); table_.Next()) {
        const std::string channel = table_.FieldByName("TVChannel").AsString();
        if (TickedAnyway(n, channel))
          Say(label + " channel " + channel + " " + table_.FieldByName("TVName").AsString() +
              ": ticked, never asked: the dataset does not take these listings");
      }
      continue;
    }
    StringList channels;
    kc::GetDataSetChannels(plugin_, n, table_, channels);
    Say(label + ": ticked channels: " + kc::IntToStr(static_cast<long long>(channels.size())));
    for (const std::string& channel : channels) {
      const std::string prefix = label + " channel " + channel;
      const kc::NotAskedReason why = kc::WhyNotAsked(numbers_, keys_, channel);
      Say(prefix + " " + ChannelName(channel) + ": " +
          (why == kc::NotAskedReason::Asked ? std::string("asked") : "not asked: " + NotAskedText(why)));
      ChannelFacts(prefix + ": ", channel);
    }
  }
}

void Explainer::Channel(const std::string& channel) {
  const std::string prefix = "channel " + channel;
  const bool inTable = table_.Active() && table_.Locate("TVChannel", channel);
  if (inTable)
    Say(prefix + " " + ChannelName(channel) + ": in the channel table (" + kc::host::kChannelTable + ")");
  else
    Say(prefix + ": not in the channel table (" + kc::host::kChannelTable +
        "): a run reads ticks only for the table's channels");
  Say(prefix + ": " + (kc::IndexOf(numbers_, channel) >= 0 ? "in " : "not in ") +
      kc::host::kChannelNumbers);
  const bool pagesGiveNothing = ChannelFacts(prefix + ": ", channel);
  const kc::NotAskedReason why = kc::WhyNotAsked(numbers_, keys_, channel);
  for (int n = 0; n < dataSetCount_; ++n) {
    const std::string label = DataSetLabel(n) + ": ";
    const bool ticked = TickedAnyway(n, channel);
    std::string fact;
    if (!kc::DataSetTakesListings(plugin_, n)) {
      fact = "does not reach it: the dataset does not take these listings (" + AreaFact(n) + ")" +
             (ticked ? ", although ticked" : "");
    } else if (!inTable) {
      fact = "does not reach it: not in the channel table";
    } else {
      StringList channels;
      kc::GetDataSetChannels(plugin_, n, table_, channels);
      if (kc::IndexOf(channels, channel) < 0)
        fact = "does not reach it: not ticked ([" + kc::DataSetSection(n) + "] " +
               kc::ChannelTickKey(channel) + " of " + kc::host::kChannelIni + " is not True)";
      else if (why != kc::NotAskedReason::Asked)
        fact = "does not reach it: ticked, but " + NotAskedText(why);
      else if (pagesGiveNothing)
        fact = "does not reach it: ticked and asked, but no cached page gives a programme";
      else
        fact = "reaches it: ticked, a run asks for its pages and appends its programmes to " +
               kc::ExtractFileName(kc::DataSetFile(plugin_, n));
    }
    Say(label + fact);
  }
}

}  // namespace

KC_TOOL_COMMAND(CmdExplain, "explain", "explain HOSTFOLDER [CHANNEL] [--utf8|--sjis]") {
  std::vector<std::string> positional;
  bool utf8 = kUtf8ByDefault;
  for (const std::string& a : args) {
    if (a == "--utf8")
      utf8 = true;
    else if (a == "--sjis")
      utf8 = false;
    else if (a.size() > 2 && a.compare(0, 2, "--") == 0)
      throw tool::UsageError();
    else
      positional.push_back(a);
  }
  if (positional.empty() || positional.size() > 2) throw tool::UsageError();
  std::string channel;
  if (positional.size() == 2) {
    int number = 0;
    if (!kc::TryStrToInt(positional[1], number) || number < 1) throw tool::UsageError();
    channel = kc::IntToStr(number);
  }

  const std::string host = FromArgument(positional[0]);
  const std::string hozIni = kc::IncludeTrailingBackslash(host) + kc::host::kHozIni;
  if (!kc::Fs().DirectoryExists(host) || !kc::Fs().FileExists(hozIni)) {
    std::cerr << "explain: " << positional[0] << " is not a host folder (no "
              << kc::host::kHozIni << " in it)\n";
    return 2;
  }
  const std::string plugin = FindPluginFolder(host);
  if (plugin.empty()) {
    std::cerr << "explain: " << positional[0]
              << " is not a host folder (no folder for the plug-in in it)\n";
    return 2;
  }
  Explainer e(plugin, utf8);
  e.Settings(host);
  if (channel.empty())
    e.Datasets();
  else
    e.Channel(channel);
  return 0;
}
