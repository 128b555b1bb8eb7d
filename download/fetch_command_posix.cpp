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
// native form: "/" for the backslashes of our names and UTF-8 text. One
// request per page, as PowerShell's makes: wget by itself would try a
// dropped connection twenty times and wait fifteen minutes for a silent one.
std::string FetchCommandLine(const std::string& escapedAddress,
                             const std::string& tempFile) {
  return "wget -q --tries=1 --connect-timeout=15 --read-timeout=30 " + Quoted(escapedAddress) +
         " -O " + Quoted(plat::NativePath(tempFile));
}

}  // namespace kc
