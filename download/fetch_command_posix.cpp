#include "download/page_download.h"

#include "core/text.h"
#include "platform/platform.h"

namespace kc {

namespace {
// Inside the shell's single quotes nothing is special but the quote itself,
// which is closed, escaped and reopened. Names without quotes are unchanged.
std::string Quoted(const std::string& s) { return "'" + ByteReplaceAll(s, "'", "'\\''") + "'"; }
}  // namespace

// GNU wget in place of PowerShell's. The shell sees the temp file in its
// native form: "/" for the backslashes of our names and UTF-8 text.
std::string FetchCommandLine(const std::string& escapedAddress,
                             const std::string& tempFile) {
  return "wget -q " + Quoted(escapedAddress) + " -O " + Quoted(plat::NativePath(tempFile));
}

}  // namespace kc
