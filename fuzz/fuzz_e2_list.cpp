// Any e2 list page through the reader as both windows run it: every channel
// entered is a positive number listed once that the table then holds; the
// download window keeps a page key for every entry it read, each naming a
// listed channel.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>

#include "core/text.h"
#include "download/channel_list.h"
#include "fuzz/fuzz_support.h"
#include "storage/memtable.h"
#include "storage/tables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kc::fuzz::Check;
  kc::fuzz::WriteFile("tvchannel.html", std::string(reinterpret_cast<const char*>(data), size));
  for (kc::ChannelListVariant v :
       {kc::ChannelListVariant::DownloadWindow, kc::ChannelListVariant::SettingsWindow}) {
    kc::MemTable table("TableSkypch");
    kc::DefineTableSkypch(table, "");
    table.Persistent = false;
    table.Open();
    kc::StringList numbers, keys;
    kc::ChannelListSink sink{table, numbers,
                             v == kc::ChannelListVariant::DownloadWindow ? &keys : nullptr,
                             nullptr, nullptr};
    kc::ReadE2Page(kc::fuzz::ProductPath("tvchannel.html"), v, sink);
    std::set<std::string> listed;
    for (const std::string& n : numbers) {
      int value = 0;
      Check(kc::TryStrToInt(n, value) && value >= 1, "channel number");
      if (!table.Locate("TVChannel", n)) {
        std::fprintf(stderr, "channel %s not in the table\n", n.c_str());
        Check(false, "channel not in the table");
      }
      Check(listed.insert(n).second, "channel listed twice");
    }
    if (v == kc::ChannelListVariant::DownloadWindow)
      Check(keys.size() >= numbers.size(), "a listed channel without its page key");
    for (const std::string& k : keys)
      Check(listed.count(k.substr(0, k.find('='))) == 1, "page key of an unlisted channel");
  }
  return 0;
}
