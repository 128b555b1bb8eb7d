// The two passes after the page download: every downloaded chart page is
// analysed into its channel's programme file in the temp folder (gaps between
// consecutive programmes closed), then, for every host dataset, the programme
// files of its wanted channels are appended to "..\tvdata" + N + ".csv".
#pragma once

#include <string>

namespace kc {

struct RunContext;
class MemTable;

// Opens of programme and dataset files wait a minute between attempts; this
// many retries after the first attempt.
constexpr int kMergeOpenRetries = 20;

// TempFolder() + "tvmurok" + ChannelKeyText(channel) + ".dat".
std::string ProgrammeFile(const std::string& channel);
// pluginFolder + "..\tvdata" + n + ".csv".
std::string DataSetFile(const std::string& pluginFolder, int n);

// Sorts the open programme table by start and lets every programme end no
// earlier than the next one starts. Overlaps stay; the last row keeps its
// end. Ends early on Stop.
void GapFill(RunContext& ctx);

// Phases "ANATVMurok2", "ANATVMurok2b", then per page "Analyze" and
// "ANATVMurok2a".
void BuildProgrammeFiles(RunContext& ctx);

// Phase "MergeTVMurok". A programme or dataset file that cannot be opened
// within its retries ends the merge with an error line naming the file; the
// programme files are then left in the temp folder.
void MergeIntoDatasets(RunContext& ctx);

}  // namespace kc
