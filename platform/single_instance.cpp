#include "platform/single_instance.h"

#include <cstdint>
#include <random>

#include "platform/platform.h"

namespace kc {

bool CheckSingleInstance(const std::string& mutexName) {
  // A random pause first, so that two copies started together by the host
  // rarely reach the test in the same instant.
  std::mt19937 rng(static_cast<unsigned>(plat::TickMs() ^ static_cast<std::uint64_t>(
                                                               plat::Now() * 86400000.0)));
  plat::SleepMs(std::uniform_int_distribution<unsigned>(0, 999)(rng));
  if (plat::NamedGuardExists(mutexName)) return false;
  return plat::TryCreateNamedGuard(mutexName);
}

void ReleaseSingleInstance() { plat::ReleaseNamedGuard(); }

}  // namespace kc
