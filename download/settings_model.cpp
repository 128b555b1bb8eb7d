#include "download/settings_model.h"

#include <algorithm>

#include "download/channel_entry.h"
#include "download/channel_list.h"
#include "download/host_files.h"
#include "platform/platform.h"
#include "storage/memtable.h"

namespace kc {

std::string SettingsModel::ChannelTableFile() const { return kc::ChannelTableFile(folder_); }

std::string SettingsModel::ChannelFile() const { return ChannelIniPath(folder_); }

SettingsChoices SettingsModel::ReadChoices() const {
  SettingsChoices c;
  c.MoreDetails = ReadSetupBool(folder_, host::kMoreDetails);
  c.KeywordSearch = ReadSetupBool(folder_, host::kKeywordSearch);
  c.Skypt = ReadSetupBool(folder_, host::kUseSkypt);
  c.E2 = ReadSetupBool(folder_, host::kUseE2);
  return c;
}

void SettingsModel::StoreChoices(const SettingsChoices& c) const {
  WriteSetupBool(folder_, host::kMoreDetails, c.MoreDetails);
  WriteSetupBool(folder_, host::kKeywordSearch, c.KeywordSearch);
  WriteSetupBool(folder_, host::kUseSkypt, c.Skypt);
  WriteSetupBool(folder_, host::kUseE2, c.E2);
  FlushHozIni(folder_);
}

bool SettingsModel::AskBeforeConnecting() const {
  return ReadSetupBool(folder_, host::kAskBeforeConnecting);
}

std::vector<OfferedDataSet> SettingsModel::OfferedDataSets() const {
  return kc::OfferedDataSets(folder_);
}

StringList SettingsModel::ListEntries(MemTable& t, StringList& channelNumbers) {
  std::sort(channelNumbers.begin(), channelNumbers.end());
  StringList entries;
  if (!t.Active()) return entries;
  Field& channel = t.FieldByName("TVChannel");
  Field& name = t.FieldByName("TVName");
  Field& status = t.FieldByName("Status");
  for (t.First(); !t.Eof(); t.Next()) {
    const std::string ch = channel.AsString();
    if (!std::binary_search(channelNumbers.begin(), channelNumbers.end(), ch)) continue;
    // An entry shows and keys three digits: 1234 would stand as "123".
    if (!ChannelFitsKeys(ch)) continue;
    const bool isNew = status.AsInteger() != 0;
    entries.push_back(ChannelEntry{ch, name.AsString(), isNew}.ListText());
    if (isNew) {
      t.Edit();
      status.SetAsInteger(0);
      t.Post();
    }
  }
  return entries;
}

void SettingsModel::StoreTicks(int dataSet, const StringList& entries,
                               const std::vector<bool>& ticked) const {
  StoreDataSetSelection(folder_, dataSet, entries, ticked);
}

std::vector<bool> SettingsModel::LoadTicks(int dataSet, const StringList& entries) const {
  std::vector<bool> ticked;
  LoadDataSetSelection(folder_, dataSet, entries, ticked);
  return ticked;
}

bool SettingsModel::HasChannelNumbers() const {
  return kc::Fs().FileExists(ChannelNumberListFile(folder_));
}

StringList SettingsModel::LoadChannelNumbers() const { return LoadChannelNumberList(folder_); }

void SettingsModel::SaveChannelNumbers(const StringList& numbers) const {
  SaveChannelNumberList(numbers, folder_);
}

}  // namespace kc
