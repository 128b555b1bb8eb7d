// What the two backends share behind platform.h: the hooks each backend
// provides to the common code, and the pieces of logic (wildcards, attribute
// filter, calendar arithmetic) that both use so they behave alike.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace kc {
namespace detail {

// Backend hooks.
TDateTime SystemNow();
void SystemSleepMs(unsigned ms);
FileSystem& SystemFs();
ProcessLauncher& SystemProcesses();

// Wildcard match of a Shift-JIS name against a pattern of "*" and "?" (one
// character, two bytes for a double-byte one), ASCII case ignored. A trailing
// ".*" also matches a name without an extension, as the system search does.
bool WildcardMatch(const std::string& pattern, const std::string& name);

// Whether an entry with these attributes is part of a search with attrMask:
// hidden, system and folder entries only when asked for, and then any entry
// that has one of the asked-for attributes.
bool AttrSelected(unsigned attr, unsigned attrMask);

// Splits a path into folder (with separator) and the last part.
std::size_t LastSeparator(const std::string& path);  // npos when none

}  // namespace detail
}  // namespace kc
