// Placeholder until the run's phases land: the run does nothing yet.
#include "download/run_driver.h"

namespace kc {

void Main(RunContext& ctx) { ctx.State.PhaseName = "Main"; }

}  // namespace kc
