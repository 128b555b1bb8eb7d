#include "platform/message_pump.h"

#include <utility>

#include "core/datetime.h"
#include "platform/platform.h"

namespace kc {

namespace {

std::function<void()>& Pump() {
  static std::function<void()> pump;
  return pump;
}

std::function<void(double)>& MinuteWait() {
  static std::function<void(double)> wait;
  return wait;
}

}  // namespace

void ProcessMessages() {
  if (Pump()) Pump()();
}

void YieldToMessages() {
  kc::SleepMs(0);
  ProcessMessages();
}

void WaitMinutes(double minutes) {
  if (MinuteWait()) {
    MinuteWait()(minutes);
    return;
  }
  TDateTime target = kc::Now() + minutes / kMinutesPerDay;
  while (kc::Now() < target) {
    kc::SleepMs(100);
    ProcessMessages();
  }
}

void WaitSeconds(double seconds) {
  long long n = static_cast<long long>(seconds * 100);
  for (long long i = 0; i < n; ++i) {
    kc::SleepMs(10);
    ProcessMessages();
  }
}

ScopedMessagePump::ScopedMessagePump(std::function<void()> pump) : previous_(Pump()) {
  Pump() = std::move(pump);
}
ScopedMessagePump::~ScopedMessagePump() { Pump() = std::move(previous_); }

ScopedMinuteWait::ScopedMinuteWait(std::function<void(double)> wait) : previous_(MinuteWait()) {
  MinuteWait() = std::move(wait);
}
ScopedMinuteWait::~ScopedMinuteWait() { MinuteWait() = std::move(previous_); }

}  // namespace kc
