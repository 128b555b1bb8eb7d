// Any SKY PerfecTV! list page through the reader as both windows run it
// (gathering from the file, then the scan): every channel entered is a
// positive number that the table then holds, the download window keeps one
// page key per number, and the settings window keeps none.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/text.h"
#include "download/channel_list.h"
#include "fuzz/fuzz_support.h"
#include "storage/memtable.h"
#include "storage/tables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kc::fuzz::Check;
  kc::fuzz::WriteFile("tvchannel.html", std::string(reinterpret_cast<const char*>(data), size));
  std::string text;
  Check(kc::GatherSkyptScript(kc::fuzz::ProductPath("tvchannel.html"), nullptr, text),
        "the page file cannot be read");
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
        Check(false, "channel number");
      }
    }
    if (v == kc::ChannelListVariant::DownloadWindow)
      Check(keys.size() == numbers.size(), "one page key per channel");
    else
      Check(keys.empty(), "the settings window keeps no page keys");
  }
  return 0;
}
