// The analyser's window side for the tool: a saved page needs no window,
// nothing to show, to yield to or to stop.
#pragma once

#include "analysis/analysis_sink.h"

namespace tool {

class QuietSink : public kc::AnalysisSink {
 public:
  kc::StopFlags Stops() const override { return {}; }
  void ShowProgress(int) override {}
  void YieldToWindow() override {}
  void TokenizerYield(bool) override {}
};

}  // namespace tool
