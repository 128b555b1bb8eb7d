#include "download/conversion_file.h"

#include "core/text.h"
#include "download/channel_entry.h"
#include "download/host_files.h"
#include "platform/platform.h"

namespace kc {

std::vector<ChannelConversionRow> LoadConversions(const std::string& file,
                                                  const StringList& entries,
                                                  const std::vector<bool>& ticked,
                                                  bool allEntries) {
  std::vector<ChannelConversionRow> rows;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!allEntries && !(i < ticked.size() && ticked[i])) continue;
    const std::string key = EntryKey(entries[i]);
    const int old = StrToIntDef(key, 0);
    std::string value = kc::ReadProfileString(file, host::kChannelChangeSection, key, "");
    // Pairs of channels below 100 stored by earlier versions under the
    // unpadded number are still found.
    if (value.empty() && old > 0 && IntToStr(old) != key)
      value = kc::ReadProfileString(file, host::kChannelChangeSection, IntToStr(old), "");
    const int mapped = StrToIntDef(value, 0);
    rows.push_back({old, mapped != 0 ? mapped : old, entries[i]});
  }
  return rows;
}

void SaveConversions(const std::string& file,
                     const std::vector<std::pair<int, int>>& oldToNew) {
  for (const auto& [oldCh, newCh] : oldToNew) {
    // The key in the padded form the list entries and the download run use,
    // so that a pair of a channel below 100 comes back.
    kc::WriteProfileString(file, host::kChannelChangeSection, ChannelKeyText(oldCh),
                             IntToStr(newCh));
  }
  kc::FlushProfile(file);
}

}  // namespace kc
