// Channel list retrieval: fetches the platform's channel list page from the
// listings site, reads every channel number and name from it and merges them
// into the channel table ("..\tvskypch.csv"). It also yields the channel
// numbers the page listed (ChannelNumberList) and, for the download window,
// the page keys that chart page addresses need (ChannelKeyList, entries
// channel=key).
//
// The page readers are analysis/channel_list_reader.h. The download
// window's entry points take the run's context; the settings window calls
// the plain ones with its own table, lists and stop flag.
#pragma once

#include <functional>
#include <string>

#include "analysis/channel_list_reader.h"
#include "core/stringlist.h"

namespace kc {

class MemTable;
struct RunContext;

enum class ChannelPlatform { Skypt, E2 };

// What one read fills: the reader's sink and the channel table that what the
// page listed is merged into. Channel numbers the settings files cannot key
// (ChannelFitsKeys) are left out.
struct ChannelListSink : ListPageSink {
  ChannelListSink(MemTable& table, StringList& numbers, StringList* keys = nullptr,
                  std::function<bool()> stop = nullptr,
                  std::function<void(bool processMessages)> tokenizerYield = nullptr);
  MemTable& Table;
};

// ---- the readers (working file already on disk), each followed by the
// merge of what the page listed into the table

// Skypt page, the gathered text (GatherSkyptScript).
void ScanSkyptEntries(std::string text, ChannelListVariant variant, ChannelListSink& sink);
// e2 page.
void ReadE2Page(const std::string& path, ChannelListVariant variant, ChannelListSink& sink);

// Merge one channel: an existing row gets the name and Status 0, a new one
// is appended with Status 1. True when the row was there.
bool MergeChannel(MemTable& table, int number, const std::string& name);
// Ascending by TVChannel, compared as text.
void OrderChannelTable(MemTable& table);

// ---- the download window

// Phases "GetTVChannel2" (fetch) / "GetTVChannel" (read) for SKY PerfecTV!,
// and "GetTVChannelES2" / "GetChannelES2" for e2: fetch with the run's
// DownloadToFile, read into TableSkypch, ChannelNumberList and
// ChannelKeyList. The caller empties ChannelNumberList first. An error
// inside a reader is logged as step name + "; チャンネルエラー" (error line)
// and the run goes on.
void RetrieveSkyptChannels(RunContext& ctx);
void RetrieveE2Channels(RunContext& ctx);
// The platform chosen by ctx.State.UseE2.
void RetrieveChannelList(RunContext& ctx);

// ---- the settings window

// Fetch without spacing or log, then read with the settings window's rules.
// afterScan runs after a Skypt scan, before the table is ordered (the
// settings window fills its list there); it may be empty. Errors inside a
// reader go to the caller.
// tokenizerYield is the e2 page tokenizer's yield.
void RetrieveChannelListForSettings(ChannelPlatform platform, MemTable& tableTV,
                                    StringList& channelNumbers,
                                    const std::function<bool()>& stop,
                                    const std::function<void(bool)>& tokenizerYield,
                                    const std::function<void()>& afterScan = nullptr);

// ---- the channel number list file "..\tvmurokch.csv"

// One number per line, every line ended by CR LF. Save replaces the file;
// Load throws kc::Error when the file is missing.
void SaveChannelNumberList(const StringList& numbers, const std::string& pluginFolder);
StringList LoadChannelNumberList(const std::string& pluginFolder);

// ---- the page keys of the last list that came (ChannelKeyListFile)

// Entries channel=key, one a line with CR LF; written beside and then put in
// place in one step. Save reports failure by its result; Load gives an empty
// list when the file is missing.
bool SaveChannelKeyList(const StringList& keys, const std::string& pluginFolder, bool useE2);
StringList LoadChannelKeyList(const std::string& pluginFolder, bool useE2);

}  // namespace kc
