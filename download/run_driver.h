// The download run: the one run that the download window performs by itself
// on its first activation (clean-up, channel list, page download, analysis,
// merge, end line).
#pragma once

#include "download/run_context.h"

namespace kc {

// The application title, which the run also writes to the log after the
// log's own start lines.
constexpr const char kAppTitle[] = "Kanalia(CS)プラグイン";

// What the download window's first activation does before the run, phase
// "FormActivate": the host folder from the plug-in folder, the channel table
// opened, the platform setting read, the log switched on with the
// application title as its first line, the datasets counted.
void PrepareRun(RunContext& ctx);
// After a failure: switches the log on when the failure came before it was,
// so that the failure still gets its error line.
void EnsureRunLogActive(RunContext& ctx);

// The run (`Main`). Raises only what escapes its phases; the window closes
// afterwards whatever happens.
void Main(RunContext& ctx);

// Deletes the run's work files ("tvmurok*.*") in the temp folder.
void DeleteTemp(RunContext& ctx);
// Deletes cache pages last written before CacheCutOff.
void DeleteCache(RunContext& ctx);
// Seven days before today, at 10:00: older cache pages go.
TDateTime CacheCutOff(TDateTime now);

}  // namespace kc
