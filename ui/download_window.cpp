#include "ui/download_window.h"

#include <algorithm>

#include "analysis/site.h"
#include "core/datetime.h"
#include "core/text.h"
#include "download/host_files.h"
#include "download/host_settings.h"
#include "download/run_driver.h"
#include "platform/message_pump.h"
#include "platform/platform.h"
#include "storage/log_file.h"
#include "storage/memtable.h"
#include "storage/tables.h"
#include "ui/about_window.h"

namespace kc {

namespace {

constexpr int kClientWidth = 445;
constexpr int kClientHeight = 183;
constexpr int kCornerRadius = 14;
constexpr const char kPlacementName[] = "TFormDLL";

// The face: a pale sky gradient, a navy stripe down the left edge, an amber
// rule under the brand and a navy outline following the rounded region.
constexpr ui::Color kFaceTop = 0xF4F8FF;
constexpr ui::Color kFaceBottom = 0xC9DAF2;
constexpr ui::Color kStripeTop = 0x0B2A66;
constexpr ui::Color kStripeBottom = 0x2F6DB5;
constexpr ui::Color kAccent = 0xF0A020;
constexpr ui::Color kRule = 0xA8BCDC;
constexpr ui::Color kOutline = 0x0B2A66;
constexpr int kStripeWidth = 7;

ui::FontInfo SizedFont(int px, ui::Color colour = ui::clDefault, bool bold = false) {
  ui::FontInfo f;
  f.SizePx = px;
  f.Colour = colour;
  f.Bold = bold;
  return f;
}

std::string PluginFolderOf(const TFormDLL::Options& o) {
  return kc::IncludeTrailingBackslash(o.PluginFolder.empty() ? kc::ProgramFolder()
                                                               : o.PluginFolder);
}

}  // namespace

TFormDLL::TFormDLL() : TFormDLL(Options{}) {}

TFormDLL::TFormDLL(Options options)
    : ui::Form("TFormDLL", "番組データダウンロード中...", kClientWidth, kClientHeight,
               ui::FormStyle::Borderless),
      LabelBrand(*this, "LabelBrand", 16, 8, 200, 22, "Kanalia(CS)"),
      Label1(*this, "Label1", 16, 46, 413, 20),
      Label2(*this, "Label2", 16, 70, 413, 16),
      ProgressBar1(*this, "ProgressBar1", 16, 92, 413, 14),
      ProgressBar2(*this, "ProgressBar2", 16, 112, 413, 14),
      ButtonPlay(*this, "ButtonPlay", 16, 142, 94, 28, "再開"),
      ButtonSkip(*this, "ButtonSkip", 232, 142, 94, 28, "スキップ"),
      ButtonStop(*this, "ButtonStop", 335, 142, 94, 28, "停止"),
      ButtonPause(*this, "ButtonPause", 119, 142, 94, 28, "一時停止"),
      ButtonHome(*this, "ButtonHome", 355, 8, 22, 20, "H"),
      ButtonAbout(*this, "ButtonAbout", 381, 8, 22, 20, "?"),
      ButtonMin(*this, "ButtonMin", 407, 8, 22, 20, "－"),
      options_(std::move(options)),
      tableSkypch_(std::make_unique<MemTable>("TableSkypch")),
      tableMas_(std::make_unique<MemTable>("TableMas")),
      logFile_(std::make_unique<TLogFile>()),
      ctx_{State, view_, *logFile_, *tableSkypch_, *tableMas_} {
  if (!options_.Run) options_.Run = [](RunContext& c) { kc::Main(c); };
  if (!options_.OpenAddress)
    options_.OpenAddress = [](const std::string& a) { kc::ShellOpen(a, ""); };

  ui::FontInfo face = Font();
  face.Name = "ＭＳ Ｐゴシック";
  face.SizePx = 12;
  SetFont(face);
  LabelBrand.SetFont(SizedFont(16, ui::clNavy, true));
  Label1.SetFont(SizedFont(16, ui::clNavy, true));
  Label2.SetFont(SizedFont(12, ui::clNavy));
  ButtonPlay.SetEnabled(false);
  ButtonSkip.Cancel = true;
  ButtonStop.Cancel = true;
  ButtonHome.SetHint("ホームページを開く");
  ButtonAbout.SetHint("バージョン情報を表示する");
  ButtonMin.SetHint("ウィンドウを最小化します.");

  ButtonPlay.OnClick = [this] { ButtonPlayClick(); };
  ButtonPause.OnClick = [this] { ButtonPauseClick(); };
  ButtonSkip.OnClick = [this] { ButtonSkipClick(); };
  ButtonStop.OnClick = [this] { ButtonStopClick(); };
  ButtonHome.OnClick = [this] { ButtonHomeClick(); };
  ButtonAbout.OnClick = [this] { ButtonAboutClick(); };
  ButtonMin.OnClick = [this] { ButtonMinClick(); };
  OnActivate = [this] { FormActivate(); };
  OnClose = [this] { FormClose(); };
  KeyPreview = true;
  OnKeyDown = [this](int& key) { FormKeyDown(key); };
  OnNcHitTest = [this](int def) { return WMNCHitTest(def); };
  OnPaint = [this](ui::Canvas& c) { FormPaint(c); };

  FormCreate();
}

TFormDLL::~TFormDLL() {
  FormDestroy();
  OnActivate = nullptr;
  OnClose = nullptr;
  OnKeyDown = nullptr;
  OnNcHitTest = nullptr;
  OnPaint = nullptr;
  if (ui::App().OnException) ui::App().OnException = nullptr;
}

void TFormDLL::FormCreate() {
  ProcessFormats() = RunFormats();
  LogFile1().SetFormats(RunFormats());

  State.PluginFolder = PluginFolderOf(options_);
  kc::Fs().SetCurrentDir(State.PluginFolder);
  SetCornerRadius(kCornerRadius);

  RestorePlacement(kPlacementName, false);

  ui::App().OnException = [this](const std::string& m) { ApplicationException(m); };

  State.DownloadedFiles.clear();
  State.ChannelNumberList.clear();
  State.DataSetChannels.clear();
  State.ChannelConversionList.clear();
  State.ChannelKeyList.clear();

  DefineTableSkypch(*tableSkypch_, ChannelTableFile(State.PluginFolder));
  DefineTableMas(*tableMas_);
}

void TFormDLL::FormActivate() {
  if (State.Activated) return;
  State.Activated = true;
  try {
    PrepareRun(ctx_);
    Repaint();
    if (options_.HoldBeforeRunMs > 0) WaitSeconds(options_.HoldBeforeRunMs / 1000.0);
    options_.Run(ctx_);
  } catch (...) {
    // Whatever fails, the window must not stay up: the host waits for the
    // process to end. A failure before the log was switched on (a broken
    // channel table) still gets its error line.
    EnsureRunLogActive(ctx_);
    Close();
    throw;
  }
  Close();
}

void TFormDLL::FormClose() {
  if (State.StopRequested) WaitSeconds(options_.CloseWaitSeconds);
  State.StopRequested = true;
  // Both tables are closed even if storing the first one fails.
  try {
    if (TableSkypch().Active()) TableSkypch().Close();
  } catch (const std::exception& e) {
    ApplicationException(e.what());
  }
  if (TableMas().Active()) TableMas().Close();
  KeepPlacement(kPlacementName);
}

void TFormDLL::FormDestroy() {
  State.DownloadedFiles.clear();
  State.ChannelNumberList.clear();
  State.DataSetChannels.clear();
  State.ChannelConversionList.clear();
  State.ChannelKeyList.clear();
  about_.reset();
}

void TFormDLL::FormKeyDown(int& key) {
  if (key == ui::kKeyEscape) {
    ButtonStop.Click();
    key = 0;
  }
}

int TFormDLL::WMNCHitTest(int defaultResult) {
  return defaultResult == ui::kHitClient ? ui::kHitCaption : defaultResult;
}

void TFormDLL::FormPaint(ui::Canvas& c) {
  const int w = ClientWidth(), h = ClientHeight();
  c.GradientRect(0, 0, w, h, kFaceTop, kFaceBottom, true);
  c.GradientRect(0, 0, kStripeWidth, h, kStripeTop, kStripeBottom, true);
  c.Line(16, 34, w - 16, 34, kAccent, 2);
  c.Line(16, 134, w - 16, 134, kRule, 1);
  c.FrameRoundRect(0, 0, w, h, kCornerRadius, kOutline, 2);
}

void TFormDLL::ButtonPlayClick() { State.Paused = false; }

void TFormDLL::ButtonPauseClick() {
  State.Paused = true;
  ButtonPlay.SetEnabled(true);
  ButtonPause.SetEnabled(false);
  while (State.Paused && !State.StopRequested && !State.SkipRequested) {
    kc::SleepMs(10);
    YieldToMessages();
  }
  ButtonPlay.SetEnabled(false);
  // After Stop every run button stays off.
  if (!State.StopRequested) ButtonPause.SetEnabled(true);
}

void TFormDLL::ButtonSkipClick() {
  State.SkipRequested = true;
  const std::string mark = "スキップ...";
  if (!SjisContains(Label2.Caption(), mark)) Label2.SetCaption(Label2.Caption() + mark);
  LogFile1().WriteLine("スキップボタン押下");
}

void TFormDLL::ButtonStopClick() {
  State.StopRequested = true;
  ButtonPlay.SetEnabled(false);
  ButtonStop.SetEnabled(false);
  ButtonSkip.SetEnabled(false);
  ButtonPause.SetEnabled(false);
  LogFile1().WriteLine("停止ボタン押下");
}

void TFormDLL::ButtonHomeClick() { options_.OpenAddress(site::HomePage()); }

void TFormDLL::ButtonAboutClick() {
  if (!about_) {
    about_ = std::make_unique<TAboutForm>();
    about_->OpenAddress = options_.OpenAddress;
  }
  about_->ShowCentredOn(*this);
}

void TFormDLL::ButtonMinClick() { Minimize(); }

void TFormDLL::ApplicationException(const std::string& message) {
  if (LogFile1().Active()) LogFile1().WriteLine(State.PhaseName + ": " + message, true);
}

void TFormDLL::ViewAdapter::ShowPhase(const std::string& text) { f_.Label1.SetCaption(text); }
void TFormDLL::ViewAdapter::ShowDetail(const std::string& text) { f_.Label2.SetCaption(text); }
std::string TFormDLL::ViewAdapter::Detail() const { return f_.Label2.Caption(); }
void TFormDLL::ViewAdapter::SetProgressRange(int max) { f_.ProgressBar1.SetMax(max); }
void TFormDLL::ViewAdapter::ShowProgress(int pos) { f_.ProgressBar1.SetPosition(pos); }
int TFormDLL::ViewAdapter::Progress() const { return f_.ProgressBar1.Position(); }
void TFormDLL::ViewAdapter::SetRunProgressRange(int max) { f_.ProgressBar2.SetMax(max); }
void TFormDLL::ViewAdapter::ShowRunProgress(int pos) { f_.ProgressBar2.SetPosition(pos); }

void TFormDLL::ViewAdapter::DisableRunButtons() {
  f_.ButtonPlay.SetEnabled(false);
  f_.ButtonStop.SetEnabled(false);
  f_.ButtonSkip.SetEnabled(false);
  f_.ButtonPause.SetEnabled(false);
}

}  // namespace kc
