// Opening files that the host may hold at the moment: a few attempts, one
// minute apart.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace kc {

// Up to retries + 1 attempts, one minute (WaitMinutes(1)) apart; nullptr when
// every attempt failed.
std::unique_ptr<kc::File> AppendWithRetry(const std::string& path, int retries);
std::unique_ptr<kc::File> ResetWithRetry(const std::string& path, int retries);
std::unique_ptr<kc::File> RewriteWithRetry(const std::string& path, int retries);

}  // namespace kc
