// kanalia-tool table: what a table of the program makes of a table file,
// written back exactly as a save would write it. Comparing the output with
// the file shows what a load and save by the plug-in would change (cut
// names, dropped columns, values read as null). The file is never written.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "storage/memtable.h"
#include "storage/tables.h"
#include "tools/tool.h"

KC_TOOL_COMMAND(CmdTable, "table", "table channels|programmes FILE [--utf8]") {
  std::vector<std::string> positional;
  bool utf8 = false;
  for (const std::string& a : args) {
    if (a == "--utf8")
      utf8 = true;
    else if (a.size() > 2 && a.compare(0, 2, "--") == 0)
      throw tool::UsageError();
    else
      positional.push_back(a);
  }
  if (positional.size() != 2) throw tool::UsageError();
  const std::string& kind = positional[0];
  // Names come from the terminal as UTF-8; the program's paths are Shift-JIS.
  const std::string path = kc::Utf8ToCp932(positional[1]);

  kc::MemTable table;
  if (kind == "channels")
    kc::DefineTableSkypch(table, path);
  else if (kind == "programmes")
    kc::DefineTableMas(table, path);
  else
    throw tool::UsageError();

  try {
    if (!kc::Fs().FileExists(path)) {
      table.PersistentFile.clear();
      table.LoadFromFile(path);  // fails with the reader's own message
    }
    table.Open();
    if (utf8) {
      tool::Put(kc::Cp932ToUtf8(table.SaveToString(table.PersistentSaveOptions)));
    } else {
      // Straight out in pieces: the text of a large table is never held whole.
      table.SaveToStream(table.PersistentSaveOptions, [](std::string_view piece) { tool::Put(piece); });
    }
    // Read-only: the table is released without its save.
    table.Persistent = false;
    table.Close();
  } catch (const std::exception& e) {
    table.Persistent = false;
    std::cerr << kc::Cp932ToUtf8(e.what()) << "\n";
    return 1;
  }
  return 0;
}
