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

}  // namespace kc
