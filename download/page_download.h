// Chart pages into the page cache, and the one routine through which the
// program downloads anything (DownloadToFile): an outside fetcher writes the
// page into a temp file, which is then copied to its destination.
//
// The fetcher is started as
//   Windows: powershell wget 'ADDRESS' -O 'TEMPFILE'
//   POSIX:   wget -q 'ADDRESS' -O 'TEMPFILE'
// where every "&" of the address has become "&amp;"; the site expects the
// query in that form.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/datetime.h"
#include "core/stringlist.h"

namespace kc {

struct RunContext;
struct DownloadRunState;

// A downloaded chart page below this size is a failure and is deleted.
constexpr std::int64_t kMinPageSize = 5000;
// A page larger than this (a chart page has a few hundred kB) ends its fetch
// and counts as no data, with a log line.
constexpr std::int64_t kMaxPageSize = std::int64_t{64} << 20;
// At least this long between the starts of two requests of a run.
constexpr unsigned kRequestSpacingMs = 900;
// A fetcher that has not ended after this long is ended; its page counts as
// no data.
constexpr unsigned kFetchTimeoutMs = 180000;
// A site that brings nothing for this many requests in a row, or for this
// long from the start of the first of them, is given up for the rest of the
// run: the remaining pages are not requested (one log line). A page that
// brings anything, even too little, ends such a run of failures.
constexpr int kDeadSiteRequests = 6;
constexpr double kDeadSiteSeconds = 300;
// Another time-out for its lifetime (tests shorten it); the one before it
// comes back afterwards.
class ScopedFetchTimeout {
 public:
  explicit ScopedFetchTimeout(unsigned ms);
  ~ScopedFetchTimeout();
  ScopedFetchTimeout(const ScopedFetchTimeout&) = delete;
  ScopedFetchTimeout& operator=(const ScopedFetchTimeout&) = delete;

 private:
  unsigned previous_;
};

// ---- the site

// "/chart/cs/" or "/chart/cs110/" (e2).
std::string ChartPlatformPath(bool useE2);

// ---- day windows and names

constexpr int kDayWindowCount = 4;
// Start text of window i in the address: "0500", "1100", "1700", "2300".
std::string DayWindowStart(int i);

// site::BaseAddress() + ChartPlatformPath + pageKey + ".action?head=" +
// yyyymmdd + window start + "&span=6" (with a bare "&"; DownloadToFile makes
// it "&amp;").
std::string ChartPageAddress(bool useE2, const std::string& pageKey,
                             TDateTime today, int i);

// Page key of a channel: the value of the first entry channel=key of the
// list, empty when there is none.
std::string ChannelPageKey(const StringList& channelKeyList, const std::string& channel);

// ---- fetching

// Every "&" of the address becomes "&amp;".
std::string EscapeAddress(const std::string& address);
// The fetcher's command line for an (already escaped) address and a temp
// file name (Shift-JIS, backslashes; POSIX gets its native form). Empty
// when the address or the name cannot be passed safely.
std::string FetchCommandLine(const std::string& escapedAddress,
                             const std::string& tempFile);

// The download window's routine: returns at once with 0 when Stop is set;
// keeps kRequestSpacingMs since ctx.State.LastRequestTime (yielding); runs
// the fetcher hidden (ended on Stop or after kFetchTimeoutMs, then the page
// counts as no data); copies a non-empty result to dest (replacing it; a
// failed copy is logged as dest + "書き込みエラー"); deletes the temp file;
// then pauses about half a second with the window responsive. Returns the
// size fetched, 0 when nothing came (also when the fetcher reports failure).
// Counts the run of requests that brought nothing (ctx.State.EmptyFetchRun).
std::int64_t DownloadToFile(RunContext& ctx, const std::string& address,
                            const std::string& dest);
// True once the run of requests that brought nothing reached
// kDeadSiteRequests or kDeadSiteSeconds.
bool SiteGivenUp(const DownloadRunState& st);

// The settings window's routine: the same without the spacing and without a
// log; stop is its own stop flag (may be empty).
std::int64_t DownloadToFileNoLog(const std::string& address, const std::string& dest,
                                 const std::function<bool()>& stop);

// The page download phase "DLLTVMurok2": for every dataset and every wanted
// channel that ChannelNumberList holds, the four pages of today's chart day
// into the cache; accepted pages go into DownloadedFiles. Once the site is
// given up (SiteGivenUp) no further page is requested and the log says so
// once: "通信エラーが続いたため残りの番組表を取得しません".
void DownloadChartPages(RunContext& ctx);

}  // namespace kc
