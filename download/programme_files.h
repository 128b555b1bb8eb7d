// The two passes after the page download: every downloaded chart page is
// analysed into its channel's programme file in the temp folder (gaps between
// consecutive programmes closed), then, for every host dataset, the programme
// files of its wanted channels are appended to "..\tvdata" + N + ".csv".
#pragma once

#include <string>

#include "analysis/chart_analyser.h"
#include "core/stringlist.h"

namespace kc {

struct RunContext;
class MemTable;

// Opens of programme and dataset files wait a minute between attempts; this
// many retries after the first attempt.
constexpr int kMergeOpenRetries = 20;


// The page's channel label from the channel table (its TVName) and the
// conversions (entries key=value); false when the table lacks the channel.
bool FindChannelLabel(MemTable& tableSkypch, const StringList& conversions,
                      PageContext& page);

// What the analysis of a page needs besides the page and the tables.
struct PageSettings {
  TDateTime Now = 0;
  std::string DaysAheadText;  // the host's days-ahead setting
  std::string BaseAddress;    // the site's
};
// The context of a chart page file (full name) from its name; throws
// kc::Error when the name's month and day give no date.
PageContext PageContextOfFile(const std::string& pageFile, const PageSettings& settings);
// The analysis of a page as the run binds it: the page labelled from the
// channel table and the conversions, then read, every record handed to
// store. -1 when the table lacks the page's channel (nothing is read), else
// the number of records.
int AnalysePage(const std::string& pageFile, PageContext& page, MemTable& tableSkypch,
                const StringList& conversions, const ChartWalker::StoreFn& store,
                AnalysisSink& sink);
// One programme as a new row of the programme table, which is open.
void AppendProgramme(MemTable& tableMas, const ProgrammeRecord& r);

// Phase "Analyze": the page file (full name) into ctx.TableMas, which is
// open. A channel the table lacks is logged and reads nothing. Returns the
// number of records appended. Reads the days-ahead setting from the host
// settings and uses the site's base address.
int AnalyzeChartPage(RunContext& ctx, const std::string& pageFile);
// The same with the setting's text and the base address given.
int AnalyzeChartPageWith(RunContext& ctx, const std::string& pageFile,
                         const std::string& daysAheadText,
                         const std::string& baseAddress);

// Sorts the open programme table by start and lets every programme end no
// earlier than the next one starts. Overlaps stay; the last row keeps its
// end. Ends early on Stop.
void GapFill(RunContext& ctx);

// Phases "ANATVMurok2", "ANATVMurok2b", then per page "Analyze" and
// "ANATVMurok2a".
void BuildProgrammeFiles(RunContext& ctx);

// Phase "MergeTVMurok". A programme file that cannot be opened within its
// retries ends the merge with an error line naming the file; the programme
// files are then left in the temp folder. A dataset file that cannot be
// opened within its retries, or at once when a folder has its name, gets
// the same line and the merge goes on with the next dataset. A dataset file
// that is missing or empty is new and gets the header; an append to a file
// whose last line has no break starts with one; a failed write cuts the file
// back to its size before the append, is logged and ends the merge.
void MergeIntoDatasets(RunContext& ctx);

}  // namespace kc
