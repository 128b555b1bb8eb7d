// The host's settings files as this plug-in reads and writes them:
// "..\hoz.ini" (the host's own; we read options and the dataset list, and the
// settings window writes four [TSetup] keys) and "..\tvskypch.ini" (ours: the
// per-dataset channel ticks and the [ChannelChange] conversions).
//
// Every call goes through the platform's profile services and so opens the
// file anew; nothing is cached, because the host and the settings window may
// change the files between two calls.
//
// pluginFolder is the plug-in's own folder with a trailing backslash; the
// host's files live in its parent ("..\hoz.ini" below it).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/stringlist.h"

namespace kc {

class MemTable;
struct RunContext;

// File names below the plug-in's folder.
std::string HozIniPath(const std::string& pluginFolder);       // + "..\hoz.ini"
std::string ChannelIniPath(const std::string& pluginFolder);   // + "..\tvskypch.ini"
// "DataSet " + n (one blank), the section name in both files.
std::string DataSetSection(int n);

// The text of a channel number wherever it is a key or part of a file name:
// at least three digits, zero-padded ("55" -> "055", "161" -> "161",
// "1234" -> "1234"). The channel table and the number list keep the number
// without leading zeros; the ini keys ("tvch 055", [ChannelChange]), the
// chart page and programme file names use this form, so that a channel below
// 100 ticked in the settings window is the one the download run fetches.
// Text that is not a plain decimal number is returned unchanged.
std::string ChannelKeyText(const std::string& channel);
std::string ChannelKeyText(int channel);
// "tvch " + ChannelKeyText(channel).
std::string ChannelTickKey(const std::string& channel);

// Value of a [TSetup] key of ..\hoz.ini, empty when absent.
std::string ReadSetup(const std::string& pluginFolder, const std::string& key);
// Boolean settings are on only when the value reads exactly "True".
bool ReadSetupBool(const std::string& pluginFolder, const std::string& key);
// "NoDLLAfterDays_Text": days ahead that the analyser takes; 0, missing or
// not a number give 100.
int ReadDaysAhead(const std::string& pluginFolder);

// [TSetup.DataList_Items] "Count" of ..\hoz.ini, default 0.
int GetDataSetCount(const std::string& pluginFolder);

// True when these listings belong to dataset n: [DataSet n] "Area " +
// (count - 1) reads "True" (so "Area -1" when count is missing).
bool DataSetTakesListings(const std::string& pluginFolder, int n);

// Wanted channels of dataset n, in the order of the channel table: empty
// when the dataset does not take these listings; else every TVChannel of the
// table whose tick key reads "True" in ..\tvskypch.ini. Opens the table when
// it is not open.
void GetDataSetChannels(const std::string& pluginFolder, int n,
                        MemTable& tableSkypch, StringList& list);
// The same for the download run (ctx.State.DataSetChannels).
void GetDataSetChannels(RunContext& ctx, int n);

// Fills ctx.State.ChannelConversionList from [ChannelChange] of
// ..\tvskypch.ini: one line key=value per key in file order (the key itself
// is the default value). Phase "LoadChChangeList". A key that cannot be read
// is logged as the error line "チャンネル変換エラー:" + key + "ch" and skipped.
void LoadChChangeList(RunContext& ctx);
// The reader behind it, for callers without a run (the developer tool).
// onError is called with the key for every key that failed.
StringList ReadChannelConversions(
    const std::string& pluginFolder,
    const std::function<void(const std::string& key)>& onError = nullptr);

// ---- for the settings window

struct OfferedDataSet {
  int Number = 0;
  std::string Name;  // [TSetup.DataList_Items] "Item" + N
};
// Datasets 0 .. Count - 1 whose [DataSet N] "Area 47" reads "True".
std::vector<OfferedDataSet> OfferedDataSets(const std::string& pluginFolder);

// Stores the ticks of dataset n's channel list (entries begin with the
// channel key text; the first three characters form the tick key). Writes
// nothing when entries is empty or n < 0. [TSetup] "DataSetNo" := n,
// [DataSet n] "count" := entries, "tvch " + key := "True"/"False"; then
// flushes the file.
void StoreDataSetSelection(const std::string& pluginFolder, int n,
                           const StringList& entries,
                           const std::vector<bool>& ticked);
// Reads the ticks back: every entry unticked, then the first
// min(count, entries) ticked when their key reads "True". ticked is resized
// to entries.size().
void LoadDataSetSelection(const std::string& pluginFolder, int n,
                          const StringList& entries, std::vector<bool>& ticked);

}  // namespace kc
