#include "ui/settings_window.h"

#include <algorithm>

#include "analysis/site.h"
#include "core/text.h"
#include "download/run_context.h"
#include "platform/message_pump.h"
#include "platform/platform.h"
#include "storage/tables.h"
#include "ui/bulk_input_window.h"
#include "ui/conversion_window.h"
#include "ui/dialogs.h"

namespace kc {

namespace {

constexpr int kClientWidth = 400;
constexpr int kClientHeight = 460;
constexpr int kMinWidth = 370;
constexpr int kMinHeight = 100;
constexpr const char kPlacementName[] = "TFormDLLSetup";
constexpr const char kNoDataSetMessage[] =
    "最初に地域設定で、SkyperfcTVにチェックを入れてください.";
constexpr const char kConnectQuestion[] = "インターネットに接続しますか";

// The home and help buttons' pictures, 16 x 16, in the icon's colours:
// '.' see-through, '#' navy outline, 'o' roof, 'w' white, 'b' blue.
std::vector<ui::Color> Glyph(const char* const (&rows)[16]) {
  std::vector<ui::Color> px;
  for (const char* row : rows) {
    for (int x = 0; x < 16; ++x) {
      switch (row[x]) {
        case '#': px.push_back(ui::clNavy); break;
        case 'o': px.push_back(0xE07020); break;
        case 'w': px.push_back(ui::clWhite); break;
        case 'b': px.push_back(0x2060D0); break;
        default: px.push_back(ui::clTransparent); break;
      }
    }
  }
  return px;
}

constexpr const char* kHomeGlyph[16] = {
    "................", ".......##.......", "......#oo#......", ".....#oooo#.....",
    "....#oooooo#....", "...#oooooooo#...", "..#oooooooooo#..", ".##############.",
    "..#wwwwwwwwww#..", "..#wwwwwwwwww#..", "..#w###ww###w#..", "..#w#b#ww#b#w#..",
    "..#w#b#ww###w#..", "..#w#b#wwwwww#..", "..############..", "................"};
constexpr const char* kHelpGlyph[16] = {
    ".....######.....", "...##bbbbbb##...", "..#bbbbbbbbbb#..", ".#bbbbwwwwbbbb#.",
    ".#bbbwwbbwwbbb#.", "#bbbbbbbbwwbbbb#", "#bbbbbbbwwbbbbb#", "#bbbbbbwwbbbbbb#",
    "#bbbbbbwwbbbbbb#", "#bbbbbbbbbbbbbb#", ".#bbbbbwwbbbbb#.", ".#bbbbbwwbbbbb#.",
    "..#bbbbbbbbbb#..", "...##bbbbbb##...", ".....######.....", "................"};

// Paths use backslashes throughout, whatever form the caller gave.
std::string FolderOf(const std::string& given) {
  std::string folder = given.empty() ? kc::ProgramFolder() : given;
  std::replace(folder.begin(), folder.end(), '/', '\\');
  return kc::IncludeTrailingBackslash(folder);
}

}  // namespace

TFormDLLSetup::TFormDLLSetup() : TFormDLLSetup(Options{}) {}

TFormDLLSetup::TFormDLLSetup(Options options)
    : ui::Form("TFormDLLSetup", "Kanalia(CS)プラグイン設定", kClientWidth, kClientHeight),
      LabelDataList(*this, "LabelDataList", 8, 10, 78, 16, "データセット"),
      DataList(*this, "DataList", 88, 6, 196, 20),
      ButtonReload(*this, "ButtonReload", 290, 5, 52, 24, "更新"),
      ButtonHP(*this, "ButtonHP", 348, 6, 22, 22, "H"),
      ButtonHelp(*this, "ButtonHelp", 372, 6, 22, 22, "?"),
      RadioSkypt(*this, "RadioSkypt", 8, 34, 90, 20, "スカパー!"),
      Radioe2(*this, "Radioe2", 104, 34, 110, 20, "スカパー!e2"),
      ButtonChange(*this, "ButtonChange", 8, 60, 70, 24, "ch変換"),
      buttonImp(*this, "buttonImp", 82, 60, 70, 24, "一括入力"),
      EditFind(*this, "EditFind", 160, 62, 176, 20),
      ButtonFind(*this, "ButtonFind", 342, 60, 52, 24, "検索"),
      TVChList(*this, "TVChList", 8, 90, 386, 302),
      CheckBox1(*this, "CheckBox1", 8, 398, 386, 20,
                "番組の詳細を取得する(時間がかかなりかかります)"),
      CheckBox2(*this, "CheckBox2", 8, 420, 200, 20, "キーワード検索をする"),
      ButtonClose(*this, "ButtonClose", 314, 428, 80, 26, "閉じる"),
      options_(std::move(options)),
      model_(FolderOf(options_.PluginFolder)),
      tableTV_(std::make_unique<MemTable>("TableTV")) {
  if (!options_.OpenAddress)
    options_.OpenAddress = [](const std::string& a) { kc::ShellOpen(a, ""); };
  if (!options_.TokenizerYield) options_.TokenizerYield = RunTokenizerYield;

  ButtonHP.SetGlyph(16, Glyph(kHomeGlyph));
  ButtonHelp.SetGlyph(16, Glyph(kHelpGlyph));
  ButtonReload.SetHint("チャンネルリストを更新する");
  ButtonHP.SetHint("ホームページを開く");
  ButtonHelp.SetHint("ヘルプを開く");
  CheckBox2.SetVisible(false);
  EditFind.DefaultButton = &ButtonFind;

  // The list fills the middle and grows with the window; the buttons keep
  // to their edges.
  MinClientWidth = kMinWidth;
  MinClientHeight = kMinHeight;
  DataList.Anchors = ui::akLeft | ui::akTop | ui::akRight;
  EditFind.Anchors = ui::akLeft | ui::akTop | ui::akRight;
  for (ui::Control* c : {static_cast<ui::Control*>(&ButtonReload), static_cast<ui::Control*>(&ButtonHP),
                         static_cast<ui::Control*>(&ButtonHelp), static_cast<ui::Control*>(&ButtonFind)})
    c->Anchors = ui::akTop | ui::akRight;
  TVChList.Anchors = ui::akLeft | ui::akTop | ui::akRight | ui::akBottom;
  CheckBox1.Anchors = ui::akLeft | ui::akBottom;
  CheckBox2.Anchors = ui::akLeft | ui::akBottom;
  ButtonClose.Anchors = ui::akRight | ui::akBottom;

  DataList.OnChange = [this] { DataListChange(); };
  ButtonReload.OnClick = [this] { ButtonReloadClick(); };
  RadioSkypt.OnClick = [this] { RadioSkyptClick(); };
  Radioe2.OnClick = [this] { Radioe2Click(); };
  ButtonChange.OnClick = [this] { ButtonChangeClick(); };
  buttonImp.OnClick = [this] { buttonImpClick(); };
  ButtonFind.OnClick = [this] { ButtonFindClick(); };
  ButtonHP.OnClick = [this] { ButtonHPClick(); };
  ButtonHelp.OnClick = [this] { ButtonHelpClick(); };
  ButtonClose.OnClick = [this] { ButtonCloseClick(); };
  OnActivate = [this] { FormActivate(); };
  OnClose = [this] { FormClose(); };

  FormCreate();
}

TFormDLLSetup::~TFormDLLSetup() {
  FormDestroy();
  OnActivate = nullptr;
  OnClose = nullptr;
}

void TFormDLLSetup::FormCreate() {
  datasetChoice_.clear();
  channelNumbers_.clear();
  kc::Fs().SetCurrentDir(model_.PluginFolder());

  RestorePlacement(kPlacementName, true);

  DefineTableTV(*tableTV_, model_.ChannelTableFile());
  tableTV_->Open();

  const SettingsChoices choices = model_.ReadChoices();
  CheckBox1.SetChecked(choices.MoreDetails);
  CheckBox2.SetChecked(choices.KeywordSearch);
  // Turning a platform on is a click on it: the list is updated at once,
  // for dataset 0 while nothing is shown yet. A failure there is shown and
  // the window is still built.
  currentDataSet_ = 0;
  if (choices.Skypt) {
    RadioSkypt.SetChecked(true);
    ui::App().Dispatch([this] { RadioSkyptClick(); });
  }
  if (choices.E2) {
    Radioe2.SetChecked(true);
    ui::App().Dispatch([this] { Radioe2Click(); });
  }
  currentDataSet_ = -1;

  YieldToMessages();
  StringList names;
  datasetChoice_.clear();
  for (const OfferedDataSet& d : model_.OfferedDataSets()) {
    names.push_back(d.Name);
    datasetChoice_.push_back(IntToStr(d.Number));
  }
  DataList.SetItems(names);
  stop_ = false;
  created_ = true;
}

void TFormDLLSetup::FormActivate() {
  // The connection question during creation is owned by this window, still
  // hidden; when it closes, the system may activate this window before the
  // dataset list exists. Only an activation after creation is the first.
  if (activated_ || !created_) return;
  activated_ = true;
  if (datasetChoice_.empty()) {
    ui::ShowMessage(this, kNoDataSetMessage);
    Close();
    return;
  }
  if (!tableTV_->Active()) tableTV_->Open();
  if (model_.HasChannelNumbers()) channelNumbers_ = model_.LoadChannelNumbers();
  if (tableTV_->RecordCount() < 2 || channelNumbers_.empty()) {
    if (AskConnection()) {
      channelNumbers_.clear();
      Retrieve(RadioSkypt.Checked() ? ChannelPlatform::Skypt : ChannelPlatform::E2);
      if (stop_) return;  // closed meanwhile; the closing stored everything
      if (!channelNumbers_.empty()) model_.SaveChannelNumbers(channelNumbers_);
    }
  }
  FillList();
  LoadTicks(-1);
}

void TFormDLLSetup::DataListChange() {
  const int i = DataList.ItemIndex();
  if (i < 0 || i >= static_cast<int>(datasetChoice_.size())) return;
  SaveTicks(currentDataSet_);
  currentDataSet_ = StrToIntDef(datasetChoice_[static_cast<std::size_t>(i)], -1);
  LoadTicks(currentDataSet_);
}

void TFormDLLSetup::ButtonReloadClick() {
  ButtonReload.SetEnabled(false);
  RadioSkypt.SetEnabled(false);
  Radioe2.SetEnabled(false);
  // Enabled again however the command ends, unless the window closed
  // while it ran.
  struct Reenable {
    TFormDLLSetup& f;
    ~Reenable() {
      if (f.stop_) return;
      f.ButtonReload.SetEnabled(true);
      f.RadioSkypt.SetEnabled(true);
      f.Radioe2.SetEnabled(true);
    }
  } reenable{*this};

  if (!AskConnection()) return;
  SaveTicks(currentDataSet_);
  channelNumbers_.clear();
  if (RadioSkypt.Checked())
    Retrieve(ChannelPlatform::Skypt);
  else if (Radioe2.Checked())
    Retrieve(ChannelPlatform::E2);
  // A close during the retrieval has closed the table and stored the ticks.
  if (stop_) return;
  FillList();
  LoadTicks(currentDataSet_);
}

void TFormDLLSetup::RadioSkyptClick() {
  RadioSkypt.SetChecked(true);
  ButtonReloadClick();
}

void TFormDLLSetup::Radioe2Click() {
  Radioe2.SetChecked(true);
  ButtonReloadClick();
}

void TFormDLLSetup::ButtonChangeClick() {
  if (!FormCh) return;
  FormCh->Load(model_.ChannelFile(), false);
  FormCh->Present();
}

void TFormDLLSetup::buttonImpClick() {
  if (FormImport) FormImport->Present();
}

void TFormDLLSetup::ButtonFindClick() {
  const int selected = TVChList.ItemIndex();
  FuzzyMatcher1.SetUseFuzzyDictionary(true);
  // The pattern is compiled once, when the first entry is looked at: with
  // an empty list a pattern that does not compile is no error.
  bool compiled = false;
  for (int pass = 0; pass < 2; ++pass) {
    // Pass 2 starts again at the top, so it also looks at the entries
    // after the selection once more.
    for (int i = pass == 0 ? selected + 1 : 0; i < TVChList.Count(); ++i) {
      if (!compiled) FuzzyMatcher1.SetRegExp(EditFind.Caption());
      compiled = true;
      const bool hit = FuzzyMatcher1.Match(TVChList.Items()[static_cast<std::size_t>(i)]) > 0;
      YieldToMessages();
      if (stop_) return;
      if (hit && i < TVChList.Count()) {
        TVChList.SetItemIndex(i);
        return;
      }
    }
  }
}

void TFormDLLSetup::ButtonHPClick() { options_.OpenAddress(site::HomePage()); }

void TFormDLLSetup::ButtonHelpClick() {
  if (AskConnection()) options_.OpenAddress(site::HelpPage());
}

void TFormDLLSetup::ButtonCloseClick() { Close(); }

void TFormDLLSetup::FormClose() {
  if (closed_) return;
  closed_ = true;
  stop_ = true;
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           &ButtonClose, &ButtonReload, &ButtonChange, &buttonImp, &ButtonFind, &RadioSkypt,
           &Radioe2, &TVChList, &DataList})
    c->SetEnabled(false);

  // Each step runs even when an earlier one failed, so that a table that
  // cannot be stored does not also lose the ticks or the settings.
  auto step = [this](const std::function<void()>& f) {
    try {
      f();
    } catch (const std::exception& e) {
      ui::App().HandleException(e.what());
    }
  };
  step([this] { SaveTicks(currentDataSet_); });
  step([this] {
    if (tableTV_->Active()) tableTV_->Close();
  });
  // A retrieval still running under this close may open the table again;
  // it then works on an empty table that is never written over the file.
  tableTV_->Persistent = false;
  step([this] {
    if (!channelNumbers_.empty()) model_.SaveChannelNumbers(channelNumbers_);
  });
  step([this] {
    SettingsChoices c;
    c.MoreDetails = CheckBox1.Checked();
    c.KeywordSearch = CheckBox2.Checked();
    c.Skypt = RadioSkypt.Checked();
    c.E2 = Radioe2.Checked();
    model_.StoreChoices(c);
  });
  KeepPlacement(kPlacementName);
}

