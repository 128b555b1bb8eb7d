// Fuzz target for the channel list scan of the SKY PerfecTV! list page: any
// gathered text must be scanned to its end by both windows' rules (every
// step consumes text), and every channel entered must be a positive number
// that the table holds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/text.h"
#include "storage/memtable.h"
#include "storage/tables.h"
#include "download/channel_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Seed the input with the marker and entry shapes so that random bytes
  // land in the interesting parts of the scanner more often.
  static const std::string kPieces[] = {
      "\"すべてのチャンネル\", \"children\": {", "\"name\": \"", " - ", "\"}", ", ", "\"",
      "123456", "585", "CS 585"};
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    uint8_t b = data[i];
    if (b >= 0xF7)
      text += kPieces[b - 0xF7];
    else
      text += static_cast<char>(b);
  }
  for (kc::ChannelListVariant v :
       {kc::ChannelListVariant::DownloadWindow, kc::ChannelListVariant::SettingsWindow}) {
    kc::MemTable table("TableSkypch");
    kc::DefineTableSkypch(table, "");
    table.Persistent = false;
    table.Open();
    kc::StringList numbers, keys;
    kc::ChannelListSink sink{table, numbers, &keys, nullptr, nullptr};
    kc::ScanSkyptEntries(text, v, sink);
    for (const std::string& n : numbers) {
      int value = 0;
      if (!kc::TryStrToInt(n, value) || value < 1 || !table.Locate("TVChannel", n)) {
        std::fprintf(stderr, "bad channel number entered: %s\n", n.c_str());
        std::abort();
      }
    }
    if (v == kc::ChannelListVariant::DownloadWindow && keys.size() != numbers.size()) std::abort();
    if (v == kc::ChannelListVariant::SettingsWindow && !keys.empty()) std::abort();
  }
  return 0;
}
