#include "download/channel_entry.h"

#include <algorithm>

#include "core/text.h"
#include "download/host_files.h"

namespace kc {

namespace {

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool IsDecimalText(const std::string& s) { return AllDigits(s); }

std::string ChannelKeyText(const std::string& channel) {
  if (!AllDigits(channel)) return channel;
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

bool ChannelFitsKeys(const std::string& channel) {
  if (!AllDigits(channel) || channel.size() > 9) return false;
  const int v = StrToIntDef(channel, 0);
  return v >= 1 && v <= kMaxChannelNumber;
}

std::string EntryKey(const std::string& entryText) { return entryText.substr(0, 3); }

std::string EntryTickKey(const std::string& entryText) {
  return host::kTickKeyPrefix + EntryKey(entryText);
}

std::string ChannelTickKey(const std::string& channel) {
  return EntryTickKey(ChannelKeyText(channel));
}

std::string ChannelEntry::ListText() const {
  return Format3d(StrToIntDef(Channel, 0)) + (New ? " *" : " ") + Name;
}

std::string BulkInputKey(const std::string& line) {
  std::string key = Trim(line);
  // A channel below 100 typed as the site writes it ("55") means the entry
  // "055".
  if (key.size() < 3 && AllDigits(key)) key = ChannelKeyText(key);
  // Only a whole key can match: the text is compared with an entry's first
  // three characters.
  return key.size() == 3 ? key : std::string();
}

std::vector<int> BulkInputMatches(const StringList& lines, const StringList& entries) {
  std::vector<int> out;
  for (const std::string& line : lines) {
    const std::string key = BulkInputKey(line);
    if (key.empty()) continue;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].compare(0, 3, key) == 0) {
        out.push_back(static_cast<int>(i));
        break;
      }
    }
  }
  return out;
}

}  // namespace kc
