// Any conversion file (an imported ".chg" or the plug-in's ini) through the
// conversion window's load: a row per ticked entry with the entry's own
// number, a new number for every channel, and what a save then writes
// loads back as it was saved. The input is one list entry (its first line)
// and the file; its first byte picks the ticked entries.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/text.h"
#include "download/channel_entry.h"
#include "download/conversion_file.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using kc::fuzz::Check;
  if (size == 0) return 0;
  const unsigned tickBits = data[0];
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t lf = rest.find('\n');
  kc::StringList entries = {"055 a", "161 b", "585 c", "300 d", "005 e", "999 f"};
  entries.push_back(lf == std::string::npos ? rest : rest.substr(0, lf));
  const std::string content = lf == std::string::npos ? std::string() : rest.substr(lf + 1);
  kc::fuzz::WriteFile("x.chg", content);
  const std::string file = kc::fuzz::ProductPath("x.chg");

  std::vector<bool> ticked;
  for (std::size_t i = 0; i < entries.size(); ++i) ticked.push_back(((tickBits >> i) & 1) != 0);
  const bool all = (tickBits & 0x80) != 0;
  const std::vector<kc::ChannelConversionRow> rows =
      kc::LoadConversions(file, entries, ticked, all);
  std::size_t want = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) want += all || ticked[i];
  Check(rows.size() == want, "one row per ticked entry");
  std::vector<std::pair<int, int>> pairs;
  for (const kc::ChannelConversionRow& r : rows) {
    Check(r.OldCh == kc::StrToIntDef(kc::EntryKey(r.Entry), 0), "old number is the entry's");
    Check(r.NewCh != 0 || r.OldCh == 0, "a channel without a number");
    if (r.OldCh >= 1 && r.OldCh <= 999 && kc::EntryKey(r.Entry) == kc::ChannelKeyText(r.OldCh))
      pairs.emplace_back(r.OldCh, r.NewCh);
  }

  kc::SaveConversions(file, pairs);
  const std::vector<kc::ChannelConversionRow> again =
      kc::LoadConversions(file, entries, ticked, all);
  Check(again.size() == rows.size(), "rows after the save");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const kc::ChannelConversionRow& r = rows[i];
    if (r.OldCh >= 1 && r.OldCh <= 999 && kc::EntryKey(r.Entry) == kc::ChannelKeyText(r.OldCh))
      Check(again[i].NewCh == r.NewCh, "a saved pair does not load back");
  }
  return 0;
}
