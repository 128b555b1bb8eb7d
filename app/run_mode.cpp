#include "app/run_mode.h"

#include <algorithm>

#include "core/text.h"
#include "platform/platform.h"

namespace kc {

RunMode ChooseRunMode(const std::vector<std::string>& argsAfterProgram) {
  if (argsAfterProgram.empty()) return RunMode::Download;
  return LowerAscii(argsAfterProgram.front()) == "/c" ? RunMode::Settings : RunMode::Download;
}

int TestHoldMs() {
  int ms = StrToIntDef(Trim(plat::GetEnv("KANALIA_TEST_HOLD_MS")), 0);
  return std::max(0, ms);
}

}  // namespace kc
