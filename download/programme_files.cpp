#include "download/programme_files.h"

#include <exception>
#include <memory>

#include "analysis/analysis_sink.h"
#include "analysis/chart_analyser.h"
#include "analysis/site.h"
#include "core/error.h"
#include "core/text.h"
#include "download/channel_entry.h"
#include "download/host_files.h"
#include "download/host_settings.h"
#include "download/run_context.h"
#include "download/run_report.h"
#include "platform/message_pump.h"
#include "platform/platform.h"
#include "platform/retry_open.h"
#include "platform/temp_files.h"
#include "storage/log_file.h"
#include "storage/memtable.h"

namespace kc {

namespace {

const char kHeaderMark[] = "\"開始時間\",\"チャンネル\"";

std::string PageChannel(const std::string& pageFile) {
  return ReadChartPageFileName(kc::ExtractFileName(pageFile)).Channel;
}

// Every row of the channel table, in table order.
template <class Fn>
void ForEachChannelRow(MemTable& t, Fn fn) {
  if (!t.Active()) t.Open();
  t.First();
  while (!t.Eof()) {
    fn(t);
    t.Next();
  }
}

void DeleteProgrammeFiles(RunContext& ctx, bool logFailures) {
  ForEachChannelRow(ctx.TableSkypch, [&](MemTable& t) {
    std::string channel;
    try {
      channel = t.FieldByName("TVChannel").AsString();
      // A row that names no file was logged by the first clean-up.
      if (!logFailures && !IsDecimalText(channel)) return;
      std::string f = ProgrammeFile(channel);
      if (kc::Fs().FileExists(f)) kc::Fs().DeleteFile(f);
    } catch (const std::exception&) {
      if (!logFailures) throw;
      ctx.Log.WriteLine("TVChannelエラー:" + channel, true);
    }
  });
}

// The whole file as lines: LF ends a line, a CR before it is dropped, a last
// line without a break counts too. Not the runtime's rule (SplitLines): a
// NUL byte, which a page can bring into a programme, must not end the file.
bool ReadLines(kc::File& f, StringList& lines) {
  std::string all;
  if (!kc::ReadRest(f, all)) return false;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t lf = all.find('\n', start);
    std::size_t end = lf == std::string::npos ? all.size() : lf;
    std::size_t len = end - start;
    if (len > 0 && all[end - 1] == '\r') --len;
    lines.push_back(all.substr(start, len));
    if (lf == std::string::npos) break;
    start = lf + 1;
  }
  return true;
}

void OpenFailed(RunContext& ctx, const std::string& path) {
  ctx.Log.WriteLine(ctx.State.PhaseName + ": " + CannotOpenText(path), true);
}

// The analysis of a page as the run shows it: the first progress bar counts
// the page's elements, the window's messages flow after each, and the run's
// Stop and Skip end it.
class RunAnalysisSink : public AnalysisSink {
 public:
  explicit RunAnalysisSink(RunContext& ctx) : ctx_(ctx) {}
  StopFlags Stops() const override { return FlagsOf(ctx_.State); }
  void ShowProgress(int done) override { ctx_.View.ShowProgress(done); }
  void YieldToWindow() override { YieldToMessages(); }
  void TokenizerYield(bool processMessages) override {
    if (ctx_.TokenizerYield) ctx_.TokenizerYield(processMessages);
  }

 private:
  RunContext& ctx_;
};

}  // namespace

bool FindChannelLabel(MemTable& tableSkypch, const StringList& conversions,
                      PageContext& page) {
  if (!tableSkypch.Locate("TVChannel", IntToStr(page.ChannelNumber))) return false;
  const std::string station = tableSkypch.FieldByName("TVName").AsString();
  page.ChannelLabel =
      MakeChannelLabel(page.ChannelNumber, ValueOf(conversions, page.ChannelText), station);
  return true;
}

PageContext PageContextOfFile(const std::string& pageFile, const PageSettings& settings) {
  const ChartPageName name = ReadChartPageFileName(kc::ExtractFileName(pageFile));
  return MakePageContext(name.Channel, name.Month, name.Day, settings.Now,
                         settings.DaysAheadText, settings.BaseAddress);
}

int AnalysePage(const std::string& pageFile, PageContext& page, MemTable& tableSkypch,
                const StringList& conversions, const ChartWalker::StoreFn& store,
                AnalysisSink& sink) {
  if (!FindChannelLabel(tableSkypch, conversions, page)) return -1;
  return ReadChartPage(pageFile, page, store, sink);
}

