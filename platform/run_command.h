// Outside programs: started and awaited with the window kept responsive.
#pragma once

#include <functional>
#include <string>

namespace kc {

// Starts the command line in the program's folder and returns once the
// process has ended, handling window messages every 100 ms; returns at once
// when it cannot be started. shouldAbort (tested every poll) and timeoutMs
// (0: none) end the process early. Result: true when the process ended by
// itself and reported success (exit status 0).
bool RunAndWait(const std::string& commandLine, int showState,
                const std::function<bool()>& shouldAbort = nullptr,
                unsigned timeoutMs = 0);

}  // namespace kc
