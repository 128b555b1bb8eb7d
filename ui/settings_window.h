// The settings window of the settings mode ("/c"): the platform, the host's
// datasets that take these listings, and per dataset the ticked channels
// that download runs fetch. It owns its own channel table (the same file
// "..\tvskypch.csv" as the download window's), retrieves the channel list on
// demand, and stores everything in the host's files when it closes. The
// channel number conversion window and the bulk channel input window work on
// its channel list.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/stringlist.h"
#include "download/channel_list.h"
#include "download/settings_model.h"
#include "search/fuzzy_matcher.h"
#include "storage/memtable.h"
#include "ui/controls.h"

namespace kc {

class TFormCh;
class TFormImport;

class TFormDLLSetup : public ui::Form {
 public:
  struct Options {
    // The plug-in's folder with a trailing backslash; empty: the program's.
    std::string PluginFolder;
    // Opens a web address; empty: the system's "open" action.
    std::function<void(const std::string&)> OpenAddress;
    // The channel list page tokenizer's yield; empty: the download run's.
    std::function<void(bool processMessages)> TokenizerYield;
  };

  TFormDLLSetup();
  explicit TFormDLLSetup(Options options);
  ~TFormDLLSetup() override;

  // ---- controls
  ui::Label LabelDataList;
  ui::ComboBox DataList;
  // Declared (and so created) in the order Tab visits them.
  ui::Button ButtonReload;
  ui::Button ButtonHP;
  ui::Button ButtonHelp;
  ui::RadioButton RadioSkypt;
  ui::RadioButton Radioe2;
  ui::Button ButtonChange;
  ui::Button buttonImp;
  ui::Edit EditFind;
  ui::Button ButtonFind;
  ui::CheckList TVChList;
  ui::CheckBox CheckBox1;
  ui::CheckBox CheckBox2;
  ui::Button ButtonClose;

  TFuzzyMatcher FuzzyMatcher1;

  // The windows behind this one (set by whoever creates them; may be null).
  TFormCh* FormCh = nullptr;
  TFormImport* FormImport = nullptr;

  // ---- owned data
  MemTable& TableTV() { return *tableTV_; }
  StringList& ChannelNumberList() { return channelNumbers_; }
  const StringList& DatasetChoice() const { return datasetChoice_; }
  // -1 until the first activation, then the dataset whose ticks are shown.
  int CurrentDataSet() const { return currentDataSet_; }
  // On from the moment the window starts closing.
  bool StopRequested() const { return stop_; }
  const std::string& PluginFolder() const { return model_.PluginFolder(); }
  const SettingsModel& Model() const { return model_; }

  // The channel list as the conversion and bulk input windows work on it.
  const StringList& ChannelEntries() const { return TVChList.Items(); }
  std::vector<bool> ChannelTicks() const;
  void TickChannel(int index);

  // ---- event handlers
  void FormCreate();
  void FormActivate();
  void DataListChange();
  void ButtonReloadClick();
  void RadioSkyptClick();
  void Radioe2Click();
  void ButtonChangeClick();
  void buttonImpClick();
  void ButtonFindClick();
  void ButtonHPClick();
  void ButtonHelpClick();
  void ButtonCloseClick();
  void FormClose();
  void FormDestroy();

  // ---- operations shared by the handlers
  // "QonConnect_Checked" == "True": ask; else yes without asking.
  bool AskConnection();
  // Rebuilds TVChList from the table and the number list; shows each new
  // channel with a star once and marks it known.
  void FillList();
  void SaveTicks(int dataSet);
  // -1: the first offered dataset becomes the current one.
  void LoadTicks(int dataSet);

 private:
  void Retrieve(ChannelPlatform platform);

  Options options_;
  SettingsModel model_;
  std::unique_ptr<MemTable> tableTV_;
  StringList channelNumbers_;
  StringList datasetChoice_;
  int currentDataSet_ = 0;
  bool stop_ = false;
  bool created_ = false;
  bool activated_ = false;
  bool closed_ = false;
};

}  // namespace kc
