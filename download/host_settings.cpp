#include "download/host_settings.h"

#include <algorithm>
#include <unordered_map>

#include "core/error.h"
#include "core/text.h"
#include "download/channel_entry.h"
#include "download/host_files.h"
#include "download/run_context.h"
#include "platform/message_pump.h"
#include "platform/platform.h"
#include "storage/log_file.h"
#include "storage/memtable.h"

namespace kc {

namespace {

int ReadProfileInt(const std::string& file, const std::string& section,
                   const std::string& key, int def) {
  return StrToIntDef(kc::ReadProfileString(file, section, key, ""), def);
}

bool ReadProfileBool(const std::string& file, const std::string& section,
                     const std::string& key) {
  return kc::ReadProfileString(file, section, key, host::kFalse) == host::kTrue;
}

const char* BoolText(bool on) { return on ? host::kTrue : host::kFalse; }

}  // namespace

std::string ReadSetup(const std::string& pluginFolder, const std::string& key) {
  return kc::ReadProfileString(HozIniPath(pluginFolder), host::kSetupSection, key, "");
}

bool ReadSetupBool(const std::string& pluginFolder, const std::string& key) {
  return ReadSetup(pluginFolder, key) == host::kTrue;
}

void WriteSetupBool(const std::string& pluginFolder, const std::string& key, bool on) {
  kc::WriteProfileString(HozIniPath(pluginFolder), host::kSetupSection, key, BoolText(on));
}

void FlushHozIni(const std::string& pluginFolder) { kc::FlushProfile(HozIniPath(pluginFolder)); }

int ReadDaysAhead(const std::string& pluginFolder) {
  int days = StrToIntDef(ReadSetup(pluginFolder, host::kDaysAhead), 0);
  return days == 0 ? 100 : days;
}

int GetDataSetCount(const std::string& pluginFolder) {
  const int count =
      ReadProfileInt(HozIniPath(pluginFolder), host::kDataListSection, host::kDataListCount, 0);
  return std::clamp(count, 0, kMaxDataSets);
}

bool DataSetTakesListings(const std::string& pluginFolder, int n) {
  const std::string ini = HozIniPath(pluginFolder);
  const std::string section = DataSetSection(n);
  int count = ReadProfileInt(ini, section, host::kDataSetCount, 0);
  // The last area; computed wide, so that the lowest count has one too.
  return ReadProfileBool(ini, section, host::kAreaPrefix + IntToStr(static_cast<long long>(count) - 1));
}

void GetDataSetChannels(const std::string& pluginFolder, int n,
                        MemTable& tableSkypch, StringList& list) {
  list.clear();
  if (!DataSetTakesListings(pluginFolder, n)) return;
  const std::string ini = ChannelIniPath(pluginFolder);
  const std::string section = DataSetSection(n);
  if (!tableSkypch.Active()) tableSkypch.Open();
  // The section once, not the file once per row: keys without regard to
  // ASCII case, each with the value a look-up of it gives.
  std::unordered_map<std::string, bool> ticks;
  for (const auto& [key, value] : kc::ReadProfileSection(ini, section))
    ticks.emplace(LowerAscii(key), value == host::kTrue);
  for (tableSkypch.First(); !tableSkypch.Eof(); tableSkypch.Next()) {
    std::string channel = tableSkypch.FieldByName("TVChannel").AsString();
    // A row the settings files cannot key is nobody's tick: "tvch 123" is
    // channel 123's, not 1234's.
    if (!ChannelFitsKeys(channel)) continue;
    auto tick = ticks.find(LowerAscii(ChannelTickKey(channel)));
    if (tick != ticks.end() && tick->second) list.push_back(channel);
  }
}

void GetDataSetChannels(RunContext& ctx, int n) {
  GetDataSetChannels(ctx.State.PluginFolder, n, ctx.TableSkypch,
                     ctx.State.DataSetChannels);
}

StringList ReadChannelConversions(
    const std::string& pluginFolder,
    const std::function<void(const std::string& key)>& onError,
    const std::function<bool()>& goOn) {
  const std::string ini = ChannelIniPath(pluginFolder);
  StringList out;
  // One read of the file for the whole section: a look-up per key would read
  // and parse it again for every key.
  for (const auto& [key, value] : kc::ReadProfileSection(ini, host::kChannelChangeSection)) {
    if (goOn && !goOn()) break;
    try {
      out.push_back(key + "=" + value);
    } catch (const std::exception&) {
      if (onError) onError(key);
    }
  }
  return out;
}

void LoadChannelConversions(RunContext& ctx) {
  ctx.State.PhaseName = "LoadChChangeList";
  ctx.State.ChannelConversionList.clear();
  unsigned long long entries = 0;
  ctx.State.ChannelConversionList = ReadChannelConversions(
      ctx.State.PluginFolder,
      [&](const std::string& key) { ctx.Log.WriteLine("チャンネル変換エラー:" + key + "ch", true); },
      [&] {
        if (++entries % 256 == 0) YieldToMessages();
        return !ctx.State.StopRequested;
      });
}

std::vector<OfferedDataSet> OfferedDataSets(const std::string& pluginFolder) {
  const std::string ini = HozIniPath(pluginFolder);
  std::vector<OfferedDataSet> out;
  int count = GetDataSetCount(pluginFolder);
  for (int n = 0; n < count; ++n) {
    // A long list of datasets keeps the window responsive; the few of a
    // real host add no yield.
    if (n % 64 == 63) YieldToMessages();
    if (!ReadProfileBool(ini, DataSetSection(n), host::kSettingsArea)) continue;
    OfferedDataSet d;
    d.Number = n;
    d.Name = kc::ReadProfileString(ini, host::kDataListSection,
                                     host::kDataListItemPrefix + IntToStr(n), "");
    out.push_back(d);
  }
  return out;
}

void StoreDataSetSelection(const std::string& pluginFolder, int n,
                           const StringList& entries,
                           const std::vector<bool>& ticked) {
  if (n < 0 || entries.empty()) return;
  const std::string ini = ChannelIniPath(pluginFolder);
  const std::string section = DataSetSection(n);
  kc::WriteProfileString(ini, host::kSetupSection, host::kDataSetNo, IntToStr(n));
  kc::WriteProfileString(ini, section, host::kDataSetCount,
                           IntToStr(static_cast<long long>(entries.size())));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    bool on = i < ticked.size() && ticked[i];
    kc::WriteProfileString(ini, section, EntryTickKey(entries[i]), BoolText(on));
  }
  kc::FlushProfile(ini);
}

void LoadDataSetSelection(const std::string& pluginFolder, int n,
                          const StringList& entries, std::vector<bool>& ticked) {
  ticked.assign(entries.size(), false);
  if (n < 0) return;
  const std::string ini = ChannelIniPath(pluginFolder);
  const std::string section = DataSetSection(n);
  int count = ReadProfileInt(ini, section, host::kDataSetCount, 0);
  std::size_t limit = count < 0 ? 0 : std::min(entries.size(), static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < limit; ++i)
    ticked[i] = ReadProfileBool(ini, section, EntryTickKey(entries[i]));
}

}  // namespace kc
