// The one exception type of the program. Its message is Shift-JIS text; the
// application-wide handler writes PhaseName + ": " + message to the log.
#pragma once

#include <stdexcept>
#include <string>

namespace kc {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// The texts of a file that cannot be opened for reading or created for
// writing. The host's own runtime words them so, and the log shows them to
// the user as they are.
inline std::string CannotOpenText(const std::string& path) {
  return "ファイル " + path + " は開けません";
}
inline std::string CannotCreateText(const std::string& path) {
  return "ファイル " + path + " を作成できません";
}

}  // namespace kc
