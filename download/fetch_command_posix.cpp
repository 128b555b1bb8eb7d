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
  std::string native;
  for (std::size_t i = 0; i < tempFile.size();) {
    std::size_t n = SjisCharLen(tempFile, i);
    if (n == 1 && tempFile[i] == '\\')
      native += '/';
    else
      native.append(tempFile, i, n);
    i += n;
  }
  return "wget -q " + Quoted(escapedAddress) + " -O " + Quoted(plat::Cp932ToUtf8(native));
}

}  // namespace kc
