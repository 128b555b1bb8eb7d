// What a download run got and what it could not read. The phases note it as
// they go (which ticked channels were passed over and why, what each
// request brought, what each page gave, what each dataset file received);
// the run driver writes it to the host's log at three points, so that a run
// whose listings stopped coming never ends as quietly as a good one:
//
//   after the page download, per ticked channel the run did not ask for:
//     "取得しません: 999チャンネル (サイトのチャンネルリストにありません)"
//     "取得しません: 161チャンネル (チャンネルリストを取得できず、保存した番号もありません)"
//     "取得しません: 55チャンネル (ページキーがありません)"
//   after the analysis (when it ran to its end), per channel whose pages
//   all gave no programme, and once when no page of the run gave one:
//     "番組を読み取れません: 161チャンネル (4ページ)"
//     "番組表のページ12件から番組を1件も読み取れません。サイトのページ構成が変わった可能性があります"
//     (error level)
//   before the end line, always:
//     "取得結果: 3チャンネル, ページ12件 (失敗1件), 番組75件, データセット0: 40行, データセット1: 35行"
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/stringlist.h"

namespace kc {

struct RunContext;

// Whether the run asks the site for a ticked channel of a dataset that takes
// these listings, and if not, why.
enum class NotAskedReason {
  Asked,
  NoList,     // ChannelNumberList is empty: no list came and none was saved
  NotListed,  // not in ChannelNumberList: the site's list no longer carries it
  NoPageKey,  // listed, but ChannelKeyList has no page key, so no address
};
NotAskedReason WhyNotAsked(const StringList& channelNumbers, const StringList& channelKeys,
                           const std::string& channel);

struct PageYield {
  int Pages = 0;             // pages read to their end
  long long Programmes = 0;  // programmes those pages gave
};

struct RunReport {
  // Channels whose pages the run went for (TVChannel text), each once.
  StringList ChannelsAsked;
  // Ticked channels passed over, each once, in the order first met.
  std::vector<std::pair<std::string, NotAskedReason>> NotAsked;
  // Chart page requests made, and those whose page was not accepted.
  int PagesRequested = 0;
  int PagesFailed = 0;
  // Every programme the analysis stored in a programme file.
  long long ProgrammesStored = 0;
  // Per channel as the page file names it ("055"), in the order first read.
  std::vector<std::pair<std::string, PageYield>> Yields;
  // Programme lines (not header lines) appended, per dataset file path.
  std::map<std::string, long long> LinesAppended;
};

// ---- noting (the phases)

void NoteChannelAsked(RunReport& r, const std::string& channel);
void NoteChannelNotAsked(RunReport& r, const std::string& channel, NotAskedReason why);
void NotePageRequested(RunReport& r, bool accepted);
// A page analysed into programmes programmes; readToEnd is false when Stop
// or Skip ended the page, which then says nothing about its layout.
void NotePageAnalysed(RunReport& r, const std::string& pageChannel, int programmes,
                      bool readToEnd);
void NoteLinesAppended(RunReport& r, const std::string& datasetFile, long long lines);

// ---- the lines

std::string NotAskedLine(const std::string& channel, NotAskedReason why);
// channel as the page file names it; the line drops its leading zeros, as
// the download lines name channels.
std::string NoProgrammeLine(const std::string& pageChannel, int pages);
std::string NoPageGaveProgrammesLine(int pages);
// The dataset figures: (dataset number, programme lines appended), for the
// datasets that take these listings.
std::string SummaryLine(const RunReport& r, const std::vector<std::pair<int, long long>>& datasets);

// ---- writing them (the run driver)

// Once per run, after the page download.
void LogChannelsNotAsked(RunContext& ctx);
// After the analysis; nothing when the pass did not run to its end.
void LogPagesWithoutProgrammes(RunContext& ctx, bool passCompleted);
// Before the run's end line.
void LogRunSummary(RunContext& ctx);

}  // namespace kc
