// Fuzz target for the table CSV reader: any bytes must load or fail with a
// kc::Error, never crash; and what a load gives must save and load again to
// the same bytes (the writer and the reader agree on every value).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <set>
#include <string>

#include "core/error.h"
#include "core/text.h"
#include "storage/memtable.h"
#include "storage/tables.h"

namespace {

const char kChannelHeader[] = "\"TVChannel\",\"TVName\",\"Status\",\r\n";
const char kProgrammeHeader[] =
    "\"開始時間\",\"チャンネル\",\"終了時間\",\"番組名\",\"内容\",\"カテゴリー\",\"URL\","
    "\"GCODE\",\"Flag\",\"予備\",\r\n";
const char kDefinitions[] =
    "\"@@FILE VERSION@@\",\"251\",\r\n"
    "\"@@TABLEDEF START@@\",\r\n"
    "S=String,8,Text\r\n"
    "B=Boolean,0\r\n"
    "T=Time,0,,,,Data\r\n"
    "D=Date,0\r\n"
    "W=DateTime,0,,,,Calculated\r\n"
    "\"@@TABLEDEF END@@\",\r\n"
    "\"Text\",\"B\",\"T\",\"D\",\"W\",\r\n";

// A header reads back only when its names do: none empty, none twice, and
// none a section marker (a definition block may name a field
// "@@TABLEDEF START@@"; its header line then reads as that marker).
bool NamesMapBack(kc::MemTable& t) {
  std::set<std::string> names;
  for (int i = 0; i < t.FieldCount(); ++i) {
    std::string n = kc::UpperAscii(t.Fields(i).DisplayName());
    if (n.empty() || !names.insert(n).second) return false;
    if (n.size() > 4 && n.compare(0, 2, "@@") == 0 && n.compare(n.size() - 2, 2, "@@") == 0)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string input;
  kc::MemTable t;
  switch (data[0] % 4) {
    case 0: kc::DefineTableTV(t, ""); input = body; break;
    case 1: kc::DefineTableSkypch(t, ""); input = kChannelHeader + body; break;
    case 2: kc::DefineTableMas(t, ""); input = kProgrammeHeader + body; break;
    default: kc::DefineTableSkypch(t, ""); input = kDefinitions + body; break;
  }
  t.Persistent = false;
  t.Open();
  try {
    t.LoadFromString(input);
  } catch (const kc::Error&) {
    return 0;
  }
  for (t.First(); !t.Eof(); t.Next())
    for (int i = 0; i < t.FieldCount(); ++i) (void)t.Fields(i).AsString();
  if (!NamesMapBack(t)) return 0;

  const std::string first = t.SaveToString(t.PersistentSaveOptions);
  kc::MemTable again;
  for (int i = 0; i < t.FieldCount(); ++i) again.AddField(t.Fields(i).Def());
  again.Open();
  again.LoadFromString(first);  // what the writer wrote must read back
  const std::string second = again.SaveToString(t.PersistentSaveOptions);
  if (first != second) {
    std::fprintf(stderr, "save/load/save differs\n--- first\n%s\n--- second\n%s\n", first.c_str(),
                 second.c_str());
    std::abort();
  }
  return 0;
}
