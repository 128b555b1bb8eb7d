#include "download/page_download.h"

#include <set>

#include "analysis/site.h"
#include "core/text.h"
#include "download/host_files.h"
#include "download/host_settings.h"
#include "download/run_context.h"
#include "download/run_report.h"
#include "platform/message_pump.h"
#include "platform/platform.h"
#include "platform/run_command.h"
#include "platform/temp_files.h"
#include "storage/log_file.h"

namespace kc {

namespace {

const char* const kWindowStarts[kDayWindowCount] = {"0500", "1100", "1700", "2300"};

constexpr double kSpacingDays = kRequestSpacingMs / 1000.0 / kSecondsPerDay;

unsigned g_fetchTimeoutMs = kFetchTimeoutMs;

// The fetch itself, shared by the download window and the settings window:
// into a unique temp file first, so that a fetch that fails or is cut off
// never leaves half a page under the page's own name; then the copy, the
// clean-up and the pause.
std::int64_t FetchAndCopy(const std::string& address, const std::string& dest,
                          const std::function<bool()>& stop, TLogFile* log) {
  const std::string temp = UniqueTempFileName();
  const std::string cmd = FetchCommandLine(EscapeAddress(address), temp);
  kc::FileSystem& fs = kc::Fs();
  if (cmd.empty()) {
    if (log) log->WriteLine("一時ファイル名をコマンドに渡せないため取得しません: " + temp);
    return 0;
  }
  // A fetcher ended by Stop or by the time-out may have left half a page:
  // that counts as no data.
  // An answer beyond any chart page ends the fetch: held whole, it could
  // exhaust memory or the disk.
  bool tooLarge = false;
  auto abort = [&] {
    if (stop && stop()) return true;
    tooLarge = tooLarge || fs.FileSize(temp) > kMaxPageSize;
    return tooLarge;
  };
  bool ended = RunAndWait(cmd, kc::SW_Hide, abort, g_fetchTimeoutMs);
  std::int64_t size = ended ? fs.FileSize(temp) : 0;
  if (size < 0) size = 0;
  if (tooLarge || size > kMaxPageSize) {
    if (log)
      log->WriteLine("ページが " + IntToStr(kMaxPageSize >> 20) + " MB を超えたため取得をやめました: " +
                     address);
    size = 0;
  }
  if (size > 0 && !fs.CopyFile(temp, dest, true) && log)
    log->WriteLine(dest + "書き込みエラー");
  // Also an empty or cut-off temp file goes: nothing else removes "_v*.tmp".
  if (fs.FileExists(temp)) fs.DeleteFile(temp);
  YieldToMessages();
  for (int i = 0; i < 5; ++i) {
    YieldToMessages();
    kc::SleepMs(100);
  }
  return size;
}

}  // namespace

ScopedFetchTimeout::ScopedFetchTimeout(unsigned ms) : previous_(g_fetchTimeoutMs) {
  g_fetchTimeoutMs = ms;
}
ScopedFetchTimeout::~ScopedFetchTimeout() { g_fetchTimeoutMs = previous_; }

std::string ChartPlatformPath(bool useE2) {
  return useE2 ? site::kChartPathE2 : site::kChartPathSkypt;
}

std::string DayWindowStart(int i) {
  if (i < 0 || i >= kDayWindowCount) return std::string();
  return kWindowStarts[i];
}

std::string ChartPageAddress(bool useE2, const std::string& pageKey, TDateTime today,
                             int i) {
  return site::BaseAddress() + ChartPlatformPath(useE2) + pageKey + site::kChartHead +
         FormatDateTime("yyyymmdd", today) + DayWindowStart(i) + site::kChartSpan;
}

std::string ChannelPageKey(const StringList& channelKeyList, const std::string& channel) {
  // First entry wins; the names are decimal numbers.
  return ValueOf(channelKeyList, channel);
}

std::string EscapeAddress(const std::string& address) {
  return SjisReplaceAll(address, "&", "&amp;");
}

std::int64_t DownloadToFile(RunContext& ctx, const std::string& address,
                            const std::string& dest) {
  DownloadRunState& st = ctx.State;
  if (st.StopRequested) return 0;
  // Politeness towards the site: request starts at least 900 ms apart. A
  // Stop ends the wait; the request is still made, and then ended at once.
  // The interval is measured on a clock that a time of day set back does
  // not stall.
  while (kc::MonotonicNow() - st.LastRequestTime < kSpacingDays && !st.StopRequested) {
    YieldToMessages();
    kc::SleepMs(100);
  }
  st.LastRequestTime = kc::MonotonicNow();
  const std::int64_t size =
      FetchAndCopy(address, dest, [&st] { return st.StopRequested; }, &ctx.Log);
  if (size > 0) {
    st.EmptyFetchRun = 0;
  } else if (!st.StopRequested) {
    if (st.EmptyFetchRun++ == 0) st.EmptyFetchRunStart = st.LastRequestTime;
  }
  return size;
}

bool SiteGivenUp(const DownloadRunState& st) {
  return st.EmptyFetchRun >= kDeadSiteRequests ||
         (st.EmptyFetchRun > 0 &&
          (kc::MonotonicNow() - st.EmptyFetchRunStart) * kSecondsPerDay >= kDeadSiteSeconds);
}

std::int64_t DownloadToFileNoLog(const std::string& address, const std::string& dest,
                                 const std::function<bool()>& stop) {
  if (stop && stop()) return 0;
  return FetchAndCopy(address, dest, stop, nullptr);
}

namespace {

// The page download of one run, channel by channel.
class ChartPagePass {
 public:
  ChartPagePass(RunContext& ctx, bool reuse) : ctx_(ctx), st_(ctx.State), reuse_(reuse) {}

