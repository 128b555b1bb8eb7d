#include "download/channel_list.h"

#include <exception>
#include <unordered_map>
#include <utility>
#include <vector>

#include "analysis/channel_list_reader.h"
#include "analysis/site.h"
#include "core/text.h"
#include "download/channel_entry.h"
#include "download/host_files.h"
#include "download/page_download.h"
#include "download/run_context.h"
#include "platform/platform.h"
#include "platform/text_files.h"
#include "storage/log_file.h"
#include "storage/memtable.h"
#include "storage/tables.h"

namespace kc {

namespace {

// What a page listed, merged into the table in one walk of it: a look-up
// per channel would walk the table row by row. Merging entry by entry in
// page order would leave every channel with its last name, Status 0 when
// its row was there or it came more than once, 1 otherwise, new rows
// appended in the order of their first entry; this gives the same. The
// rows that were there come first (the first row of a channel, as a
// look-up finds it), then the new ones.
void MergeListedChannels(ChannelListSink& sink) {
  MemTable& t = sink.Table;
  const std::vector<ListedChannel> listed = std::move(sink.Channels);
  sink.Channels.clear();
  if (listed.empty()) return;
  std::unordered_map<int, std::size_t> index;
  for (std::size_t i = 0; i < listed.size(); ++i) index.emplace(listed[i].Number, i);
  std::vector<bool> done(listed.size(), false);
  Field& channel = t.FieldByName("TVChannel");
  unsigned long long rows = 0;
  for (t.First(); !t.Eof(); t.Next()) {
    if (sink.TokenizerYield && ++rows % 256 == 0) sink.TokenizerYield(true);
    const std::string ch = channel.AsString();
    int number;
    if (!TryStrToInt(ch, number) || IntToStr(number) != ch) continue;
    auto it = index.find(number);
    if (it == index.end() || done[it->second]) continue;
    done[it->second] = true;
    t.Edit();
    t.FieldByName("TVName").SetAsString(listed[it->second].Name);
    t.FieldByName("Status").SetAsInteger(0);
    t.Post();
  }
  for (std::size_t i = 0; i < listed.size(); ++i) {
    if (done[i]) continue;
    const ListedChannel& c = listed[i];
    AppendChannel(t, IntToStr(c.Number), c.Name, c.Entries > 1 ? 0 : 1);
  }
}

}  // namespace

ChannelListSink::ChannelListSink(MemTable& table, StringList& numbers, StringList* keys,
                                 std::function<bool()> stop,
                                 std::function<void(bool processMessages)> tokenizerYield)
    : ListPageSink(numbers, keys, std::move(stop), std::move(tokenizerYield), kMaxChannelNumber),
      Table(table) {}

void ScanSkyptEntries(std::string text, ChannelListVariant variant, ChannelListSink& sink) {
  ReadSkyptScript(std::move(text), variant, sink);
  MergeListedChannels(sink);
}

void ReadE2Page(const std::string& path, ChannelListVariant variant, ChannelListSink& sink) {
  ReadE2ListPage(path, variant, sink);
  MergeListedChannels(sink);
}

bool MergeChannel(MemTable& table, int number, const std::string& name) {
  const std::string channel = IntToStr(number);
  if (table.Locate("TVChannel", channel)) {
    table.Edit();
    table.FieldByName("TVName").SetAsString(name);
    table.FieldByName("Status").SetAsInteger(0);
    table.Post();
    return true;
  }
  AppendChannel(table, channel, name, 1);
  return false;
}

void OrderChannelTable(MemTable& table) { table.SortOn("TVChannel"); }

namespace {

void RetrieveForDownloadWindow(RunContext& ctx, ChannelPlatform platform) {
  DownloadRunState& st = ctx.State;
  const bool e2 = platform == ChannelPlatform::E2;
  st.PhaseName = e2 ? "GetTVChannelES2" : "GetTVChannel2";
  const std::string work = ChannelWorkFile();
  DownloadToFile(ctx, site::BaseAddress() + (e2 ? site::kE2ListPath : site::kSkyptListPath), work);
  if (!kc::Fs().FileExists(work)) return;
  st.PhaseName = e2 ? "GetChannelES2" : "GetTVChannel";
  ChannelListSink sink{ctx.TableSkypch, st.ChannelNumberList, &st.ChannelKeyList,
                       [&st] { return st.StopRequested; }, ctx.TokenizerYield};
  try {
    if (!ctx.TableSkypch.Active()) ctx.TableSkypch.Open();
    if (e2) {
      ReadE2Page(work, ChannelListVariant::DownloadWindow, sink);
    } else {
      std::string text;
      if (!GatherSkyptScript(work, sink.Stop, text)) return;
      ScanSkyptEntries(text, ChannelListVariant::DownloadWindow, sink);
    }
    OrderChannelTable(ctx.TableSkypch);
  } catch (const std::exception&) {
    ctx.Log.WriteLine(st.PhaseName + "; チャンネルエラー", true);
  }
  if (sink.Capped)
    ctx.Log.WriteLine(st.PhaseName + ": チャンネル一覧の項目が " +
                      IntToStr(static_cast<long long>(sink.MaxEntries)) +
                      " 件を超えたため、それより後を読みません");
  const std::string leftOut = LeftOutText(sink);
  if (!leftOut.empty())
    ctx.Log.WriteLine(st.PhaseName + ": 4桁以上のチャンネル番号は扱えないため除きました: " + leftOut);
}

}  // namespace

void RetrieveSkyptChannels(RunContext& ctx) { RetrieveForDownloadWindow(ctx, ChannelPlatform::Skypt); }

void RetrieveE2Channels(RunContext& ctx) { RetrieveForDownloadWindow(ctx, ChannelPlatform::E2); }

void RetrieveChannelList(RunContext& ctx) {
  if (ctx.State.UseE2)
    RetrieveE2Channels(ctx);
  else
    RetrieveSkyptChannels(ctx);
}

void RetrieveChannelListForSettings(ChannelPlatform platform, MemTable& tableTV,
                                    StringList& channelNumbers,
                                    const std::function<bool()>& stop,
                                    const std::function<void(bool)>& tokenizerYield,
                                    const std::function<void()>& afterScan) {
  const bool e2 = platform == ChannelPlatform::E2;
  const std::string work = ChannelWorkFile();
  DownloadToFileNoLog(site::BaseAddress() + (e2 ? site::kE2ListPath : site::kSkyptListPath), work,
                      stop);
  if (!kc::Fs().FileExists(work)) return;
  ChannelListSink sink{tableTV, channelNumbers, nullptr, stop, tokenizerYield};
  if (!tableTV.Active()) tableTV.Open();
  if (e2) {
    ReadE2Page(work, ChannelListVariant::SettingsWindow, sink);
  } else {
    std::string text;
    if (!GatherSkyptScript(work, stop, text)) return;
    ScanSkyptEntries(text, ChannelListVariant::SettingsWindow, sink);
    if (afterScan) afterScan();
  }
  OrderChannelTable(tableTV);
}

void SaveChannelNumberList(const StringList& numbers, const std::string& pluginFolder) {
  SaveStringListToFile(numbers, ChannelNumberListFile(pluginFolder));
}

StringList LoadChannelNumberList(const std::string& pluginFolder) {
  return LoadStringListFromFile(ChannelNumberListFile(pluginFolder));
}

bool SaveChannelKeyList(const StringList& keys, const std::string& pluginFolder, bool useE2) {
  const std::string file = ChannelKeyListFile(pluginFolder, useE2);
  const std::string temp = file + ".new";
  if (kc::WriteWholeFile(temp, JoinLinesCrLf(keys)) && kc::Fs().ReplaceFile(temp, file))
    return true;
  kc::Fs().DeleteFile(temp);
  return false;
}

StringList LoadChannelKeyList(const std::string& pluginFolder, bool useE2) {
  std::string data;
  if (!kc::ReadWholeFile(ChannelKeyListFile(pluginFolder, useE2), data)) return StringList();
  return SplitLines(data);
}

}  // namespace kc
