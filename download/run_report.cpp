#include "download/run_report.h"

#include <algorithm>

#include "core/text.h"
#include "download/host_files.h"
#include "download/host_settings.h"
#include "download/page_download.h"
#include "download/run_context.h"
#include "storage/log_file.h"

namespace kc {

namespace {

// "055" -> "55": the page file's channel text as the channel table and the
// other log lines write it.
std::string TableChannel(const std::string& pageChannel) {
  int n = 0;
  return TryStrToInt(pageChannel, n) && n >= 0 ? IntToStr(n) : pageChannel;
}

std::string Count(long long n) { return IntToStr(n); }

}  // namespace

NotAskedReason WhyNotAsked(const StringList& channelNumbers, const StringList& channelKeys,
                           const std::string& channel) {
  if (channelNumbers.empty()) return NotAskedReason::NoList;
  if (IndexOf(channelNumbers, channel) < 0) return NotAskedReason::NotListed;
  if (ChannelPageKey(channelKeys, channel).empty()) return NotAskedReason::NoPageKey;
  return NotAskedReason::Asked;
}

void NoteChannelAsked(RunReport& r, const std::string& channel) {
  if (IndexOf(r.ChannelsAsked, channel) < 0) r.ChannelsAsked.push_back(channel);
}

void NoteChannelNotAsked(RunReport& r, const std::string& channel, NotAskedReason why) {
  if (why == NotAskedReason::Asked) return;
  for (const auto& seen : r.NotAsked)
    if (seen.first == channel) return;
  r.NotAsked.emplace_back(channel, why);
}

void NotePageRequested(RunReport& r, bool accepted) {
  ++r.PagesRequested;
  if (!accepted) ++r.PagesFailed;
}

void NotePageAnalysed(RunReport& r, const std::string& pageChannel, int programmes,
                      bool readToEnd) {
  if (programmes > 0) r.ProgrammesStored += programmes;
  if (!readToEnd && programmes <= 0) return;
  auto it = std::find_if(r.Yields.begin(), r.Yields.end(),
                         [&](const auto& y) { return y.first == pageChannel; });
  if (it == r.Yields.end()) it = r.Yields.insert(r.Yields.end(), {pageChannel, PageYield{}});
  ++it->second.Pages;
  if (programmes > 0) it->second.Programmes += programmes;
}

void NoteLinesAppended(RunReport& r, const std::string& datasetFile, long long lines) {
  r.LinesAppended[datasetFile] += lines;
}

std::string NotAskedLine(const std::string& channel, NotAskedReason why) {
  const char* because = why == NotAskedReason::NoList
                            ? "チャンネルリストを取得できず、保存した番号もありません"
                        : why == NotAskedReason::NotListed ? "サイトのチャンネルリストにありません"
                                                           : "ページキーがありません";
  return "取得しません: " + channel + "チャンネル (" + because + ")";
}

std::string NoProgrammeLine(const std::string& pageChannel, int pages) {
  return "番組を読み取れません: " + TableChannel(pageChannel) + "チャンネル (" + Count(pages) +
         "ページ)";
}

std::string NoPageGaveProgrammesLine(int pages) {
  return "番組表のページ" + Count(pages) +
         "件から番組を1件も読み取れません。サイトのページ構成が変わった可能性があります";
}

std::string SummaryLine(const RunReport& r,
                        const std::vector<std::pair<int, long long>>& datasets) {
  std::string line = "取得結果: " + Count(static_cast<long long>(r.ChannelsAsked.size())) +
                     "チャンネル, ページ" + Count(r.PagesRequested) + "件 (失敗" +
                     Count(r.PagesFailed) + "件), 番組" + Count(r.ProgrammesStored) + "件";
  for (const auto& [n, lines] : datasets)
    line += ", データセット" + IntToStr(n) + ": " + Count(lines) + "行";
  return line;
}

void LogChannelsNotAsked(RunContext& ctx) {
  for (const auto& [channel, why] : ctx.State.Report.NotAsked)
    ctx.Log.WriteLine(NotAskedLine(channel, why));
}

void LogPagesWithoutProgrammes(RunContext& ctx, bool passCompleted) {
  if (!passCompleted) return;
  const RunReport& r = ctx.State.Report;
  int pages = 0;
  for (const auto& [channel, y] : r.Yields) {
    pages += y.Pages;
    if (y.Pages > 0 && y.Programmes == 0) ctx.Log.WriteLine(NoProgrammeLine(channel, y.Pages));
  }
  // Pages came and none of them held a programme the analyser could find:
  // most likely not a quiet day but a site that changed its pages.
  if (pages > 0 && r.ProgrammesStored == 0)
    ctx.Log.WriteLine(NoPageGaveProgrammesLine(pages), true);
}

void LogRunSummary(RunContext& ctx) {
  const DownloadRunState& st = ctx.State;
  std::vector<std::pair<int, long long>> datasets;
  for (int n = 0; n < st.DataSetCount; ++n) {
    if (!DataSetTakesListings(st.PluginFolder, n)) continue;
    auto it = st.Report.LinesAppended.find(DataSetFile(st.PluginFolder, n));
    datasets.emplace_back(n, it == st.Report.LinesAppended.end() ? 0 : it->second);
  }
  ctx.Log.WriteLine(SummaryLine(st.Report, datasets));
}

}  // namespace kc
