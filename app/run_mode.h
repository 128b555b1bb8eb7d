// The run mode of a start, from its first command-line argument.
#pragma once

#include <string>
#include <vector>

#include "ui/download_window.h"
#include "ui/settings_window.h"

namespace kc {

enum class RunMode { Settings, Download };

// The first argument (after the program name), lower-cased in ASCII, equal
// to "/c" gives the settings mode; anything else, or none, a download run.
RunMode ChooseRunMode(const std::vector<std::string>& argsAfterProgram);

// The pause before a download run that tests ask for with the environment
// variable KANALIA_TEST_HOLD_MS (milliseconds), so that they can find the
// window while it is up; 0 when unset or not a number.
int TestHoldMs();

// The settings mode: creates the settings window, the bulk channel input
// window and the channel number conversion window, in this order, shows the
// settings window and runs the message loop until it closes. The caller has
// initialised the application (backend and title). Handler errors show the
// window system's error box. Returns the process exit status.
int RunSettingsMode(const TFormDLLSetup::Options& options = {});

// The download mode: the download window, which performs one run by itself
// on its first activation and closes, and the message loop until then.
int RunDownloadMode(const TFormDLL::Options& options);

// The single-instance guard's name.
constexpr const char kInstanceGuardName[] = "TVPlugin";

}  // namespace kc
