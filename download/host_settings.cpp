#include "download/host_settings.h"

#include <algorithm>

#include "core/error.h"
#include "core/text.h"
#include "download/run_context.h"
#include "platform/platform.h"
#include "storage/log_file.h"
#include "storage/memtable.h"

namespace kc {

namespace {

const char kTSetup[] = "TSetup";
const char kDataListItems[] = "TSetup.DataList_Items";
const char kChannelChange[] = "ChannelChange";

int ReadProfileInt(const std::string& file, const std::string& section,
                   const std::string& key, int def) {
  return StrToIntDef(plat::ReadProfileString(file, section, key, ""), def);
}

bool IsDecimal(const std::string& s) {
  if (s.empty()) return false;
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string HozIniPath(const std::string& pluginFolder) {
  return pluginFolder + "..\\hoz.ini";
}

std::string ChannelIniPath(const std::string& pluginFolder) {
  return pluginFolder + "..\\tvskypch.ini";
}

std::string DataSetSection(int n) { return "DataSet " + IntToStr(n); }

std::string ChannelKeyText(const std::string& channel) {
  if (!IsDecimal(channel)) return channel;
  // Strip leading zeros first so that "055" and "55" give the same key.
  std::size_t i = channel.find_first_not_of('0');
  std::string digits = i == std::string::npos ? "0" : channel.substr(i);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return digits;
}

std::string ChannelKeyText(int channel) {
  if (channel < 0) return IntToStr(channel);
  return ChannelKeyText(IntToStr(channel));
}

std::string ChannelTickKey(const std::string& channel) {
  return "tvch " + ChannelKeyText(channel);
}

std::string ReadSetup(const std::string& pluginFolder, const std::string& key) {
  return plat::ReadProfileString(HozIniPath(pluginFolder), kTSetup, key, "");
}

bool ReadSetupBool(const std::string& pluginFolder, const std::string& key) {
  return ReadSetup(pluginFolder, key) == "True";
}

int ReadDaysAhead(const std::string& pluginFolder) {
  int days = StrToIntDef(ReadSetup(pluginFolder, "NoDLLAfterDays_Text"), 0);
  return days == 0 ? 100 : days;
}

int GetDataSetCount(const std::string& pluginFolder) {
  return ReadProfileInt(HozIniPath(pluginFolder), kDataListItems, "Count", 0);
}

bool DataSetTakesListings(const std::string& pluginFolder, int n) {
  const std::string ini = HozIniPath(pluginFolder);
  const std::string section = DataSetSection(n);
  int count = ReadProfileInt(ini, section, "count", 0);
  return plat::ReadProfileString(ini, section, "Area " + IntToStr(count - 1),
                                 "False") == "True";
}

void GetDataSetChannels(const std::string& pluginFolder, int n,
                        MemTable& tableSkypch, StringList& list) {
  list.clear();
  if (!DataSetTakesListings(pluginFolder, n)) return;
  const std::string ini = ChannelIniPath(pluginFolder);
  const std::string section = DataSetSection(n);
  if (!tableSkypch.Active()) tableSkypch.Open();
  for (tableSkypch.First(); !tableSkypch.Eof(); tableSkypch.Next()) {
    std::string channel = tableSkypch.FieldByName("TVChannel").AsString();
    if (plat::ReadProfileString(ini, section, ChannelTickKey(channel), "False") ==
        "True")
      list.push_back(channel);
  }
}

void GetDataSetChannels(RunContext& ctx, int n) {
  GetDataSetChannels(ctx.State.PluginFolder, n, ctx.TableSkypch,
                     ctx.State.DataSetChannels);
}

StringList ReadChannelConversions(
    const std::string& pluginFolder,
    const std::function<void(const std::string& key)>& onError) {
  const std::string ini = ChannelIniPath(pluginFolder);
  StringList out;
  StringList keys = plat::ReadProfileKeys(ini, kChannelChange);
  for (const std::string& key : keys) {
    try {
      out.push_back(key + "=" + plat::ReadProfileString(ini, kChannelChange, key, key));
    } catch (const std::exception&) {
      if (onError) onError(key);
    }
  }
  return out;
}

void LoadChChangeList(RunContext& ctx) {
  ctx.State.PhaseName = "LoadChChangeList";
  ctx.State.ChannelConversionList.clear();
  ctx.State.ChannelConversionList =
      ReadChannelConversions(ctx.State.PluginFolder, [&](const std::string& key) {
        ctx.Log.WriteLine("チャンネル変換エラー:" + key + "ch", true);
      });
}

std::vector<OfferedDataSet> OfferedDataSets(const std::string& pluginFolder) {
  const std::string ini = HozIniPath(pluginFolder);
  std::vector<OfferedDataSet> out;
  int count = GetDataSetCount(pluginFolder);
  for (int n = 0; n < count; ++n) {
    if (plat::ReadProfileString(ini, DataSetSection(n), "Area 47", "False") != "True")
      continue;
    OfferedDataSet d;
    d.Number = n;
    d.Name = plat::ReadProfileString(ini, kDataListItems, "Item" + IntToStr(n), "");
    out.push_back(d);
  }
  return out;
}

namespace {
// The tick key of a list entry: its first three characters, which hold the
// channel key text.
std::string EntryTickKey(const std::string& entry) { return "tvch " + entry.substr(0, 3); }
}  // namespace

void StoreDataSetSelection(const std::string& pluginFolder, int n,
                           const StringList& entries,
                           const std::vector<bool>& ticked) {
  if (n < 0 || entries.empty()) return;
  const std::string ini = ChannelIniPath(pluginFolder);
  const std::string section = DataSetSection(n);
  plat::WriteProfileString(ini, kTSetup, "DataSetNo", IntToStr(n));
  plat::WriteProfileString(ini, section, "count",
                           IntToStr(static_cast<long long>(entries.size())));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    bool on = i < ticked.size() && ticked[i];
    plat::WriteProfileString(ini, section, EntryTickKey(entries[i]), on ? "True" : "False");
  }
  plat::FlushProfile(ini);
}

void LoadDataSetSelection(const std::string& pluginFolder, int n,
                          const StringList& entries, std::vector<bool>& ticked) {
  ticked.assign(entries.size(), false);
  if (n < 0) return;
  const std::string ini = ChannelIniPath(pluginFolder);
  const std::string section = DataSetSection(n);
  int count = ReadProfileInt(ini, section, "count", 0);
  std::size_t limit = count < 0 ? 0 : std::min(entries.size(), static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < limit; ++i)
    ticked[i] = plat::ReadProfileString(ini, section, EntryTickKey(entries[i]), "False") ==
                "True";
}

}  // namespace kc
