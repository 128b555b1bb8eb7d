// A file system decorator for the storage tests: passes everything to the
// system's own file layer and fails the operations a test picks, so that the
// error paths of table saves and loads and of the log can be driven.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/forwarding_fs.h"

namespace kc {
namespace test {

class FailingFs : public ForwardingFs {
 public:
  // Installs itself as kc::Fs() for its lifetime.
  FailingFs() : use_(*this) {}

  // Open fails (returns nullptr) when this says so.
  std::function<bool(const std::string& path, kc::OpenMode mode)> failOpen;
  // Writes fail once this many writes have succeeded (-1: never).
  int writesBeforeFailure = -1;
  bool failFlush = false;
  bool failClose = false;
  // RenameFile and ReplaceFile fail when this says so.
  std::function<bool(const std::string& from, const std::string& to)> failRename;
  std::vector<std::string> openedPaths;

  std::unique_ptr<kc::File> Open(const std::string& path, kc::OpenMode mode) override {
    openedPaths.push_back(path);
    if (failOpen && failOpen(path, mode)) return nullptr;
    std::unique_ptr<kc::File> f = base_.Open(path, mode);
    if (!f) return nullptr;
    return std::unique_ptr<kc::File>(new Wrapped(std::move(f), *this));
  }
  bool RenameFile(const std::string& a, const std::string& b) override {
    return failRename && failRename(a, b) ? false : base_.RenameFile(a, b);
  }
  bool ReplaceFile(const std::string& a, const std::string& b) override {
    return failRename && failRename(a, b) ? false : base_.ReplaceFile(a, b);
  }

 private:
  class Wrapped : public kc::File {
   public:
    Wrapped(std::unique_ptr<kc::File> f, FailingFs& owner) : f_(std::move(f)), owner_(owner) {}
    bool Write(const void* data, std::size_t size) override {
      if (owner_.writesBeforeFailure == 0) return false;
      if (owner_.writesBeforeFailure > 0) --owner_.writesBeforeFailure;
      return f_->Write(data, size);
    }
    long long Read(void* data, std::size_t size) override { return f_->Read(data, size); }
    bool Flush() override { return owner_.failFlush ? false : f_->Flush(); }
    bool Close() override {
      bool ok = f_->Close();
      return owner_.failClose ? false : ok;
    }
    std::int64_t Size() override { return f_->Size(); }
    bool Seek(std::int64_t offset) override { return f_->Seek(offset); }
    bool Truncate(std::int64_t size) override { return f_->Truncate(size); }

   private:
    std::unique_ptr<kc::File> f_;
    FailingFs& owner_;
  };

  kc::ScopedFs use_;
};

}  // namespace test
}  // namespace kc