void AppendProgramme(MemTable& t, const ProgrammeRecord& r) {
  t.Append();
  t.FieldByName("StartDateTime").SetAsDateTime(r.StartDateTime);
  t.FieldByName("TVChannel").SetAsString(WithoutHalfCharacters(r.TVChannel));
  t.FieldByName("EndDateTime").SetAsDateTime(r.EndDateTime);
  // The "&#x" rule can make any byte and a link is the page's bytes: a
  // half character would shift the host's reading of the line.
  t.FieldByName("Title").SetAsString(WithoutHalfCharacters(r.Title));
  t.FieldByName("Memo").SetAsString(WithoutHalfCharacters(r.Memo));
  t.FieldByName("Categorie").SetAsInteger(r.Categorie);
  t.FieldByName("url").SetAsString(WithoutHalfCharacters(r.url));
  t.FieldByName("GCODE").SetAsString(WithoutHalfCharacters(r.GCODE));
  t.FieldByName("Flag").SetAsInteger(r.Flag);
  t.Post();
}

int AnalyzeChartPageWith(RunContext& ctx, const std::string& pageFile,
                         const std::string& daysAheadText,
                         const std::string& baseAddress) {
  ctx.State.PhaseName = "Analyze";
  PageContext page = PageContextOfFile(pageFile, {kc::Now(), daysAheadText, baseAddress});
  RunAnalysisSink sink(ctx);
  const int n = AnalysePage(
      pageFile, page, ctx.TableSkypch, ctx.State.ChannelConversionList,
      [&ctx](const ProgrammeRecord& r) { AppendProgramme(ctx.TableMas, r); }, sink);
  if (n >= 0) return n;
  ctx.Log.WriteLine("チャンネル名取得エラー [" + pageFile + "]", true);
  return 0;
}

int AnalyzeChartPage(RunContext& ctx, const std::string& pageFile) {
  return AnalyzeChartPageWith(ctx, pageFile,
                              ReadSetup(ctx.State.PluginFolder, host::kDaysAhead),
                              site::BaseAddress());
}

void GapFill(RunContext& ctx) {
  MemTable& t = ctx.TableMas;
  t.SortOn("StartDateTime");
  if (t.RecordCount() == 0) return;
  Field& start = t.FieldByName("StartDateTime");
  Field& end = t.FieldByName("EndDateTime");
  TDateTime next = 0;
  t.Last();
  while (!t.Bof() && !ctx.State.StopRequested) {
    if (MillisecondsOf(end.AsDateTime()) < MillisecondsOf(next)) {
      t.Edit();
      end.SetAsDateTime(next);
      t.Post();
    }
    next = start.AsDateTime();
    t.Prior();
    YieldToMessages();
  }
}

void BuildProgrammeFiles(RunContext& ctx) {
  DownloadRunState& st = ctx.State;
  st.PhaseName = "ANATVMurok2";
  st.SkipRequested = false;
  ctx.View.SetProgressRange(static_cast<int>(st.DownloadedFiles.size()));
  ctx.View.ShowProgress(0);

  LoadChannelConversions(ctx);

  st.PhaseName = "ANATVMurok2b";
  DeleteProgrammeFiles(ctx, true);

  st.SkipRequested = false;
  MemTable& mas = ctx.TableMas;
  mas.PersistentFile.clear();
  ctx.View.ShowProgress(0);

  // A copy: the list is the run's and stays as it is, but a button handler
  // running inside a yield must not invalidate what we iterate.
  const StringList files = st.DownloadedFiles;
  for (const std::string& page : files) {
    if (st.StopRequested || st.SkipRequested) break;
    if (kc::Fs().FileExists(page)) {
      std::string channel = PageChannel(page);
      ctx.View.ShowDetail(channel + "チャンネルをダウンロード中・・・");
      std::string f = ProgrammeFile(channel);
      if (mas.Active() && mas.PersistentFile != f) mas.Close();
      mas.PersistentFile = f;
      if (!mas.Active()) mas.Open();
      int n = AnalyzeChartPage(ctx, page);
      NotePageAnalysed(st.Report, channel, n, !st.StopRequested && !st.SkipRequested);
      // A page that gave nothing is fetched anew by a later run.
      if (n == 0) kc::Fs().DeleteFile(page);
      st.PhaseName = "ANATVMurok2a";
      // Closing the window during the page closes (and saves) the table
      // too; the run then only unwinds.
      if (mas.Active()) GapFill(ctx);
      mas.Close();
    }
    ctx.View.ShowProgress(ctx.View.Progress() + 1);
    YieldToMessages();
  }
  if (mas.Active()) mas.Close();
  ctx.View.ShowDetail("");
}

