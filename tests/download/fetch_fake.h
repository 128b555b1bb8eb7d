// A stand-in for the page fetcher in unit tests: records every command line
// it is asked to start and writes a chosen body to the file named after -O,
// as the real fetcher would. Installed for its lifetime.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/test_support.h"

namespace kc {
namespace test {

struct FetchCall {
  std::string CommandLine;
  std::string Address;  // between the first pair of single quotes
  std::string OutFile;  // after -O, in the form the command line holds
  int ShowState = -1;
};

class FakeFetcher : public kc::ProcessLauncher {
 public:
  // Body for the n-th call (0-based); nullopt: the fetcher writes no file.
  std::function<std::optional<std::string>(const FetchCall&, int n)> Body;
  // Called when the n-th process starts (before the body is written).
  std::function<void(int n)> OnStart;
  // The process runs until Terminate (a fetcher that hangs).
  bool NeverEnds = false;
  // Exit status of the n-th call (empty: 0, success).
  std::function<int(int n)> Status;
  std::vector<FetchCall> Calls;
  int Terminated = 0;

  FakeFetcher() : use_(*this) {}

  std::unique_ptr<kc::Process> Start(const std::string& commandLine, int showState,
                                       const std::string&) override {
    FetchCall c;
    c.CommandLine = commandLine;
    c.ShowState = showState;
    std::size_t a = commandLine.find('\'');
    std::size_t b = a == std::string::npos ? a : commandLine.find('\'', a + 1);
    if (b != std::string::npos) c.Address = commandLine.substr(a + 1, b - a - 1);
    std::size_t o = commandLine.find("-O '");
    if (o != std::string::npos && commandLine.size() > o + 5)
      c.OutFile = commandLine.substr(o + 4, commandLine.size() - o - 5);
    int n = static_cast<int>(Calls.size());
    Calls.push_back(c);
    if (OnStart) OnStart(n);
    if (Body) {
      std::optional<std::string> body = Body(c, n);
      if (body) WriteBytes(c.OutFile, *body);
    }
    auto p = std::make_unique<Proc>(this);
    p->status = Status ? Status(n) : 0;
    return p;
  }

 private:
  struct Proc : kc::Process {
    explicit Proc(FakeFetcher* f) : owner(f) {}
    FakeFetcher* owner;
    bool ended = false;
    int status = 0;
    bool Running() override { return owner->NeverEnds && !ended; }
    int ExitCode() override { return ended || Running() ? -1 : status; }
    void Terminate() override {
      if (!ended) ++owner->Terminated;
      ended = true;
    }
  };

  kc::ScopedProcesses use_;
};

}  // namespace test
}  // namespace kc
