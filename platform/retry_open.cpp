#include "platform/retry_open.h"

#include "platform/message_pump.h"

namespace kc {

namespace {

std::unique_ptr<kc::File> OpenWithRetry(const std::string& path, kc::OpenMode mode,
                                          int retries) {
  for (int attempt = 0; attempt <= retries; ++attempt) {
    // Read mode is read-only and shares the file with everyone, every time.
    std::unique_ptr<kc::File> f = kc::Fs().Open(path, mode);
    if (f) return f;
    if (attempt < retries) WaitMinutes(1);
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<kc::File> AppendWithRetry(const std::string& path, int retries) {
  return OpenWithRetry(path, kc::OpenMode::Append, retries);
}

std::unique_ptr<kc::File> ResetWithRetry(const std::string& path, int retries) {
  return OpenWithRetry(path, kc::OpenMode::Read, retries);
}

std::unique_ptr<kc::File> RewriteWithRetry(const std::string& path, int retries) {
  return OpenWithRetry(path, kc::OpenMode::Rewrite, retries);
}

}  // namespace kc
