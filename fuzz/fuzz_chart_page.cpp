// Any page file through the chart analyser as a download run reads it: no
// crash, every stored programme starts inside the days-ahead limit and
// carries the page's channel label, and a Stop set after any element ends
// the walk after that element. (The title may end empty: the title marks
// can move an empty summary into it.)
#include <cstddef>
#include <cstdint>
#include <string>

#include "analysis/analysis_sink.h"
#include "analysis/chart_analyser.h"
#include "core/datetime.h"
#include "fuzz/fuzz_support.h"

namespace {

class Sink : public kc::AnalysisSink {
 public:
  explicit Sink(int stopAfter) : stopAfter_(stopAfter) {}
  kc::StopFlags Stops() const override {
    kc::StopFlags f;
    f.Stop = &stop_;
    return f;
  }
  void ShowProgress(int done) override {
    kc::fuzz::Check(done == shown_ + 1, "progress counts each element once");
    kc::fuzz::Check(!stop_, "an element walked after Stop");
    shown_ = done;
    if (done == stopAfter_) stop_ = true;
  }
  void YieldToWindow() override {}
  void TokenizerYield(bool) override {}
  int Shown() const { return shown_; }

 private:
  int stopAfter_;
  int shown_ = 0;
  bool stop_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using kc::fuzz::Check;
  // The last byte, when the input has one, may stop the walk after that
  // many elements (0: never).
  const int stopAfter = size > 0 ? data[size - 1] % 64 : 0;
  kc::fuzz::WriteFile("tvmurok16112060.html",
                      std::string(reinterpret_cast<const char*>(data), size));

  kc::PageContext pc = kc::MakePageContext("161", 12, 6, kc::EncodeDate(2019, 12, 6) + 0.5, "1",
                                           "https://b");
  pc.ChannelLabel = "161.x";
  const kc::TDateTime limit = pc.Today + 1 + 5.0 / 24.0 + 1e-6;
  Sink sink(stopAfter);
  int stored = 0;
  const int count = kc::ReadChartPage(
      kc::fuzz::ProductPath("tvmurok16112060.html"), pc,
      [&](const kc::ProgrammeRecord& r) {
        ++stored;
        Check(r.StartDateTime > 0 && r.StartDateTime < limit, "start outside the days ahead");
        Check(r.TVChannel == pc.ChannelLabel, "channel label");
      },
      sink);
  Check(count == stored, "count is what was stored");
  Check(stopAfter == 0 || sink.Shown() <= stopAfter, "walk went on after Stop");
  return 0;
}
