// What the plug-in relies on from the host scheduler: the plug-in lives in a
// sub-folder of the host's folder and works on the host's files in the
// parent folder. Every host file name is here, so the rest of the program
// builds its paths from one place.
#pragma once

#include <string>

namespace kc::host {

// Files in the host's folder.
constexpr const char kHozIni[] = "hoz.ini";
constexpr const char kChannelIni[] = "tvskypch.ini";
constexpr const char kChannelTable[] = "tvskypch.csv";
constexpr const char kChannelTableBackupExt[] = ".old";
constexpr const char kChannelNumbers[] = "tvmurokch.csv";
constexpr const char kDataSetPrefix[] = "tvdata";  // + N + ".csv"
constexpr const char kDataSetExt[] = ".csv";
constexpr const char kLogFile[] = "hoz.log";
constexpr const char kCacheFolder[] = "Cache\\skypt";

// The user registry key under which the host (and we) keep window positions.
constexpr const char kPlacementKey[] = "software\\Corvane\\HozScheduler2";

// The plug-in's folder with a trailing backslash (pluginFolder may lack it).
std::string PluginFolderWithBackslash(const std::string& pluginFolder);

// HostFolder: the plug-in folder with a trailing backslash + "..".
std::string HostFolder(const std::string& pluginFolder);

// plug-in folder with trailing backslash + "..\" + name.
std::string HostFile(const std::string& pluginFolder, const std::string& name);

// The host's log as the download window binds it: the plug-in folder with a
// trailing backslash + "\..\hoz.log" (the doubled separator is harmless and
// kept as the host's own plug-ins write it).
std::string LogFilePath(const std::string& pluginFolder);

// "..\tvdata" + n + ".csv" below the plug-in folder.
std::string DataSetFile(const std::string& pluginFolder, int n);

// HostFolder + "\Cache\skypt".
std::string CacheFolderOf(const std::string& hostFolder);

}  // namespace kc::host
