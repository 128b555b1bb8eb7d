// Keeping the window responsive while long work runs on the one GUI thread:
// the message pump the UI backend installs, the yield that the run's loops
// call, and the waits that handle messages while they wait.
#pragma once

#include <functional>

namespace kc {

// The UI backend's application object installs its message pump (the Win32
// PeekMessage loop, or the headless event queue) with a ScopedMessagePump
// for as long as it lives. Without one, YieldToMessages only gives up the
// time slice.

// Handle all pending window messages (no sleep).
void ProcessMessages();
// Sleep 0 ms, then handle all pending window messages.
void YieldToMessages();

void WaitMinutes(double minutes);  // until the clock has advanced that much
void WaitSeconds(double seconds);  // seconds*100 steps of 10 ms

// Installs a pump for its lifetime and puts the one before it back, also
// when an exception passes (tests count pumps or act at one with it).
class ScopedMessagePump {
 public:
  explicit ScopedMessagePump(std::function<void()> pump);
  ~ScopedMessagePump();
  ScopedMessagePump(const ScopedMessagePump&) = delete;
  ScopedMessagePump& operator=(const ScopedMessagePump&) = delete;

 private:
  std::function<void()> previous_;
};

// Replaces the minute wait for its lifetime (tests, so that retries do not
// take minutes); the wait before it comes back afterwards.
class ScopedMinuteWait {
 public:
  explicit ScopedMinuteWait(std::function<void(double minutes)> wait);
  ~ScopedMinuteWait();
  ScopedMinuteWait(const ScopedMinuteWait&) = delete;
  ScopedMinuteWait& operator=(const ScopedMinuteWait&) = delete;

 private:
  std::function<void(double)> previous_;
};

}  // namespace kc
