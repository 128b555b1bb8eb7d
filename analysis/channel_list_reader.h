// The readers of the site's channel list pages: the SKY PerfecTV! page's
// station script and the e2 page's selection form, read into the channel
// numbers the page lists, the page keys that chart page addresses need
// (entries channel=key) and the channels with their names. They touch no
// table: the download merges what they read into the channel table.
//
// Two windows read a list and their readers differ in a few points
// (ChannelListVariant). Both readers are linear in the page, yield through
// the sink and test its stop flag throughout.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/stringlist.h"

namespace kc {

enum class ChannelListVariant { DownloadWindow, SettingsWindow };

constexpr std::size_t kMaxListEntries = 5000;
constexpr std::size_t kLeftOutNamed = 20;

// One channel a page listed: its last name, and how many entries gave it.
struct ListedChannel {
  int Number = 0;
  std::string Name;
  std::size_t Entries = 0;
};

// What one reader fills. Keys is null for the settings window.
struct ListPageSink {
  ListPageSink(StringList& numbers, StringList* keys, std::function<bool()> stop,
               std::function<void(bool processMessages)> tokenizerYield, int maxChannel)
      : Numbers(numbers),
        Keys(keys),
        Stop(std::move(stop)),
        TokenizerYield(std::move(tokenizerYield)),
        MaxChannel(maxChannel) {}

  StringList& Numbers;
  StringList* Keys = nullptr;
  std::function<bool()> Stop;  // may be empty
  // The page tokenizer's yield (may be empty).
  std::function<void(bool processMessages)> TokenizerYield;
  // Channel numbers above this are left out: the first kLeftOutNamed
  // distinct ones named in LeftOut, and how many entries more in
  // LeftOutMore.
  int MaxChannel;
  StringList LeftOut{};
  std::size_t LeftOutMore = 0;
  // Distinct entries (channel and page key) one page may bring (a real
  // list has a few hundred); the reader ends at the limit and sets Capped.
  std::size_t MaxEntries = kMaxListEntries;
  bool Capped = false;
  // Each channel the page listed once, in the order of its first entry.
  std::vector<ListedChannel> Channels{};
};

// "1234 5678" or "1234 5678 ほか3件"; empty when nothing was left out.
std::string LeftOutText(const ListPageSink& sink);

// Skypt page, gathering: the text from the start of the last line holding
// "SptvSpecialitySelect.stations = {" to the end of the file, lines
// converted from UTF-8 with every "?" turned into "ー", line breaks dropped.
// False when the file cannot be opened.
bool GatherSkyptScript(const std::string& path, const std::function<bool()>& stop,
                       std::string& out);
// Skypt page, scanning the gathered text (Shift-JIS) into the sink.
void ReadSkyptScript(std::string text, ChannelListVariant variant, ListPageSink& sink);
// e2 page: tokenizer walk over the selection form "sptv-speciality-select-
// header" / select "id". Option values are read only for the download window.
void ReadE2ListPage(const std::string& path, ChannelListVariant variant, ListPageSink& sink);

}  // namespace kc
