// The run mode of a start, from its first command-line argument.
#pragma once

#include <string>
#include <vector>

namespace kc {

enum class RunMode { Settings, Download };

// The first argument (after the program name), lower-cased in ASCII, equal
// to "/c" gives the settings mode; anything else, or none, a download run.
RunMode ChooseRunMode(const std::vector<std::string>& argsAfterProgram);

// The pause before a download run that tests ask for with the environment
// variable KANALIA_TEST_HOLD_MS (milliseconds), so that they can find the
// window while it is up; 0 when unset or not a number.
int TestHoldMs();

// The single-instance guard's name.
constexpr const char kInstanceGuardName[] = "TVPlugin";

}  // namespace kc
