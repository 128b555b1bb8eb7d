// A channel as the settings, conversion and bulk input windows list it and
// as the download run looks it up in the settings files. The channel table
// and the number list keep the number without leading zeros ("55"); the
// list entries, the ini keys ("tvch 055", [ChannelChange] "055") and the
// page and programme file names use its key text, zero-padded to at least
// three digits, so that a channel below 100 ticked in the settings window is
// the one the download run fetches.
#pragma once

#include <string>
#include <vector>

#include "core/stringlist.h"

namespace kc {

// The key text of a channel number: at least three digits, zero-padded
// ("55" -> "055", "161" -> "161", "1234" -> "1234"; "055" -> "055"). Text
// that is not a plain decimal number is returned unchanged.
std::string ChannelKeyText(const std::string& channel);
// Digits only and not empty: the only channel text that may become part of
// a file name.
bool IsDecimalText(const std::string& s);
std::string ChannelKeyText(int channel);

// The settings files know a channel by three characters: the first three
// of its list entry, which are those of its key text. The tick key is
// "tvch " + those ("tvch 055", "tvch 161"; a four-digit number loses its
// last digit, "tvch 123" for 1234, as the settings window has always
// written it).
std::string EntryKey(const std::string& entryText);
// So only channels 1 to 999 can be listed, ticked and fetched: a longer
// number would share the key of another channel and its page and programme
// files would be read as that channel's.
constexpr int kMaxChannelNumber = 999;
// Digits only, value 1 to kMaxChannelNumber ("55", "161"; not "1234",
// "0", "" or any other text).
bool ChannelFitsKeys(const std::string& channel);
std::string EntryTickKey(const std::string& entryText);
std::string ChannelTickKey(const std::string& channel);

// One channel of the settings window's list.
struct ChannelEntry {
  std::string Channel;  // TVChannel of the channel table
  std::string Name;     // TVName
  bool New = false;     // Status not 0: new since last shown

  // "%3.3d " + name, or "%3.3d *" + name for a new channel: "585 Example",
  // "602 *新局".
  std::string ListText() const;
};

// The key text a bulk input line stands for: the line trimmed, and a number
// of one or two digits padded ("55" -> "055"); empty when the line cannot
// match an entry (it must hold exactly three characters then).
std::string BulkInputKey(const std::string& line);
// The entries the bulk input ticks: for every line, in order, the index of
// the first entry that begins with the line's key (lines that match none
// give nothing).
std::vector<int> BulkInputMatches(const StringList& lines, const StringList& entries);

}  // namespace kc
