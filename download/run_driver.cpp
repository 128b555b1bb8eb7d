#include "download/run_driver.h"

#include <exception>
#include <utility>
#include <vector>

#include "core/datetime.h"
#include "core/text.h"
#include "download/channel_list.h"
#include "download/host_files.h"
#include "download/host_settings.h"
#include "download/page_download.h"
#include "download/programme_files.h"
#include "download/run_report.h"
#include "platform/message_pump.h"
#include "platform/platform.h"
#include "platform/temp_files.h"
#include "storage/log_file.h"
#include "storage/memtable.h"

namespace kc {

namespace {

// Disables the run's buttons when Main leaves, by return or by exception.
struct ButtonGuard {
  RunView& view;
  ~ButtonGuard() { view.DisableRunButtons(); }
};

}  // namespace

void PrepareRun(RunContext& ctx) {
  DownloadRunState& st = ctx.State;
  st.PhaseName = "FormActivate";
  st.HostFolder = HostFolder(st.PluginFolder);
  if (!ctx.TableSkypch.Active()) ctx.TableSkypch.Open();
  st.UseE2 = ReadSetupBool(st.PluginFolder, host::kUseE2);
  ctx.Log.SetLogFileName(LogFilePath(st.PluginFolder));
  ctx.Log.SetActive(true);
  ctx.Log.WriteLine(kAppTitle);
  const std::string recovered = ctx.TableSkypch.RecoveredFrom();
  if (!recovered.empty())
    ctx.Log.WriteLine(st.PhaseName + ": " + kc::ExtractFileName(ctx.TableSkypch.PersistentFile) +
                          " がないため " + kc::ExtractFileName(recovered) + " から読み込みました",
                      true);
  st.DataSetCount = GetDataSetCount(st.PluginFolder);
}

void EnsureRunLogActive(RunContext& ctx) {
  if (ctx.Log.Active()) return;
  ctx.Log.SetLogFileName(LogFilePath(ctx.State.PluginFolder));
  ctx.Log.SetActive(true);
}

TDateTime CacheCutOff(TDateTime now) { return DateOf(now) - 7 + 10.0 / 24.0; }

bool IsOwnFetchFile(const std::string& name) {
  // "_v" + hhnnss and the milliseconds (one to three digits) + ".tmp", as
  // UniqueTempFileName makes them.
  if (name.size() < 13 || name.size() > 15 || name.compare(0, 2, "_v") != 0 ||
      LowerAscii(name.substr(name.size() - 4)) != ".tmp")
    return false;
  for (std::size_t i = 2; i + 4 < name.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

void DeleteTemp(RunContext& ctx) {
  DownloadRunState& st = ctx.State;
  st.PhaseName = "DeleteTemp";
  const std::string folder = TempFolder();
  std::vector<kc::FoundFile> files =
      kc::Fs().FindFiles(folder + host::kWorkFilePattern, kc::faAnyFile);
  // Fetch files of a run that was killed: only one copy of the program runs
  // at a time, so none of them belongs to a fetch still going on.
  for (kc::FoundFile& f : kc::Fs().FindFiles(folder + "_v*.tmp", kc::faAnyFile))
    if (IsOwnFetchFile(f.Name)) files.push_back(std::move(f));
  for (const kc::FoundFile& f : files) {
    if (st.StopRequested || st.SkipRequested) break;
    kc::Fs().DeleteFile(folder + f.Name);
    YieldToMessages();
  }
}

void DeleteCache(RunContext& ctx) {
  DownloadRunState& st = ctx.State;
  st.PhaseName = "DeleteCache";
  st.SkipRequested = false;
  const std::string folder = CacheFolder(st.HostFolder);
  for (const kc::FoundFile& f : kc::Fs().FindFiles(folder + "\\" + host::kWorkFilePattern, kc::faAnyFile)) {
    if (st.StopRequested || st.SkipRequested) break;
    if (MillisecondsOf(f.LastWrite) < MillisecondsOf(CacheCutOff(kc::Now())))
      kc::Fs().DeleteFile(folder + "\\" + f.Name);
    YieldToMessages();
  }
}

namespace {

// Without a list from the site the numbers of the previous run stand in,
// with the page keys of the last list that came; when there are no numbers
// either, nothing is fetched and nothing is said.
void RetrieveOrRecallChannels(RunContext& ctx) {
  DownloadRunState& st = ctx.State;
  try {
    st.ChannelNumberList.clear();
    RetrieveChannelList(ctx);
    if (st.ChannelNumberList.empty()) {
      st.ChannelNumberList = LoadChannelNumberList(st.PluginFolder);
      st.ChannelKeyList = LoadChannelKeyList(st.PluginFolder, st.UseE2);
      if (st.ChannelKeyList.empty())
        ctx.Log.WriteLine("チャンネル一覧を取得できず、保存したページキーもないため番組表を取得できません");
    } else {
      SaveChannelKeyList(st.ChannelKeyList, st.PluginFolder, st.UseE2);
      SaveChannelNumberList(st.ChannelNumberList, st.PluginFolder);
    }
  } catch (const std::exception&) {
  }
}

}  // namespace

void Main(RunContext& ctx) {
  DownloadRunState& st = ctx.State;
  st.SkipRequested = false;
  st.PhaseName = "Main";
  st.Report = RunReport{};
  ButtonGuard guard{ctx.View};

  DeleteTemp(ctx);
  DeleteCache(ctx);
  ctx.Log.WriteLine("Kanalia(CS) ダウンロード開始");
  ctx.View.ShowPhase("番組表をダウンロード中");

  RetrieveOrRecallChannels(ctx);

  st.PhaseName = "Main2";
  ctx.View.SetRunProgressRange(3);
  ctx.View.ShowRunProgress(0);

  DownloadChartPages(ctx);
  LogChannelsNotAsked(ctx);
  ctx.View.ShowRunProgress(1);

  st.SkipRequested = false;
  if (!st.StopRequested) {
    BuildProgrammeFiles(ctx);
    LogPagesWithoutProgrammes(ctx, !st.StopRequested && !st.SkipRequested);
  }

  ctx.View.ShowPhase("番組表を作成中");
  st.SkipRequested = false;
  if (!st.StopRequested) MergeIntoDatasets(ctx);

  ctx.View.ShowPhase("終了処理中");
  ctx.View.ShowRunProgress(3);
  YieldToMessages();

  // A stopped run leaves no pages of its own behind: they may be partial
  // days that a later run with the reuse switch would otherwise trust.
  if (st.StopRequested)
    for (const std::string& page : st.DownloadedFiles) kc::Fs().DeleteFile(page);

  LogRunSummary(ctx);
  TDateTime now = kc::Now();
  ctx.Log.WriteLine(DateToStr(now) + " " + TimeToStr(now) + " Kanalia(CS) ダウンロード終了");
}

}  // namespace kc