// True when the file's last byte ends a line (or the file is empty or
// cannot be read: nothing to glue onto then that we could see).
bool EndsWithLineBreak(const std::string& path) {
  std::unique_ptr<kc::File> f = kc::Fs().Open(path, kc::OpenMode::Read);
  if (!f) return true;
  const std::int64_t size = f->Size();
  char last = '\n';
  if (size > 0 && (!f->Seek(size - 1) || f->Read(&last, 1) != 1)) last = '\n';
  f->Close();
  return last == '\n';
}

enum class AppendResult { Done, TargetUnavailable, WriteFailed };

// One programme file's lines appended to a dataset file. The header line
// goes only into a file that is new or empty, and only once; a file whose
// last line lacks its break gets one first, so that no record is glued on.
// A failed write cuts the file back to its size before this append, so that
// the host never reads a half line.
AppendResult AppendToDataset(RunContext& ctx, const std::string& target,
                             const StringList& lines) {
  DownloadRunState& st = ctx.State;
  kc::FileSystem& fs = kc::Fs();
  // A folder of that name does not go away by waiting for it.
  if (fs.DirectoryExists(target)) return AppendResult::TargetUnavailable;
  const bool created = fs.FileSize(target) <= 0;
  const bool needsBreak = !created && !EndsWithLineBreak(target);
  std::unique_ptr<kc::File> out = created ? RewriteWithRetry(target, kMergeOpenRetries)
                                            : AppendWithRetry(target, kMergeOpenRetries);
  if (!out) return AppendResult::TargetUnavailable;
  const std::int64_t before = created ? 0 : out->Size();
  std::string pending = needsBreak ? "\r\n" : "";
  bool firstLine = created;
  long long programmes = 0;
  for (const std::string& line : lines) {
    if (st.StopRequested || st.SkipRequested) break;
    const bool header = SjisContains(line, kHeaderMark);
    if (!header || firstLine) {
      pending += line;
      pending += "\r\n";
      if (!out->Write(pending.data(), pending.size())) {
        // A full disk or a lost share: say so instead of reporting a normal
        // end with lines missing from the dataset.
        if (before >= 0) out->Truncate(before);
        out->Close();
        ctx.Log.WriteLine(st.PhaseName + ": ファイル " + target + " に書き込めません", true);
        return AppendResult::WriteFailed;
      }
      pending.clear();
      firstLine = false;
      if (!header) ++programmes;
    }
    YieldToMessages();
  }
  out->Close();
  NoteLinesAppended(st.Report, target, programmes);
  return AppendResult::Done;
}

void MergeIntoDatasets(RunContext& ctx) {
  DownloadRunState& st = ctx.State;
  st.PhaseName = "MergeTVMurok";
  bool anyData = false;
  for (int n = 0; n < st.DataSetCount && !st.StopRequested; ++n) {
    const std::string target = DataSetFile(st.PluginFolder, n);
    GetDataSetChannels(ctx, n);
    const StringList channels = st.DataSetChannels;
    st.SkipRequested = false;
    ctx.View.ShowDetail("データセット" + IntToStr(n) + "マージ中...");
    for (const std::string& c : channels) {
      if (st.StopRequested || st.SkipRequested) break;
      const std::string source = ProgrammeFile(c);
      if (kc::Fs().FileExists(source)) {
        anyData = true;
        std::unique_ptr<kc::File> in = ResetWithRetry(source, kMergeOpenRetries);
        StringList lines;
        if (!in || !ReadLines(*in, lines)) {
          OpenFailed(ctx, source);
          return;
        }
        const bool hasData = in->Size() > 0;
        in->Close();
        if (hasData) {
          const AppendResult r = AppendToDataset(ctx, target, lines);
          if (r == AppendResult::WriteFailed) return;
          if (r == AppendResult::TargetUnavailable) {
            // The other datasets still get their programmes.
            OpenFailed(ctx, target);
            break;
          }
        }
      }
      YieldToMessages();
    }
    YieldToMessages();
  }
  DeleteProgrammeFiles(ctx, false);
  if (anyData) {
    ctx.View.ShowDetail("");
  } else {
    const std::string none = "取得した番組表データがありません.";
    ctx.View.ShowDetail(none);
    ctx.Log.WriteLine(none);
  }
}

}  // namespace kc
