// A failure seam at every input/output call of the program: every file open,
// read, write, flush, close, rename, replace, copy, delete, folder search and
// folder creation, and every process start, is one numbered call; the call
// whose number is armed fails the way the system's would (no file, false,
// -1, an empty search), and every other call passes through. Installed over
// the file layer and the launcher that are in place when it is made, for
// its lifetime. Queries (exists, size, age) are never failed: the program
// reads them as facts, and a failing one only looks like another folder.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/forwarding_fs.h"

namespace kc {
namespace test {

class FaultSeam : public ForwardingFs, public kc::ProcessLauncher {
 public:
  // failAt: the 1-based number of the call that fails; 0 fails none.
  explicit FaultSeam(int failAt = 0)
      : failAt_(failAt), launcher_(kc::Processes()), fs_(*this), processes_(*this) {}

  int Calls() const { return calls_; }
  // What the failed call was ("" when none failed yet).
  const std::string& Failed() const { return failed_; }

  std::unique_ptr<kc::File> Open(const std::string& p, kc::OpenMode m) override {
    if (Fail("open " + p)) return nullptr;
    std::unique_ptr<kc::File> f = base_.Open(p, m);
    if (!f) return nullptr;
    return std::unique_ptr<kc::File>(new SeamFile(std::move(f), *this, p));
  }
  std::vector<kc::FoundFile> FindFiles(const std::string& p, unsigned m) override {
    return Fail("find " + p) ? std::vector<kc::FoundFile>() : base_.FindFiles(p, m);
  }
  bool DeleteFile(const std::string& p) override {
    return !Fail("delete " + p) && base_.DeleteFile(p);
  }
  bool CopyFile(const std::string& a, const std::string& b, bool o) override {
    return !Fail("copy " + a) && base_.CopyFile(a, b, o);
  }
  bool RenameFile(const std::string& a, const std::string& b) override {
    return !Fail("rename " + a) && base_.RenameFile(a, b);
  }
  bool ReplaceFile(const std::string& a, const std::string& b) override {
    return !Fail("replace " + b) && base_.ReplaceFile(a, b);
  }
  bool CreateDir(const std::string& p) override {
    return !Fail("create folder " + p) && base_.CreateDir(p);
  }
  bool ForceDirectories(const std::string& p) override {
    return !Fail("create folder " + p) && base_.ForceDirectories(p);
  }
  std::unique_ptr<kc::Process> Start(const std::string& cmd, int show,
                                       const std::string& dir) override {
    if (Fail("start " + cmd)) return nullptr;
    return launcher_.Start(cmd, show, dir);
  }

 private:
  bool Fail(const std::string& what) {
    if (++calls_ != failAt_) return false;
    failed_ = what;
    return true;
  }

  class SeamFile : public kc::File {
   public:
    SeamFile(std::unique_ptr<kc::File> f, FaultSeam& seam, std::string path)
        : f_(std::move(f)), seam_(seam), path_(std::move(path)) {}
    bool Write(const void* d, std::size_t n) override {
      // A write that fails has stored part of its bytes, as a full disk does.
      if (seam_.Fail("write " + path_)) {
        f_->Write(d, n / 2);
        return false;
      }
      return f_->Write(d, n);
    }
    long long Read(void* d, std::size_t n) override {
      return seam_.Fail("read " + path_) ? -1 : f_->Read(d, n);
    }
    bool Flush() override { return !seam_.Fail("flush " + path_) && f_->Flush(); }
    bool Close() override {
      const bool ok = f_->Close();
      return !seam_.Fail("close " + path_) && ok;
    }
    std::int64_t Size() override { return f_->Size(); }
    bool Seek(std::int64_t o) override { return f_->Seek(o); }
    bool Truncate(std::int64_t s) override { return f_->Truncate(s); }

   private:
    std::unique_ptr<kc::File> f_;
    FaultSeam& seam_;
    std::string path_;
  };

  int failAt_;
  int calls_ = 0;
  std::string failed_;
  kc::ProcessLauncher& launcher_;
  kc::ScopedFs fs_;
  kc::ScopedProcesses processes_;
};

}  // namespace test
}  // namespace kc
