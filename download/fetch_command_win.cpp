#include "download/page_download.h"

#include "core/text.h"

namespace kc {

namespace {
// Inside PowerShell's single quotes a quote is written twice; without it a
// quote in the temp folder's name would end the string and let the rest of
// the name run as commands. Names without quotes are unchanged.
std::string Quoted(const std::string& s) { return "'" + SjisReplaceAll(s, "'", "''") + "'"; }
}  // namespace

// Windows PowerShell's wget writes the page to the file named after -O.
std::string FetchCommandLine(const std::string& escapedAddress,
                             const std::string& tempFile) {
  return "powershell wget " + Quoted(escapedAddress) + " -O " + Quoted(tempFile);
}

}  // namespace kc
