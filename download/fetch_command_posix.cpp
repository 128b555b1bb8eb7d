#include "download/page_download.h"

#include "core/text.h"

namespace kc {

namespace {
// Inside the shell's single quotes nothing is special but the quote itself,
// which is closed, escaped and reopened. Names without quotes are unchanged.
std::string Quoted(const std::string& s) { return "'" + ByteReplaceAll(s, "'", "'\\''") + "'"; }

// The name with "/" for its backslashes, still Shift-JIS: the launcher
// converts the whole command line to the system's UTF-8 once (a path
// converted here already would be converted twice and garbled).
std::string Slashed(const std::string& path) {
  std::string p = path;
  for (std::size_t i = 0; i < p.size(); i += SjisCharLen(p, i))
    if (p[i] == '\\') p[i] = '/';
  return p;
}
}  // namespace

// GNU wget in place of PowerShell's. The shell sees the temp file in its
// native form: "/" for the backslashes of our names and UTF-8 text. One
// request per page, as PowerShell's makes: wget by itself would try a
// dropped connection twenty times and wait fifteen minutes for a silent one.
std::string FetchCommandLine(const std::string& escapedAddress,
                             const std::string& tempFile) {
  return "wget -q --tries=1 --connect-timeout=15 --read-timeout=30 " + Quoted(escapedAddress) +
         " -O " + Quoted(Slashed(tempFile));
}

}  // namespace kc
