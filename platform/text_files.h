// Whole text files as lists of lines (the channel number list, the
// conversion list).
#pragma once

#include <string>

#include "core/stringlist.h"

namespace kc {

// Through the platform file layer (path is a Shift-JIS, backslash-separated
// name). Load splits at CR LF, LF or CR and throws kc::Error when the file
// cannot be opened; Save writes every line with CR LF and throws when it
// cannot be written.
StringList LoadStringListFromFile(const std::string& path);
void SaveStringListToFile(const StringList& list, const std::string& path);

}  // namespace kc