  // The four pages of the channel at list position p of its dataset; false
  // when the site is given up, which ends the page download.
  bool FetchChannel(const std::string& channel, std::size_t p) {
    // A channel without a page key has no page address the site knows.
    const NotAskedReason why = WhyNotAsked(st_.ChannelNumberList, st_.ChannelKeyList, channel);
    NoteChannelNotAsked(st_.Report, channel, why);
    if (why != NotAskedReason::Asked) return true;
    NoteChannelAsked(st_.Report, channel);
    ctx_.View.ShowProgress(static_cast<int>(p));
    bool anyNew = false;
    for (int i = 0; i < kDayWindowCount && !st_.StopRequested && !st_.SkipRequested; ++i) {
      try {
        const PageOutcome outcome = FetchPage(channel, i, anyNew);
        if (outcome == PageOutcome::SiteGivenUp) return false;
        if (outcome == PageOutcome::AskedBefore) continue;
      } catch (const std::exception&) {
        ctx_.Log.WriteLine("チャンネルエラー: " + channel);
      }
      YieldToMessages();
    }
    // A channel whose pages all came for an earlier dataset costs no time.
    if (anyNew) kc::SleepMs(100);
    return true;
  }

 private:
  enum class PageOutcome { Done, AskedBefore, SiteGivenUp };

  // Page i of the channel into the cache.
  PageOutcome FetchPage(const std::string& channel, int i, bool& anyNew) {
    // Today is taken afresh for every page: a run over midnight fetches the
    // later pages of the new day.
    const TDateTime today = DateOf(kc::Now());
    const std::string address =
        ChartPageAddress(st_.UseE2, ChannelPageKey(st_.ChannelKeyList, channel), today, i);
    const std::string file = ChartPageFile(st_.HostFolder, channel, today, i);
    if (!reuse_ && requested_.count(file) != 0) return PageOutcome::AskedBefore;
    anyNew = true;
    if (kc::Fs().FileExists(file) && reuse_) return PageOutcome::Done;
    if (SiteGivenUp(st_)) {
      ctx_.Log.WriteLine("通信エラーが続いたため残りの番組表を取得しません");
      return PageOutcome::SiteGivenUp;
    }
    ctx_.View.ShowDetail(channel + "チャンネルをダウンロード中...");
    requested_.insert(file);
    std::int64_t size = DownloadToFile(ctx_, address, file);
    NotePageRequested(st_.Report, size >= kMinPageSize);
    if (size == 0)
      ctx_.Log.WriteLine("通信エラー: " + channel + "チャンネル");
    else if (size < kMinPageSize)
      ctx_.Log.WriteLine("ダウンロード失敗: " + channel + "チャンネル");
    if (size < kMinPageSize) {
      if (kc::Fs().FileExists(file)) kc::Fs().DeleteFile(file);
    } else if (IndexOf(st_.DownloadedFiles, file) < 0) {
      // Also with the reuse switch a page comes in twice when its first copy
      // into the cache failed.
      st_.DownloadedFiles.push_back(file);
    }
    return PageOutcome::Done;
  }

  RunContext& ctx_;
  DownloadRunState& st_;
  const bool reuse_;
  // Pages already asked for in this run. Datasets often share channels (one
  // per recorder, say): a second request would only bring the same page
  // again and have the same programmes stored twice.
  std::set<std::string> requested_;
};

}  // namespace

void DownloadChartPages(RunContext& ctx) {
  DownloadRunState& st = ctx.State;
  st.PhaseName = "DLLTVMurok2";
  kc::Fs().ForceDirectories(CacheFolder(st.HostFolder));
  ChartPagePass pass(ctx, ReadSetupBool(st.PluginFolder, host::kReuseCachedPages));
  st.SkipRequested = false;
  st.DownloadedFiles.clear();
  for (int k = 0; k < st.DataSetCount && !st.StopRequested; ++k) {
    GetDataSetChannels(ctx, k);
    const StringList channels = st.DataSetChannels;
    ctx.View.ShowProgress(0);
    ctx.View.SetProgressRange(static_cast<int>(channels.size()));
    for (std::size_t p = 0; p < channels.size() && !st.StopRequested && !st.SkipRequested; ++p) {
      if (!pass.FetchChannel(channels[p], p)) return;
      st.SkipRequested = false;
      YieldToMessages();
    }
    st.SkipRequested = false;
    YieldToMessages();
  }
}

}  // namespace kc
