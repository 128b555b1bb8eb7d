// A file system decorator for the storage tests: passes everything to the
// system's own file layer and fails the operations a test picks, so that the
// error paths of table saves and loads and of the log can be driven.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kc {
namespace test {

class FailingFs : public plat::FileSystem {
 public:
  // Installs itself as plat::Fs() for its lifetime.
  FailingFs() : base_(plat::Fs()) { plat::SetFs(this); }
  ~FailingFs() override { plat::SetFs(nullptr); }

  // Open fails (returns nullptr) when this says so.
  std::function<bool(const std::string& path, plat::OpenMode mode)> failOpen;
  // Writes fail once this many writes have succeeded (-1: never).
  int writesBeforeFailure = -1;
  bool failFlush = false;
  bool failClose = false;
  // RenameFile fails when this says so.
  std::function<bool(const std::string& from, const std::string& to)> failRename;
  std::vector<std::string> openedPaths;

  std::unique_ptr<plat::File> Open(const std::string& path, plat::OpenMode mode) override {
    openedPaths.push_back(path);
    if (failOpen && failOpen(path, mode)) return nullptr;
    std::unique_ptr<plat::File> f = base_.Open(path, mode);
    if (!f) return nullptr;
    return std::unique_ptr<plat::File>(new Wrapped(std::move(f), *this));
  }
  bool FileExists(const std::string& p) override { return base_.FileExists(p); }
  bool DirectoryExists(const std::string& p) override { return base_.DirectoryExists(p); }
  std::vector<plat::FoundFile> FindFiles(const std::string& p, unsigned m) override {
    return base_.FindFiles(p, m);
  }
  bool DeleteFile(const std::string& p) override { return base_.DeleteFile(p); }
  bool CopyFile(const std::string& a, const std::string& b, bool o) override {
    return base_.CopyFile(a, b, o);
  }
  bool RenameFile(const std::string& a, const std::string& b) override {
    return failRename && failRename(a, b) ? false : base_.RenameFile(a, b);
  }
  bool CreateDir(const std::string& p) override { return base_.CreateDir(p); }
  bool ForceDirectories(const std::string& p) override { return base_.ForceDirectories(p); }
  std::int64_t FileSize(const std::string& p) override { return base_.FileSize(p); }
  bool FileAge(const std::string& p, TDateTime& out) override { return base_.FileAge(p, out); }
  bool SetFileAge(const std::string& p, TDateTime t) override { return base_.SetFileAge(p, t); }
  std::string GetCurrentDir() override { return base_.GetCurrentDir(); }
  bool SetCurrentDir(const std::string& p) override { return base_.SetCurrentDir(p); }

 private:
  class Wrapped : public plat::File {
   public:
    Wrapped(std::unique_ptr<plat::File> f, FailingFs& owner) : f_(std::move(f)), owner_(owner) {}
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

   private:
    std::unique_ptr<plat::File> f_;
    FailingFs& owner_;
  };

  plat::FileSystem& base_;
};

}  // namespace test
}  // namespace kc
