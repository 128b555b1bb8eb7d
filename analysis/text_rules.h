// Text rules of the listing analysis: page text (UTF-8) to Shift-JIS with its
// clean-up of dashes and left-over hexadecimal references, and the title and
// summary marks in lenticular brackets that the host shows. All searching on
// Shift-JIS text matches whole characters only.
#pragma once

#include <string>

#include "core/run_flags.h"

namespace kc {

// UTF-8 text piece to Shift-JIS: minus sign and wave dash are first mapped to
// the forms that convert to the host's "―" and "～"; characters without a
// Shift-JIS form (four-byte sequences included) become "?". Malformed UTF-8
// gives an empty result.
std::string DecodePageText(const std::string& utf8);

// DecodePageText, then the dash rule ("―" between kana, full-width or ASCII
// alphanumerics becomes "ー", "－" or "-") and the rule for "&#x" references
// the tokenizer left behind. The latter stops early once a flag is set.
std::string NormaliseText(const std::string& text, const StopFlags& flags = {});

// Rewrites the brackets of a programme's title and summary (memo), strips a
// leading time from the title, notes "最大延長" in the memo, and moves the
// new / final / repeat marks from the memo into the title. In place.
void ApplyTitleMarks(std::string& title, std::string& memo);

}  // namespace kc
