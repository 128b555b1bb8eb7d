// What the analysis of a page reports while it runs and asks between its
// steps. The download run implements it over its window (progress bar, the
// Stop and Skip flags, the yields that keep the window responsive); tools
// and tests give their own.
#pragma once

#include "analysis/text_rules.h"

namespace kc {

class AnalysisSink {
 public:
  virtual ~AnalysisSink() = default;
  // The Stop and Skip flags: the walk over a page ends once either is set.
  virtual StopFlags Stops() const = 0;
  // After each element of the page: how many are done so far.
  virtual void ShowProgress(int done) = 0;
  // After each element, once its progress is shown.
  virtual void YieldToWindow() = 0;
  // After every byte the tokenizer reads (see THTMLParser::YieldFn).
  virtual void TokenizerYield(bool processMessages) = 0;
};

}  // namespace kc
