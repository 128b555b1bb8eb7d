// The download window: one small borderless window that performs one
// download run by itself on its first activation and then closes, which ends
// the process. It holds the run state, the channel and programme tables and
// the log, shows the run's progress, and offers Pause, Resume, Skip and Stop
// (Escape presses Stop). The run itself (kc::Main) works on a RunContext that
// the window builds over its own parts.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "download/run_context.h"
#include "ui/controls.h"

namespace kc {

class TAboutForm;

class TFormDLL : public ui::Form {
 public:
  using RunFunction = std::function<void(RunContext&)>;

  struct Options {
    // The run of the first activation; empty: kc::Main.
    RunFunction Run;
    // Wait of a close after Stop, so the run can unwind (seconds).
    double CloseWaitSeconds = 10;
    // The plug-in's folder with a trailing backslash; empty: the program's.
    std::string PluginFolder;
    // Opens a web address; empty: the system's "open" action.
    std::function<void(const std::string&)> OpenAddress;
    // A pause before the run (milliseconds, messages flowing), so that a
    // test can find the window while it is up.
    int HoldBeforeRunMs = 0;
  };

  TFormDLL();
  explicit TFormDLL(Options options);
  ~TFormDLL() override;

  // ---- controls
  ui::Label LabelBrand;
  ui::Label Label1;
  ui::Label Label2;
  ui::ProgressBar ProgressBar1;
  ui::ProgressBar ProgressBar2;
  ui::Button ButtonPlay;
  ui::Button ButtonSkip;
  ui::Button ButtonStop;
  ui::Button ButtonPause;
  ui::Button ButtonHome;
  ui::Button ButtonAbout;
  ui::Button ButtonMin;

  // ---- run state, tables, log
  DownloadRunState State;
  MemTable& TableSkypch() { return *tableSkypch_; }
  MemTable& TableMas() { return *tableMas_; }
  TLogFile& LogFile1() { return *logFile_; }
  RunContext& Context() { return ctx_; }
  TAboutForm* AboutForm() { return about_.get(); }

  // ---- event handlers
  void FormCreate();
  void FormActivate();
  void FormClose();
  void FormDestroy();
  void FormKeyDown(int& key);
  int WMNCHitTest(int defaultResult);
  void FormPaint(ui::Canvas& canvas);
  void ButtonPlayClick();
  void ButtonPauseClick();
  void ButtonSkipClick();
  void ButtonStopClick();
  void ButtonHomeClick();
  void ButtonAboutClick();
  void ButtonMinClick();
  // The application-wide exception handler: PhaseName + ": " + message as an
  // error line once the log is active.
  void ApplicationException(const std::string& message);

  // What the run's phases see of the window (Label1, Label2 and the
  // progress bars).
  RunView& View() { return view_; }

 private:
  class ViewAdapter : public RunView {
   public:
    explicit ViewAdapter(TFormDLL& f) : f_(f) {}
    void ShowPhase(const std::string& text) override;
    void ShowDetail(const std::string& text) override;
    std::string Detail() const override;
    void SetProgressRange(int max) override;
    void ShowProgress(int pos) override;
    int Progress() const override;
    void SetRunProgressRange(int max) override;
    void ShowRunProgress(int pos) override;
    void DisableRunButtons() override;

   private:
    TFormDLL& f_;
  };

  Options options_;
  ViewAdapter view_{*this};
  std::unique_ptr<MemTable> tableSkypch_;
  std::unique_ptr<MemTable> tableMas_;
  std::unique_ptr<TLogFile> logFile_;
  RunContext ctx_;
  std::unique_ptr<TAboutForm> about_;
};

}  // namespace kc
