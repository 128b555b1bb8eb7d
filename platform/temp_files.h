// The temp folder the run works in and the unique names of its download
// files.
#pragma once

#include <string>

namespace kc {

// The variable "temp", trimmed, + "\" (the system's temp folder when the variable is
// unset, never the root of the drive). A value the program's text cannot
// hold gives the folder's short name (Windows), or kc::Error when there is
// none it can hold.
std::string TempFolder();
// TempFolder + "_v" + hhnnssz + ".tmp", a name no file has.
std::string UniqueTempFileName();

}  // namespace kc
