// The small utility unit that the rest of the program leans on: the
// single-instance guard, the date and time text parsers of the chart
// analyser, the temp folder and unique temp names, starting and awaiting an
// outside command, retrying file opens, and the waits that keep the window
// responsive while long work runs on the one GUI thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/datetime.h"
#include "platform/platform.h"

namespace kc {

// The UI backend's application object installs its message pump here (the
// Win32 PeekMessage loop, or the headless event queue). Without one,
// YieldToMessages only gives up the time slice.
void SetMessagePump(std::function<void()> pump);
// Handle all pending window messages (no sleep).
void ProcessMessages();
// Sleep 0 ms, then handle all pending window messages.
void YieldToMessages();

bool CheckSingleInstance(const std::string& mutexName);
void ReleaseSingleInstance();

TDateTime ParseDateText(const std::string& text);  // never fails: 1970-01-01
TDateTime ParseTimeText(const std::string& text);  // never fails: 00:00
int YearOfDate(TDateTime dt);
int MonthOfDate(TDateTime dt);

std::string GetEnvText(const std::string& name);  // trimmed, empty when unset
std::string TempFolder();                         // GetEnvText("temp") + "\"
std::string UniqueTempFileName();                 // TempFolder + "_v" + hhnnssz + ".tmp"

// Starts the command line and returns once the process has ended, handling
// window messages every 100 ms; returns at once when it cannot be started.
// shouldAbort (tested every poll) and timeoutMs (0: none) end the process
// early. Result: true when the process ended by itself.
bool RunAndWait(const std::string& commandLine, int showState,
                const std::function<bool()>& shouldAbort = nullptr,
                unsigned timeoutMs = 0);

void ShellOpen(const std::string& target, const std::string& params);

// Up to retries + 1 attempts, one minute (WaitMinutes(1)) apart; nullptr when
// every attempt failed.
std::unique_ptr<plat::File> AppendWithRetry(const std::string& path, int retries);
std::unique_ptr<plat::File> ResetWithRetry(const std::string& path, int retries);
std::unique_ptr<plat::File> RewriteWithRetry(const std::string& path, int retries);

void WaitMinutes(double minutes);  // until the clock has advanced that much
// Tests replace the minute wait (nullptr restores it) so that retries do not
// take minutes.
void SetWaitMinutesOverride(std::function<void(double)> wait);
void WaitSeconds(double seconds);  // seconds*100 steps of 10 ms
}  // namespace kc
