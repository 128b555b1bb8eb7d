// Any programme file merged into any dataset file, as the end of a download
// run does it: the dataset file keeps every byte it had, a last line without
// its break gets one, the programme file's lines follow in order, each ended
// by CR LF, with the header only in a file that was new or empty (a file that
// gets no line gets no break either); nothing is
// logged and the programme file is gone. The input is one flag byte (bit 0:
// the dataset file exists), two bytes giving the length of the dataset
// file's content, that content, then the programme file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/text.h"
#include "download/host_files.h"
#include "download/programme_files.h"
#include "download/run_context.h"
#include "fuzz/fuzz_support.h"
#include "platform/platform.h"
#include "storage/log_file.h"
#include "storage/memtable.h"
#include "storage/tables.h"

namespace {

class QuietView : public kc::RunView {
 public:
  void ShowPhase(const std::string&) override {}
  void ShowDetail(const std::string& t) override { detail_ = t; }
  std::string Detail() const override { return detail_; }
  void SetProgressRange(int) override {}
  void ShowProgress(int p) override { pos_ = p; }
  int Progress() const override { return pos_; }
  void SetRunProgressRange(int) override {}
  void ShowRunProgress(int) override {}

 private:
  std::string detail_;
  int pos_ = 0;
};

const char kHeaderMark[] = "\"開始時間\",\"チャンネル\"";

// One dataset that takes the listings and wants channel 101.
void SetUpHost() {
  static bool done = false;
  if (done) return;
  done = true;
  using kc::fuzz::WriteFile;
  WriteFile("hoz.ini", "[TSetup.DataList_Items]\r\nCount=1\r\n[DataSet 0]\r\ncount=1\r\nArea 0=True\r\n");
  WriteFile("tvskypch.ini", "[DataSet 0]\r\ntvch 101=True\r\n");
  WriteFile("plugin/.keep", "");
  WriteFile("temp/.keep", "");
  setenv("temp", kc::fuzz::ProductPath("temp").c_str(), 1);
}

// What the dataset file holds after the merge.
std::string Expected(bool existed, const std::string& old, const std::string& programme) {
  if (programme.empty()) return existed ? old : std::string();
  const bool created = !existed || old.empty();
  std::string out;
  bool first = created;
  std::size_t start = 0;
  while (start < programme.size()) {
    std::size_t lf = programme.find('\n', start);
    std::size_t end = lf == std::string::npos ? programme.size() : lf;
    std::string line = programme.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first || !kc::SjisContains(line, kHeaderMark)) out += line + "\r\n";
    first = false;
    if (lf == std::string::npos) break;
    start = lf + 1;
  }
  if (created) return out;
  // The break goes in with the first line appended, not on its own.
  if (!out.empty() && old.back() != '\n') out.insert(0, "\r\n");
  return old + out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using kc::fuzz::Check;
  if (size < 3) return 0;
  SetUpHost();
  const bool existed = (data[0] & 1) != 0;
  const std::size_t oldLen = std::min<std::size_t>(data[1] | (data[2] << 8), size - 3);
  const std::string old(reinterpret_cast<const char*>(data) + 3, oldLen);
  const std::string programme(reinterpret_cast<const char*>(data) + 3 + oldLen,
                              size - 3 - oldLen);

  kc::DownloadRunState state;
  state.PluginFolder = kc::fuzz::ProductPath("plugin") + "\\";
  state.HostFolder = state.PluginFolder + "..";
  state.DataSetCount = 1;
  QuietView view;
  kc::TLogFile log;
  kc::MemTable channels("TableSkypch");
  kc::DefineTableSkypch(channels, "");
  channels.Persistent = false;
  channels.Open();
  kc::AppendChannel(channels, "101", "x", 0);
  kc::MemTable mas("TableMas");
  kc::RunContext ctx{state, view, log, channels, mas};
  log.SetLogFileName(kc::fuzz::ProductPath("hoz.log"));
  kc::fuzz::WriteFile("hoz.log", "");

  const std::string dataset = kc::DataSetFile(state.PluginFolder, 0);
  kc::Fs().DeleteFile(dataset);
  if (existed) Check(kc::WriteWholeFile(dataset, old), "dataset file write");
  Check(kc::WriteWholeFile(kc::ProgrammeFile("101"), programme), "programme file write");

  log.SetActive(true);
  const std::string logBefore = kc::fuzz::ReadFile("hoz.log");
  kc::MergeIntoDatasets(ctx);
  Check(kc::fuzz::ReadFile("hoz.log") == logBefore, "the merge logged a line");
  log.SetActive(false);

  std::string after;
  const bool exists = kc::ReadWholeFile(dataset, after);
  Check(exists == (existed || !programme.empty()), "dataset file made or lost");
  const std::string want = Expected(existed, old, programme);
  if (after != want) {
    std::size_t at = 0;
    while (at < after.size() && at < want.size() && after[at] == want[at]) ++at;
    std::fprintf(stderr, "dataset file: %zu bytes, expected %zu; first difference at %zu\n",
                 after.size(), want.size(), at);
    Check(false, "dataset file not as merged");
  }
  Check(!kc::Fs().FileExists(kc::ProgrammeFile("101")), "programme file left behind");
  return 0;
}
