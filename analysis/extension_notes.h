// Broadcast extension notes: a programme summary that says how far the
// programme may run over ("最大延長21時30分まで") gains a warning with the
// number of minutes past the programme's end, so that the host can show it.
#pragma once

#include <string>

#include "core/datetime.h"

namespace kc {

// Returns the summary (Shift-JIS) with "【延長注意N分】" / "【延長注意90分以上】"
// appended for a readable limit note, or " 延長注意" for a note that later
// programmes may shift. Never fails; an unreadable note adds nothing. Only
// the time of day of endDateTime is used.
std::string ApplyExtensionNotes(const std::string& summary, TDateTime endDateTime);

}  // namespace kc
