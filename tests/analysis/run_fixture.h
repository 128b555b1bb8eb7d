// A download run's context without a window, over a throw-away host folder:
// <tmp>/plugin/ is the plug-in's folder, <tmp>/ the host's, <tmp>/temp the
// temp folder (environment "temp"). Shared by the analysis and run tests.
#pragma once

#include <string>
#include <vector>

#include "analysis/html_parser.h"
#include "platform/message_pump.h"
#include "core/datetime.h"
#include "core/stringlist.h"
#include "download/run_context.h"
#include "platform/platform.h"
#include "storage/log_file.h"
#include "storage/memtable.h"
#include "storage/tables.h"
#include "support/test_support.h"

namespace kc {
namespace test {

class RecordingView : public RunView {
 public:
  void ShowPhase(const std::string& t) override { Label1Text = t; Label1History.push_back(t); }
  void ShowDetail(const std::string& t) override { Label2Text = t; }
  std::string Detail() const override { return Label2Text; }
  void SetProgressRange(int m) override { P1Max = m; }
  void ShowProgress(int p) override { P1 = p; }
  int Progress() const override { return P1; }
  void SetRunProgressRange(int m) override { P2Max = m; }
  void ShowRunProgress(int p) override { P2 = p; }
  void DisableRunButtons() override { ButtonsDisabled = true; }

  std::string Label1Text, Label2Text;
  std::vector<std::string> Label1History;
  int P1Max = 0, P1 = 0, P2Max = 0, P2 = 0;
  bool ButtonsDisabled = false;
};

class RunFixture {
 public:
  RunFixture()
      : tempEnv_("temp", dir.winPath() + "\\temp"),
        Plugin(dir.winPath() + "\\plugin\\") {
    kc::Fs().ForceDirectories(dir.winPath() + "\\temp");
    kc::Fs().ForceDirectories(dir.winPath() + "\\plugin");
    FormatSettings& fs = ProcessFormats();
    fs.DateSeparator = '-';
    fs.ShortDateFormat = fs.LongDateFormat = "yyyy/mm/dd";
    fs.TimeSeparator = ':';
    fs.ShortTimeFormat = fs.LongTimeFormat = "hh:nn:ss";
    State.PluginFolder = Plugin;
    State.HostFolder = Plugin + "..";
    DefineTableSkypch(Skypch, Plugin + "..\\tvskypch.csv");
    DefineTableMas(Mas, "");
    Log.SetLogFileName(Plugin + "\\..\\hoz.log");
    Log.SetActive(true);
  }

  // Host file below the host folder (product-form name relative to it).
  std::string HostFile(const std::string& name) const { return Plugin + "..\\" + name; }
  void WriteHost(const std::string& name, const std::string& sjis) {
    kc::WriteWholeFile(HostFile(name), sjis);
  }
  std::string ReadHost(const std::string& name) const {
    std::string s;
    kc::ReadWholeFile(HostFile(name), s);
    return s;
  }
  void AddChannel(const std::string& number, const std::string& name) {
    if (!Skypch.Active()) Skypch.Open();
    AppendChannel(Skypch, number, name, 0);
  }
  // Message and error lines of the log (start, version and end lines left
  // out).
  StringList LogLines() const {
    StringList out;
    for (const std::string& l : SplitLines(ReadHost("hoz.log")))
      if (l.rfind("--- START ---", 0) != 0 && l.rfind("--- END ---", 0) != 0 &&
          l.rfind("Version ", 0) != 0)
        out.push_back(l);
    return out;
  }

  TempDir dir;

 private:
  ScopedEnv tempEnv_;
  ScopedFormats formats_;

 public:
  std::string Plugin;  // product form, trailing backslash
  MemTable Skypch{"TableSkypch"};
  MemTable Mas{"TableMas"};
  TLogFile Log;
  RecordingView View;
  DownloadRunState State;
  // Pages tokenize without yields, as the tests count the message pumps.
  RunContext Ctx{State, View, Log, Skypch, Mas, nullptr};
};

// Counts message pumps and runs an action at the chosen one.
class PumpHook {
 public:
  void At(int n, std::function<void()> fn) { actions.emplace_back(n, std::move(fn)); }
  int count = 0;
  std::vector<std::pair<int, std::function<void()>>> actions;

 private:
  ScopedMessagePump pump_{[this] {
    ++count;
    for (auto& [at, fn] : actions)
      if (at == count) fn();
  }};
};

}  // namespace test
}  // namespace kc
