#include "platform/single_instance.h"

#include <cstdint>
#include <random>

#include "platform/platform.h"

namespace kc {

bool CheckSingleInstance(const std::string& mutexName) {
  // A random pause first, so that two copies started together by the host
  // rarely reach the test in the same instant.
  std::mt19937 rng(static_cast<unsigned>(kc::TickMs() ^ static_cast<std::uint64_t>(
                                                               kc::Now() * 86400000.0)));
  kc::SleepMs(std::uniform_int_distribution<unsigned>(0, 999)(rng));
  if (kc::NamedGuardExists(mutexName)) return false;
  return kc::TryCreateNamedGuard(mutexName);
}

void ReleaseSingleInstance() { kc::ReleaseNamedGuard(); }

}  // namespace kc
