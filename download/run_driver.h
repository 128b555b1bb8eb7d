// The download run: the one run that the download window performs by itself
// on its first activation (clean-up, channel list, page download, analysis,
// merge, end line).
#pragma once

#include "download/run_context.h"

namespace kc {

// The run (`Main`). Raises only what escapes its phases; the window closes
// afterwards whatever happens.
void Main(RunContext& ctx);

}  // namespace kc
