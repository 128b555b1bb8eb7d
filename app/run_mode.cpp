#include "app/run_mode.h"

#include "core/text.h"

namespace kc {

RunMode ChooseRunMode(const std::vector<std::string>& argsAfterProgram) {
  if (argsAfterProgram.empty()) return RunMode::Download;
  return LowerAscii(argsAfterProgram.front()) == "/c" ? RunMode::Settings : RunMode::Download;
}

}  // namespace kc
