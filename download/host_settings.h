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
// host's files live in its parent (download/host_files.h names them).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/stringlist.h"

namespace kc {

class MemTable;
struct RunContext;

// Value of a [TSetup] key of ..\hoz.ini, empty when absent.
std::string ReadSetup(const std::string& pluginFolder, const std::string& key);
// Boolean settings are on only when the value reads exactly "True".
bool ReadSetupBool(const std::string& pluginFolder, const std::string& key);
// Writes "True" or "False" into [TSetup] of ..\hoz.ini.
void WriteSetupBool(const std::string& pluginFolder, const std::string& key, bool on);
void FlushHozIni(const std::string& pluginFolder);
// "NoDLLAfterDays_Text": days ahead that the analyser takes; 0, missing or
// not a number give 100.
int ReadDaysAhead(const std::string& pluginFolder);

// [TSetup.DataList_Items] "Count" of ..\hoz.ini, default 0, held to 0 ..
// kMaxDataSets: every dataset costs reads of the settings files in each
// phase of a run and at the settings window's start.
constexpr int kMaxDataSets = 1000;
int GetDataSetCount(const std::string& pluginFolder);

// True when these listings belong to dataset n: [DataSet n] "Area " +
// (count - 1) reads "True" (so "Area -1" when count is missing).
bool DataSetTakesListings(const std::string& pluginFolder, int n);

// Wanted channels of dataset n, in the order of the channel table: empty
// when the dataset does not take these listings; else every TVChannel of the
// table whose tick key (ChannelTickKey) reads "True" in ..\tvskypch.ini.
// Opens the table when it is not open.
void GetDataSetChannels(const std::string& pluginFolder, int n,
                        MemTable& tableSkypch, StringList& list);
// The same for the download run (ctx.State.DataSetChannels).
void GetDataSetChannels(RunContext& ctx, int n);

// Fills ctx.State.ChannelConversionList from [ChannelChange] of
// ..\tvskypch.ini: one line key=value per key in file order (the key itself
// is the default value). Phase "LoadChChangeList". A key that cannot be read
// is logged as the error line "チャンネル変換エラー:" + key + "ch" and skipped.
// The file is read once; the window's messages flow every 256 keys and Stop
// ends the list there.
void LoadChannelConversions(RunContext& ctx);
// The reader behind it, for callers without a run (the developer tool).
// onError is called with the key for every key that failed; goOn (may be
// empty) before every key, and false ends the list there.
StringList ReadChannelConversions(
    const std::string& pluginFolder,
    const std::function<void(const std::string& key)>& onError = nullptr,
    const std::function<bool()>& goOn = nullptr);


// ---- for the settings window

struct OfferedDataSet {
  int Number = 0;
  std::string Name;  // [TSetup.DataList_Items] "Item" + N
};
// Datasets 0 .. Count - 1 whose [DataSet N] "Area 47" reads "True".
std::vector<OfferedDataSet> OfferedDataSets(const std::string& pluginFolder);

// Stores the ticks of dataset n's channel list (entries begin with the
// channel key text; EntryTickKey gives the key). Writes nothing when entries
// is empty or n < 0. [TSetup] "DataSetNo" := n,
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
