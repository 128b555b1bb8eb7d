// What the phases of one download run share: the run state of the download
// window, the window parts they show progress in, and the tables and the log
// that the window owns. The window (TFormDLL) holds the controls and fills a
// RunContext; the phases are plain functions over it, so that tests can run
// them without a window.
#pragma once

#include <functional>
#include <string>

#include "core/datetime.h"
#include "core/run_flags.h"
#include "core/stringlist.h"
#include "download/run_report.h"

namespace kc {

class MemTable;
class TLogFile;

// The run's Stop, Skip and Pause flags are its RunFlags.
struct DownloadRunState : RunFlags {
  bool Activated = false;
  std::string HostFolder;  // plug-in folder + "\" + ".."
  StringList DownloadedFiles;
  StringList ChannelNumberList;
  int DataSetCount = 0;
  StringList DataSetChannels;
  StringList ChannelConversionList;
  StringList ChannelKeyList;
  // Both on kc::MonotonicNow().
  TDateTime LastRequestTime = 0;
  // Requests in a row that brought nothing, and when the first of them began.
  int EmptyFetchRun = 0;
  TDateTime EmptyFetchRunStart = 0;
  bool UseE2 = false;
  std::string PhaseName;
  // What the run got, for the log's report lines.
  RunReport Report;
  // The plug-in's own folder with a trailing backslash: every host file is
  // found from it.
  std::string PluginFolder;
};

// The parts of the download window that the phases write to.
class RunView {
 public:
  virtual ~RunView() = default;
  // The stage of the run ("番組表をダウンロード中"; Label1).
  virtual void ShowPhase(const std::string& text) = 0;
  // What the stage works on ("161チャンネルをダウンロード中..."; Label2).
  virtual void ShowDetail(const std::string& text) = 0;
  virtual std::string Detail() const = 0;
  // The items of the current stage (ProgressBar1).
  virtual void SetProgressRange(int max) = 0;
  virtual void ShowProgress(int pos) = 0;
  virtual int Progress() const = 0;
  // The stages of the whole run (ProgressBar2).
  virtual void SetRunProgressRange(int max) = 0;
  virtual void ShowRunProgress(int pos) = 0;
  // The run ends: Resume, Stop, Skip and Pause are disabled (also when the
  // run raised). The window overrides it; views without buttons need not.
  virtual void DisableRunButtons() {}
};

// The date and time formats of a download run: dates "yyyy/mm/dd" printed
// with "-" (2010-12-06), times "hh:nn:ss". The download window makes them the
// process-wide formats for the texts the run builds, and gives them to the log.
FormatSettings RunFormats();

// The tokenizer's yield during a run: the window's messages when the
// tokenizer says so (every ten bytes), and the rest of the time slice after
// every byte, so that Pause, Skip and Stop stay live during a large page.
void RunTokenizerYield(bool processMessages);

struct RunContext {
  DownloadRunState& State;
  RunView& View;
  TLogFile& Log;
  MemTable& TableSkypch;
  MemTable& TableMas;
  // What the page tokenizer calls after every byte (empty: nothing).
  std::function<void(bool processMessages)> TokenizerYield = RunTokenizerYield;
};

}  // namespace kc
