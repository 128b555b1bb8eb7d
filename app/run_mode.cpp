#include "app/run_mode.h"

#include <algorithm>

#include "core/text.h"
#include "platform/platform.h"
#include "ui/bulk_input_window.h"
#include "ui/conversion_window.h"
#include "ui/dialogs.h"

namespace kc {

RunMode ChooseRunMode(const std::vector<std::string>& argsAfterProgram) {
  if (argsAfterProgram.empty()) return RunMode::Download;
  return LowerAscii(argsAfterProgram.front()) == "/c" ? RunMode::Settings : RunMode::Download;
}

int TestHoldMs() {
  int ms = StrToIntDef(Trim(kc::GetEnv("KANALIA_TEST_HOLD_MS")), 0);
  return std::max(0, ms);
}

int RunSettingsMode(const TFormDLLSetup::Options& options) {
  ui::Application& app = ui::App();
  auto previous = app.OnException;
  app.OnException = [](const std::string& message) {
    ui::ShowError(ui::App().MainForm, message);
  };
  struct Restore {
    ui::Application& app;
    std::function<void(const std::string&)> handler;
    ~Restore() { app.OnException = handler; }
  } restore{app, previous};

  TFormDLLSetup setup(options);
  TFormImport import(setup);
  TFormCh ch(setup);
  setup.FormImport = &import;
  setup.FormCh = &ch;
  app.Run();
  return 0;
}

int RunDownloadMode(const TFormDLL::Options& options) {
  TFormDLL form(options);
  ui::App().Run();
  return 0;
}

}  // namespace kc
