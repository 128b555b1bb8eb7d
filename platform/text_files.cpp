#include "platform/text_files.h"

#include "core/error.h"
#include "platform/platform.h"

namespace kc {

StringList LoadStringListFromFile(const std::string& path) {
  std::string data;
  if (!kc::ReadWholeFile(path, data)) throw Error(CannotOpenText(path));
  return SplitLines(data);
}

void SaveStringListToFile(const StringList& list, const std::string& path) {
  if (!kc::WriteWholeFile(path, JoinLinesCrLf(list)))
    throw Error(CannotCreateText(path));
}

}  // namespace kc
