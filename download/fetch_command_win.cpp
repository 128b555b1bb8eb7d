#include "download/page_download.h"

namespace kc {

// Windows PowerShell's wget writes the page to the file named after -O.
std::string FetchCommandLine(const std::string& escapedAddress,
                             const std::string& tempFile) {
  return "powershell wget '" + escapedAddress + "' -O '" + tempFile + "'";
}

}  // namespace kc
