// The plug-in's entry: one copy at a time, the run mode from the first
// argument, the windows of that mode, the message loop, the guard released.
//
// Windows: the real windows. Native build: the download run over headless
// controls, printing what the window's labels and progress bars show to
// standard error (UTF-8); the settings windows need the Windows build.
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/run_mode.h"
#include "platform/single_instance.h"
#include "ui/download_window.h"
#include "download/run_driver.h"
#include "platform/platform.h"
#include "ui/controls.h"
#include "ui/settings_window.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace {

#ifndef _WIN32
// One line per change of what a label or progress bar shows.
void PrintChanges(kc::ui::HeadlessBackend& h) {
  auto shown = std::make_shared<std::map<std::string, std::string>>();
  h.OnControlChanged = [shown](const kc::ui::Control& c, kc::ui::Change) {
    std::string text;
    if (c.Kind() == kc::ui::ControlKind::Label) {
      text = c.Caption();
    } else if (c.Kind() == kc::ui::ControlKind::ProgressBar) {
      const auto& p = static_cast<const kc::ui::ProgressBar&>(c);
      text = std::to_string(p.Position()) + "/" + std::to_string(p.Max());
    } else {
      return;
    }
    std::string& last = (*shown)[c.Name()];
    if (last == text) return;
    last = text;
    std::string line = kc::Cp932ToUtf8(c.Name() + ": " + text);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
  };
}
#endif

int RunPlugin(const std::vector<std::string>& args) {
  if (!kc::CheckSingleInstance(kc::kInstanceGuardName)) return 0;
  const kc::RunMode mode = kc::ChooseRunMode(args);
  int status = 0;
#ifdef _WIN32
  kc::ui::App().Init(kc::ui::BackendKind::Win32);
#else
  if (mode == kc::RunMode::Settings) {
    std::fprintf(stderr, "%s\n",
                 kc::Cp932ToUtf8("設定ウィンドウは Windows 版でのみ使えます "
                                   "(the settings windows need the Windows build)")
                     .c_str());
    kc::ReleaseSingleInstance();
    return 2;
  }
  kc::ui::App().Init(kc::ui::BackendKind::Headless);
  PrintChanges(*kc::ui::Headless());
#endif
  kc::ui::App().Title = kc::kAppTitle;
  try {
    if (mode == kc::RunMode::Settings) {
      status = kc::RunSettingsMode();
    } else {
      kc::TFormDLL::Options options;
      options.HoldBeforeRunMs = kc::TestHoldMs();
      status = kc::RunDownloadMode(options);
    }
  } catch (const std::exception& e) {
    // Only window creation can get here; the handlers' exceptions stay in
    // the message loop.
    kc::ui::App().HandleException(e.what());
    status = 1;
  }
  kc::ui::App().Shutdown();
  kc::ReleaseSingleInstance();
  return status;
}

}  // namespace

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::vector<std::string> args;
  int argc = 0;
  if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
    for (int i = 1; i < argc; ++i) {
      std::u16string w(reinterpret_cast<const char16_t*>(argv[i]));
      args.push_back(kc::WideToCp932(w));
    }
    LocalFree(argv);
  }
  return RunPlugin(args);
}
#else
int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(kc::Utf8ToCp932(argv[i]));
  return RunPlugin(args);
}
#endif
