#include "platform/run_command.h"

#include <cstdint>
#include <memory>

#include "platform/message_pump.h"
#include "platform/platform.h"

namespace kc {

bool RunAndWait(const std::string& commandLine, int showState,
                const std::function<bool()>& shouldAbort, unsigned timeoutMs) {
  std::unique_ptr<kc::Process> p =
      kc::Processes().Start(commandLine, showState, kc::ProgramFolder());
  if (!p) return false;
  std::uint64_t start = kc::TickMs();
  while (p->Running()) {
    kc::SleepMs(100);
    ProcessMessages();
    if ((shouldAbort && shouldAbort()) ||
        (timeoutMs != 0 && kc::TickMs() - start >= timeoutMs)) {
      p->Terminate();
      return false;
    }
  }
  return p->ExitCode() == 0;
}

}  // namespace kc
