// A host folder with the plug-in's folder below it, and a run context over
// it (state, a recording view, the log and the tables), for the unit tests of
// the download phases.
#pragma once

#include <string>
#include <vector>

#include "core/stringlist.h"
#include "download/run_context.h"
#include "storage/log_file.h"
#include "storage/memtable.h"
#include "storage/tables.h"
#include "support/test_support.h"

namespace kc {
namespace test {

class RecordingView : public RunView {
 public:
  std::vector<std::string> Labels2;
  std::string label1, label2;
  int max1 = 0, pos1 = 0, max2 = 0, pos2 = 0;
  void ShowPhase(const std::string& t) override { label1 = t; }
  void ShowDetail(const std::string& t) override {
    label2 = t;
    Labels2.push_back(t);
  }
  std::string Detail() const override { return label2; }
  void SetProgressRange(int m) override { max1 = m; }
  void ShowProgress(int p) override { pos1 = p; }
  int Progress() const override { return pos1; }
  void SetRunProgressRange(int m) override { max2 = m; }
  void ShowRunProgress(int p) override { pos2 = p; }
};

struct RunFixture {
  TempDir Dir;
  ScopedEnv Temp;
  DownloadRunState State;
  RecordingView View;
  TLogFile Log;
  MemTable TableSkypch{"TableSkypch"};
  MemTable TableMas{"TableMas"};
  RunContext Ctx{State, View, Log, TableSkypch, TableMas};

  RunFixture() : Temp("temp", Dir.winPath() + "\\temp") {
    WriteBytes(Dir.file("temp/.keep"), "");
    WriteBytes(Dir.file("plugin/.keep"), "");
    State.PluginFolder = Dir.winPath() + "\\plugin\\";
    State.HostFolder = State.PluginFolder + "..";
    DefineTableSkypch(TableSkypch, State.PluginFolder + "..\\tvskypch.csv");
    Log.SetLogFileName(Dir.winPath() + "\\hoz.log");
    Log.SetActive(true);
  }
  ~RunFixture() {
    if (TableSkypch.Active()) TableSkypch.Close();
    Log.SetActive(false);
  }

  // A file of the host folder (platform form), e.g. Host("hoz.ini").
  std::string Host(const std::string& name) const { return Dir.file(name); }
  void WriteHost(const std::string& name, const std::string& bytes) const {
    WriteBytes(Dir.file(name), bytes);
  }
  // Lines of the log after the start block.
  StringList LogLines() const {
    StringList lines = SplitLines(ReadBytes(Dir.file("hoz.log")));
    if (lines.size() >= 2) lines.erase(lines.begin(), lines.begin() + 2);
    return lines;
  }
  void AddChannel(const std::string& channel, const std::string& name, int status = 0) {
    if (!TableSkypch.Active()) TableSkypch.Open();
    AppendChannel(TableSkypch, channel, name, status);
  }
};

}  // namespace test
}  // namespace kc
