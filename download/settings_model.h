// What the settings window reads and stores, without its controls: the
// platform and option switches, the datasets it offers, the channel list's
// entries, the per-dataset ticks and the channel number list. The window
// holds the controls and calls these.
#pragma once

#include <string>
#include <vector>

#include "core/stringlist.h"
#include "download/host_settings.h"

namespace kc {

class MemTable;

// The switches of [TSetup] in ..\hoz.ini that the window shows.
struct SettingsChoices {
  bool MoreDetails = false;    // "DLLMORE_MUROKC_CHECKED"
  bool KeywordSearch = false;  // "USEKYEWORD_MUROKC_CHECKED"
  bool Skypt = false;          // "DLL_Skypt"
  bool E2 = false;             // "DLL_SkyptE2"
};

class SettingsModel {
 public:
  // pluginFolder: with a trailing backslash.
  explicit SettingsModel(std::string pluginFolder) : folder_(std::move(pluginFolder)) {}

  const std::string& PluginFolder() const { return folder_; }
  std::string ChannelTableFile() const;
  // ..\tvskypch.ini, whose [ChannelChange] the conversion window edits.
  std::string ChannelFile() const;

  SettingsChoices ReadChoices() const;
  // The keys the window stores when it closes: the four switches, then a
  // flush of the file.
  void StoreChoices(const SettingsChoices& choices) const;
  // "QonConnect_Checked": ask before going on line.
  bool AskBeforeConnecting() const;

  std::vector<OfferedDataSet> OfferedDataSets() const;

  // The list entries: the channels of the table that the number list holds,
  // in table order (the numbers are sorted on the way). A new channel shows
  // its star this once: it is marked known in the table. Empty when the
  // table is closed.
  static StringList ListEntries(MemTable& tableTV, StringList& channelNumbers);

  void StoreTicks(int dataSet, const StringList& entries,
                  const std::vector<bool>& ticked) const;
  std::vector<bool> LoadTicks(int dataSet, const StringList& entries) const;

  // ..\tvmurokch.csv.
  bool HasChannelNumbers() const;
  StringList LoadChannelNumbers() const;
  void SaveChannelNumbers(const StringList& numbers) const;

 private:
  std::string folder_;
};

}  // namespace kc
