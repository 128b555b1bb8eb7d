#include "download/host_files.h"

#include "core/error.h"
#include "core/text.h"
#include "download/channel_entry.h"
#include "platform/platform.h"
#include "platform/temp_files.h"

namespace kc {

std::string HostFolder(const std::string& pluginFolder) {
  return kc::IncludeTrailingBackslash(pluginFolder) + "..";
}

std::string HostFile(const std::string& pluginFolder, const std::string& name) {
  return HostFolder(pluginFolder) + "\\" + name;
}

std::string HozIniPath(const std::string& pluginFolder) {
  return HostFile(pluginFolder, host::kHozIni);
}

std::string ChannelIniPath(const std::string& pluginFolder) {
  return HostFile(pluginFolder, host::kChannelIni);
}

std::string ChannelTableFile(const std::string& pluginFolder) {
  return HostFile(pluginFolder, host::kChannelTable);
}

std::string ChannelNumberListFile(const std::string& pluginFolder) {
  return HostFile(pluginFolder, host::kChannelNumbers);
}

std::string ChannelKeyListFile(const std::string& pluginFolder, bool useE2) {
  return kc::IncludeTrailingBackslash(pluginFolder) + (useE2 ? host::kE2KeyFile : host::kSkyptKeyFile);
}

std::string DataSetFile(const std::string& pluginFolder, int n) {
  return HostFile(pluginFolder, host::kDataSetPrefix + IntToStr(n) + host::kDataSetExt);
}

std::string LogFilePath(const std::string& pluginFolder) {
  return kc::IncludeTrailingBackslash(pluginFolder) + "\\..\\" + host::kLogFile;
}

std::string DataSetSection(int n) { return host::kDataSetSectionPrefix + IntToStr(n); }

std::string CacheFolder(const std::string& hostFolder) {
  return hostFolder + "\\" + host::kCacheFolder;
}

namespace {

// A channel text from the table or the settings files is only trusted as
// far as it is a number: anything else ("\\..\\x") would name a file
// outside the cache or the temp folder.
std::string FileNameChannel(const std::string& channel) {
  if (!IsDecimalText(channel)) throw Error("チャンネル番号ではありません: " + channel);
  return ChannelKeyText(channel);
}

}  // namespace

std::string ChartPageFileName(const std::string& channel, TDateTime today, int i) {
  return host::kWorkFilePrefix + FileNameChannel(channel) +
         FormatDateTime("mmdd", today, FormatSettings()) + IntToStr(i) + host::kPageFileExt;
}

ChartPageName ReadChartPageFileName(const std::string& fileName) {
  const std::size_t at = sizeof host::kWorkFilePrefix - 1;
  auto part = [&fileName](std::size_t from, std::size_t len) {
    return from < fileName.size() ? fileName.substr(from, len) : std::string();
  };
  ChartPageName n;
  n.Channel = part(at, 3);
  n.Month = StrToIntDef(part(at + 3, 2), 0);
  n.Day = StrToIntDef(part(at + 5, 2), 0);
  return n;
}

std::string ChartPageFilePattern(const std::string& channel) {
  return host::kWorkFilePrefix + FileNameChannel(channel) + "?????" + host::kPageFileExt;
}

std::string ChartPageFile(const std::string& hostFolder, const std::string& channel,
                          TDateTime today, int i) {
  return CacheFolder(hostFolder) + "\\" + ChartPageFileName(channel, today, i);
}

std::string ProgrammeFile(const std::string& channel) {
  return TempFolder() + host::kWorkFilePrefix + FileNameChannel(channel) + host::kProgrammeFileExt;
}

std::string ChannelWorkFile() { return TempFolder() + host::kChannelWorkFile; }

}  // namespace kc
