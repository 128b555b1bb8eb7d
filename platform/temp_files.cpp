#include "platform/temp_files.h"

#include <cstdint>

#include "core/datetime.h"
#include "core/error.h"
#include "core/text.h"
#include "platform/platform.h"

namespace kc {

std::string TempFolder() {
  std::string t;
  // A folder the program's text cannot name (and that has no short name it
  // can) is not replaced by another: the clean-up would delete work files
  // there.
  if (!kc::GetEnvFolder("temp", t))
    throw Error("一時フォルダ " + t + " の名前をこのプログラムの文字で表せません");
  t = Trim(t);
  // Without the variable the folder would be the root of the drive, where the
  // clean-up would delete files; the system's temp folder is meant instead.
  if (t.empty()) t = Trim(kc::SystemTempFolder());
  return kc::IncludeTrailingBackslash(t);
}

std::string UniqueTempFileName() {
  std::string name;
  do {
    TDateTime t = TimeOf(kc::Now());
    name = TempFolder() + "_v" + FormatDateTime("hhnnssz", t, FormatSettings()) + ".tmp";
    // Wait for the clock to move on, so that the next name differs. A clock
    // that stands still (a test's) is not waited on for ever.
    std::uint64_t start = kc::TickMs();
    while (TimeOf(kc::Now()) == t && kc::TickMs() - start < 200) {
    }
  } while (kc::Fs().FileExists(name));
  return name;
}

}  // namespace kc
