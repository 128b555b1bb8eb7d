// The run mode of a start, from its first command-line argument.
#pragma once

#include <string>
#include <vector>

namespace kc {

enum class RunMode { Settings, Download };

// The first argument (after the program name), lower-cased in ASCII, equal
// to "/c" gives the settings mode; anything else, or none, a download run.
RunMode ChooseRunMode(const std::vector<std::string>& argsAfterProgram);

// The single-instance guard's name.
constexpr const char kInstanceGuardName[] = "TVPlugin";

}  // namespace kc
