#include "download/page_download.h"

#include "core/text.h"

namespace kc {

namespace {

// PowerShell takes four characters as the single quote: ' and U+2018 to
// U+201B. Of these the program's character set holds ' and the two that
// 81 65 and 81 66 become (U+2018, U+2019); U+201A and U+201B have no form
// in it and cannot reach the command line. Inside a quoted string each is
// written twice, or it would end the string and let the rest of the name
// run as commands.
const char* const kSingleQuotes[] = {"'", "\x81\x65", "\x81\x66"};

// What quoting cannot carry: control characters (a line break ends the
// command), the double quote (the command line's own argument quoting
// takes it away) and half characters (the conversion for the system
// garbles them and what follows).
bool Passable(const std::string& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F || c == '"') return false;
  return WithoutHalfCharacters(s) == s;
}

std::string Quoted(std::string s) {
  for (const char* q : kSingleQuotes) s = SjisReplaceAll(s, q, std::string(q) + q);
  return "'" + s + "'";
}

}  // namespace

// Windows PowerShell's wget writes the page to the file named after -O.
// Windows PowerShell 5.1 offers only SSL 3 and TLS 1.0 on many systems
// unless told otherwise, and the site is a secure endpoint that asks for
// TLS 1.2 (3072): that is added to the protocols first.
std::string FetchCommandLine(const std::string& escapedAddress,
                             const std::string& tempFile) {
  if (!Passable(escapedAddress) || !Passable(tempFile)) return std::string();
  return "powershell [Net.ServicePointManager]::SecurityProtocol = "
         "[Net.ServicePointManager]::SecurityProtocol -bor 3072; wget " +
         Quoted(escapedAddress) + " -O " + Quoted(tempFile);
}

}  // namespace kc