void TFormDLLSetup::FormDestroy() {
  datasetChoice_.clear();
  channelNumbers_.clear();
}

bool TFormDLLSetup::AskConnection() {
  if (!model_.AskBeforeConnecting()) return true;
  return ui::ConfirmYesNo(this, kConnectQuestion);
}

void TFormDLLSetup::FillList() {
  TVChList.SetItems({});
  TVChList.SetItems(SettingsModel::ListEntries(*tableTV_, channelNumbers_));
}

void TFormDLLSetup::SaveTicks(int dataSet) {
  if (dataSet == -1 || TVChList.Count() == 0) return;
  model_.StoreTicks(dataSet, TVChList.Items(), ChannelTicks());
}

void TFormDLLSetup::LoadTicks(int dataSet) {
  if (dataSet == -1) {
    if (datasetChoice_.empty()) return;
    dataSet = StrToIntDef(datasetChoice_.front(), 0);
    DataList.SetItemIndex(0);
    currentDataSet_ = dataSet;
  }
  const std::vector<bool> ticked = model_.LoadTicks(dataSet, TVChList.Items());
  for (int i = 0; i < TVChList.Count(); ++i)
    TVChList.SetChecked(i, ticked[static_cast<std::size_t>(i)]);
}

std::vector<bool> TFormDLLSetup::ChannelTicks() const {
  std::vector<bool> ticked;
  for (int i = 0; i < TVChList.Count(); ++i) ticked.push_back(TVChList.Checked(i));
  return ticked;
}

void TFormDLLSetup::TickChannel(int index) { TVChList.SetChecked(index, true); }

void TFormDLLSetup::Retrieve(ChannelPlatform platform) {
  RetrieveChannelListForSettings(
      platform, *tableTV_, channelNumbers_, [this] { return stop_; }, options_.TokenizerYield,
      [this] {
        if (!stop_) FillList();
      });
}

}  // namespace kc
