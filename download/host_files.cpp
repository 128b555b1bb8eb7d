#include "download/host_files.h"

#include "core/text.h"
#include "platform/platform.h"

namespace kc::host {

std::string PluginFolderWithBackslash(const std::string& pluginFolder) {
  return plat::IncludeTrailingBackslash(pluginFolder);
}

std::string HostFolder(const std::string& pluginFolder) {
  return PluginFolderWithBackslash(pluginFolder) + "..";
}

std::string HostFile(const std::string& pluginFolder, const std::string& name) {
  return HostFolder(pluginFolder) + "\\" + name;
}

std::string LogFilePath(const std::string& pluginFolder) {
  return PluginFolderWithBackslash(pluginFolder) + "\\..\\" + kLogFile;
}

std::string DataSetFile(const std::string& pluginFolder, int n) {
  return HostFile(pluginFolder, std::string(kDataSetPrefix) + IntToStr(n) + kDataSetExt);
}

std::string CacheFolderOf(const std::string& hostFolder) {
  return hostFolder + "\\" + kCacheFolder;
}

}  // namespace kc::host
