#include "platform/text_files.h"

#include "core/error.h"
#include "platform/platform.h"

namespace kc {

StringList LoadStringListFromFile(const std::string& path) {
  std::string data;
  if (!plat::ReadWholeFile(path, data)) throw Error("ファイル " + path + " は開けません");
  return SplitLines(data);
}

void SaveStringListToFile(const StringList& list, const std::string& path) {
  if (!plat::WriteWholeFile(path, JoinLinesCrLf(list)))
    throw Error("ファイル " + path + " を作成できません");
}

}  // namespace kc
