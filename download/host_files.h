// Every name the plug-in shares with the host: the files in the host's
// folder, the sections and keys of its settings files, the page cache and
// the work files in the temp folder. The plug-in lives in a sub-folder of the
// host's folder, so every host file is found from the plug-in's folder;
// nothing else in the program spells these names.
#pragma once

#include <string>

#include "core/datetime.h"

namespace kc {
namespace host {

// ---- files in the host's folder
constexpr const char kHozIni[] = "hoz.ini";             // the host's settings
constexpr const char kChannelIni[] = "tvskypch.ini";    // channel ticks, conversions
constexpr const char kChannelTable[] = "tvskypch.csv";  // backup ".old" (the table's own)
constexpr const char kChannelNumbers[] = "tvmurokch.csv";
constexpr const char kDataSetPrefix[] = "tvdata";  // + N + ".csv"
constexpr const char kDataSetExt[] = ".csv";
constexpr const char kLogFile[] = "hoz.log";
constexpr const char kCacheFolder[] = "Cache\\skypt";

// ---- work files: chart pages in the cache, programme files and the channel
// list page in the temp folder
constexpr const char kWorkFilePrefix[] = "tvmurok";
constexpr const char kWorkFilePattern[] = "tvmurok*.*";
constexpr const char kPageFileExt[] = ".html";
constexpr const char kProgrammeFileExt[] = ".dat";
constexpr const char kChannelWorkFile[] = "tvchannel.html";
// The page keys of the last channel list that came (ChannelKeyList), per
// platform, in the plug-in's own folder: what the fallback to the saved
// channel numbers needs to build chart page addresses.
constexpr const char kSkyptKeyFile[] = "pagekeys_skypt.txt";
constexpr const char kE2KeyFile[] = "pagekeys_e2.txt";

// ---- hoz.ini
constexpr const char kSetupSection[] = "TSetup";
constexpr const char kDataListSection[] = "TSetup.DataList_Items";
constexpr const char kDataListCount[] = "Count";
constexpr const char kDataListItemPrefix[] = "Item";  // + N: the dataset's name
// Sections "DataSet " + N in both files (DataSetSection); in hoz.ini they hold
// "count" and the areas "Area " + i, the last of which is these listings.
constexpr const char kDataSetSectionPrefix[] = "DataSet ";
constexpr const char kDataSetCount[] = "count";
constexpr const char kAreaPrefix[] = "Area ";
// The area the settings window offers datasets by.
constexpr const char kSettingsArea[] = "Area 47";
// [TSetup] keys.
constexpr const char kDaysAhead[] = "NoDLLAfterDays_Text";
constexpr const char kUseE2[] = "DLL_SkyptE2";
constexpr const char kUseSkypt[] = "DLL_Skypt";
constexpr const char kReuseCachedPages[] = "NotExistsDLL_Checked";
constexpr const char kAskBeforeConnecting[] = "QonConnect_Checked";
constexpr const char kMoreDetails[] = "DLLMORE_MUROKC_CHECKED";
constexpr const char kKeywordSearch[] = "USEKYEWORD_MUROKC_CHECKED";

// ---- tvskypch.ini
// [TSetup] "DataSetNo": the dataset shown last; [DataSet N] "count" and the
// tick keys "tvch " + channel key (ChannelTickKey).
constexpr const char kDataSetNo[] = "DataSetNo";
constexpr const char kTickKeyPrefix[] = "tvch ";
// Old channel key = new number, in tvskypch.ini and in ".chg" files.
constexpr const char kChannelChangeSection[] = "ChannelChange";

// Booleans of both files: on only when the value reads exactly "True".
constexpr const char kTrue[] = "True";
constexpr const char kFalse[] = "False";

}  // namespace host

// pluginFolder is the plug-in's own folder, with or without its trailing
// backslash.

// HostFolder: the plug-in folder with a trailing backslash + "..".
std::string HostFolder(const std::string& pluginFolder);
// HostFolder + "\" + name.
std::string HostFile(const std::string& pluginFolder, const std::string& name);
std::string HozIniPath(const std::string& pluginFolder);
std::string ChannelIniPath(const std::string& pluginFolder);
std::string ChannelTableFile(const std::string& pluginFolder);
std::string ChannelNumberListFile(const std::string& pluginFolder);
// The plug-in folder + kSkyptKeyFile or kE2KeyFile.
std::string ChannelKeyListFile(const std::string& pluginFolder, bool useE2);
// "..\tvdata" + n + ".csv" below the plug-in folder.
std::string DataSetFile(const std::string& pluginFolder, int n);
// The host's log as the download window binds it: the plug-in folder with a
// trailing backslash + "\..\hoz.log" (the doubled separator is harmless and
// kept as the host's own plug-ins write it).
std::string LogFilePath(const std::string& pluginFolder);
// "DataSet " + n (one blank), the section name in both files.
std::string DataSetSection(int n);

// hostFolder + "\Cache\skypt".
std::string CacheFolder(const std::string& hostFolder);
// "tvmurok" + ChannelKeyText(channel) + today as "mmdd" + i + ".html",
// e.g. tvmurok16112060.html. These names and ProgrammeFile throw kc::Error
// for a channel text that is not decimal digits.
std::string ChartPageFileName(const std::string& channel, TDateTime today, int i);
// The same name read back (no folder): the channel's three characters and
// the month and day (0 where they are no number). A name of another form
// reads as whatever stands at those places.
struct ChartPageName {
  std::string Channel;
  int Month = 0;
  int Day = 0;
};
ChartPageName ReadChartPageFileName(const std::string& fileName);
// The names ChartPageFileName gives the channel on any day: a pattern for
// FindFiles.
std::string ChartPageFilePattern(const std::string& channel);
// CacheFolder + "\" + ChartPageFileName.
std::string ChartPageFile(const std::string& hostFolder, const std::string& channel,
                          TDateTime today, int i);
// TempFolder() + "tvmurok" + ChannelKeyText(channel) + ".dat".
std::string ProgrammeFile(const std::string& channel);
// TempFolder() + "tvchannel.html". Never deleted, so a fetch that brings
// nothing reads the page of an earlier retrieval again.
std::string ChannelWorkFile();

}  // namespace kc
