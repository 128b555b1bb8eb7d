// The flags of a download run that its window's buttons set while the work
// yields (Stop, Skip, Pause), and the view of Stop and Skip that the work
// below the run (the analysis of a page, its text rules) tests after each
// step without knowing the run.
#pragma once

namespace kc {

struct RunFlags {
  bool StopRequested = false;
  bool SkipRequested = false;
  bool Paused = false;
};

// A null pointer means "never set".
struct StopFlags {
  const bool* Stop = nullptr;
  const bool* Skip = nullptr;
  bool AnySet() const { return (Stop && *Stop) || (Skip && *Skip); }
};

// Points at flags.StopRequested and flags.SkipRequested.
inline StopFlags FlagsOf(const RunFlags& flags) {
  return StopFlags{&flags.StopRequested, &flags.SkipRequested};
}

}  // namespace kc
