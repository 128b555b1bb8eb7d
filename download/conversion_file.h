// The channel number conversions as the conversion window loads and saves
// them: [ChannelChange] of ..\tvskypch.ini or of a ".chg" file, one key per
// channel of the settings window's list (its key text, "585=701"). The
// download run reads the same section (host_settings.h).
#pragma once

#include <string>
#include <vector>

#include "core/stringlist.h"

namespace kc {

struct ChannelConversionRow {
  int OldCh = 0;      // the site's number, from the entry's key text
  int NewCh = 0;      // the number to use instead
  std::string Entry;  // the whole list entry
};

// One row per entry (only the ticked ones unless allEntries): the new number
// stored under the entry's key (or, as earlier versions stored channels below
// 100, under the unpadded number); the old number itself when the file has
// none or no number.
std::vector<ChannelConversionRow> LoadConversions(const std::string& file,
                                                  const StringList& entries,
                                                  const std::vector<bool>& ticked,
                                                  bool allEntries);

// Writes every pair (old, new) under the old number's key text, key by key:
// other keys and sections of the file stay. Then flushes the file.
void SaveConversions(const std::string& file,
                     const std::vector<std::pair<int, int>>& oldToNew);

}  // namespace kc
