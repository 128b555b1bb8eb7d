// A file system that passes every call to another one (the file layer in
// place when it is made). Test fakes derive from it and override only the
// calls they fail or count.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kc {
namespace test {

class ForwardingFs : public kc::FileSystem {
 public:
  ForwardingFs() : base_(kc::Fs()) {}

  std::unique_ptr<kc::File> Open(const std::string& p, kc::OpenMode m) override {
    return base_.Open(p, m);
  }
  bool FileExists(const std::string& p) override { return base_.FileExists(p); }
  bool DirectoryExists(const std::string& p) override { return base_.DirectoryExists(p); }
  std::vector<kc::FoundFile> FindFiles(const std::string& p, unsigned m) override {
    return base_.FindFiles(p, m);
  }
  bool DeleteFile(const std::string& p) override { return base_.DeleteFile(p); }
  bool CopyFile(const std::string& a, const std::string& b, bool o) override {
    return base_.CopyFile(a, b, o);
  }
  bool RenameFile(const std::string& a, const std::string& b) override {
    return base_.RenameFile(a, b);
  }
  bool ReplaceFile(const std::string& a, const std::string& b) override {
    return base_.ReplaceFile(a, b);
  }
  bool CreateDir(const std::string& p) override { return base_.CreateDir(p); }
  bool ForceDirectories(const std::string& p) override { return base_.ForceDirectories(p); }
  std::int64_t FileSize(const std::string& p) override { return base_.FileSize(p); }
  bool FileAge(const std::string& p, TDateTime& out) override { return base_.FileAge(p, out); }
  bool SetFileAge(const std::string& p, TDateTime t) override { return base_.SetFileAge(p, t); }
  std::string GetCurrentDir() override { return base_.GetCurrentDir(); }
  bool SetCurrentDir(const std::string& p) override { return base_.SetCurrentDir(p); }

 protected:
  kc::FileSystem& base_;
};

}  // namespace test
}  // namespace kc
