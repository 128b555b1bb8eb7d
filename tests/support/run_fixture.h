// A download run's context without a window, over a throw-away host folder:
// <tmp>/plugin/ is the plug-in's folder, <tmp>/ the host's, <tmp>/temp the
// temp folder (environment "temp"); a recording view, the log and the two
// tables. Shared by the analysis, download and run tests.
#pragma once

#include <functional>
#include <string>
#include <utility>
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
  void ShowDetail(const std::string& t) override { Label2Text = t; Label2History.push_back(t); }
  std::string Detail() const override { return Label2Text; }
  void SetProgressRange(int m) override { P1Max = m; }
  void ShowProgress(int p) override { P1 = p; }
  int Progress() const override { return P1; }
  void SetRunProgressRange(int m) override { P2Max = m; }
  void ShowRunProgress(int p) override { P2 = p; }
  void DisableRunButtons() override { ButtonsDisabled = true; }

  std::string Label1Text, Label2Text;
  std::vector<std::string> Label1History, Label2History;
  int P1Max = 0, P1 = 0, P2Max = 0, P2 = 0;
  bool ButtonsDisabled = false;
};

class RunFixture {
 public:
  RunFixture()
      : tempEnv_("temp", Dir.winPath() + "\\temp"),
        Plugin(Dir.winPath() + "\\plugin\\") {
    kc::Fs().ForceDirectories(Dir.winPath() + "\\temp");
    kc::Fs().ForceDirectories(Dir.winPath() + "\\plugin");
    // The texts of the run in the formats the download window sets.
    ProcessFormats() = RunFormats();
    State.PluginFolder = Plugin;
    State.HostFolder = Plugin + "..";
    DefineTableSkypch(Skypch, Plugin + "..\\tvskypch.csv");
    DefineTableMas(Mas, "");
    Log.SetLogFileName(Plugin + "\\..\\hoz.log");
    Log.SetActive(true);
  }

  // A file of the host folder: product form (a name relative to the plug-in
  // folder's "..", as the program builds it) and platform form.
  std::string HostFile(const std::string& name) const { return Plugin + "..\\" + name; }
  std::string Host(const std::string& name) const { return Dir.file(name); }
  // The bytes of a host file, by the test's own calls (missing folders are
  // made); "a/b" and "a\b" both name a file below a folder.
  void WriteHost(const std::string& name, const std::string& bytes) const {
    WriteBytes(Host(name), bytes);
  }
  std::string ReadHost(const std::string& name) const { return ReadBytes(Host(name)); }
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

  TempDir Dir;

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
