#include "platform/run_command.h"

#include <cstdint>
#include <memory>

#include "platform/message_pump.h"
#include "platform/platform.h"

namespace kc {

bool RunAndWait(const std::string& commandLine, int showState,
                const std::function<bool()>& shouldAbort, unsigned timeoutMs) {
  std::unique_ptr<plat::Process> p =
      plat::Processes().Start(commandLine, showState, plat::ProgramFolder());
  if (!p) return false;
  std::uint64_t start = plat::TickMs();
  while (p->Running()) {
    plat::SleepMs(100);
    ProcessMessages();
    if ((shouldAbort && shouldAbort()) ||
        (timeoutMs != 0 && plat::TickMs() - start >= timeoutMs)) {
      p->Terminate();
      return false;
    }
  }
  return p->ExitCode() == 0;
}

void ShellOpen(const std::string& target, const std::string& params) {
  plat::ShellOpen(target, params);
}

}  // namespace kc
