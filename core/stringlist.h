// Lists of text as the windows keep them: plain vectors of Shift-JIS byte
// strings, with the name=value look-ups and the line split and join of whole
// texts (platform/text_files.h loads and saves them).
#pragma once

#include <string>
#include <vector>

namespace kc {

using StringList = std::vector<std::string>;

// Index of the first entry equal to value (exact bytes), -1 when absent.
int IndexOf(const StringList& list, const std::string& value);

// Entries of the form name=value: the name is the text before the first "=".
// IndexOfName compares names case-insensitively (ASCII); ValueOf gives the
// text after the first "=" of the first entry with that name, empty when
// absent.
int IndexOfName(const StringList& list, const std::string& name);
std::string ValueOf(const StringList& list, const std::string& name);

// The one rule for where a line ends, as the host's runtime splits text: CR
// LF, LF or CR ends the line that starts at from (the last line needs no
// break). Returns the end of its text and sets next to where the next line
// starts (text.size() after the last).
std::size_t LineEnd(const std::string& text, std::size_t from, std::size_t& next);

// Splits a whole text into lines by that rule (no empty last line for a text
// that ends with a line break); a NUL byte ends the text, as it ends the
// runtime's.
StringList SplitLines(const std::string& text);
// Joins with CR LF after every line, the last one too.
std::string JoinLinesCrLf(const StringList& list);

}  // namespace kc
