// A host folder for the settings windows over headless controls: the
// plug-in folder "plugin" below a temp folder that holds hoz.ini,
// tvskypch.ini, tvskypch.csv and tvmurokch.csv, a temp folder for the
// channel list's working file, a site address that is never reached (the
// fetch goes through a fake fetcher) and scripted dialog answers.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/html_parser.h"
#include "core/stringlist.h"
#include "core/text.h"
#include "download/fetch_fake.h"
#include "platform/platform.h"
#include "storage/memtable.h"
#include "storage/tables.h"
#include "support/test_support.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/settings_window.h"

namespace kc {
namespace test {

// TVChannel, TVName, Status.
using ChannelRow = std::tuple<std::string, std::string, int>;

// Two datasets take these listings (0 and 2); dataset 1 only by its last
// area, which the settings window does not look at.
// extraSetup: more lines for [TSetup].
inline std::string HozIni(const std::string& extraSetup = "") {
  return "[TSetup]\r\n"
         "DLLMORE_MUROKC_CHECKED=True\r\n"
         "USEKYEWORD_MUROKC_CHECKED=True\r\n"
         "OtherHostKey=kept\r\n" +
         extraSetup +
         "[TSetup.DataList_Items]\r\n"
    "Count=3\r\nItem0=地上波\r\nItem1=BS\r\nItem2=CS\r\n"
    "[DataSet 0]\r\ncount=48\r\nArea 47=True\r\n"
    "[DataSet 1]\r\ncount=40\r\nArea 39=True\r\n"
         "[DataSet 2]\r\ncount=48\r\nArea 47=True\r\n";
}

// A channel list page of each platform (UTF-8, as the site sends it; the
// names are given in Shift-JIS).
inline std::string SkyptPage(const std::vector<std::pair<std::string, std::string>>& channels) {
  std::string page =
      u8"<html><head><script>\n"
      u8"SptvSpecialitySelect.stations = {\"all\": {\"name\": \"すべてのチャンネル\", "
      u8"\"children\": {\n";
  int id = 500000;
  for (const auto& [number, name] : channels)
    page += "  \"" + std::to_string(++id) + "\": {\"name\": \"" + number + " - " +
            kc::Cp932ToUtf8(name) + "\"},\n";
  page += "}}};\n</script></head></html>\n";
  return page;
}

inline std::string E2Page(const std::vector<std::pair<std::string, std::string>>& channels) {
  std::string page =
      "<form name=\"sptv-speciality-select-header\"><select name=\"id\">";
  int v = 0;
  for (const auto& [number, name] : channels)
    page += "<option value=\"" + std::to_string(++v) + "\">" + number + " - " +
            kc::Cp932ToUtf8(name) + "</option>";
  return page + "</select></form>";
}

class SettingsFixture : public ::testing::Test {
 protected:
  SettingsFixture()
      : temp_("temp", dir.winPath() + "\\temp"),
        base_("KANALIA_BASE_URL", "http://127.0.0.1:9") {}

  void SetUp() override {
    savedDir_ = kc::Fs().GetCurrentDir();
    ui::App().Init(ui::BackendKind::Headless);
    ui::HeadlessDialogs().Clear();
    WriteBytes(dir.file("plugin/readme.txt"), "");
    WriteBytes(dir.file("temp/.keep"), "");
    WriteHost("hoz.ini", HozIni());
  }
  void TearDown() override {
    ui::App().Shutdown();
    ui::HeadlessDialogs().Clear();
    kc::Fs().SetCurrentDir(savedDir_);
  }

  std::string PluginFolder() const { return dir.winFile("plugin") + "\\"; }
  TFormDLLSetup::Options Opts() {
    TFormDLLSetup::Options o;
    o.PluginFolder = PluginFolder();
    o.OpenAddress = [this](const std::string& a) { Opened.push_back(a); };
    o.TokenizerYield = [](bool) {};
    return o;
  }

  void WriteHost(const std::string& name, const std::string& bytes) {
    WriteBytes(dir.file(name), bytes);
  }
  std::string Host(const std::string& name) { return ReadBytes(dir.file(name)); }
  std::string HostIni(const std::string& name, const std::string& section,
                      const std::string& key) {
    return kc::ReadProfileString(dir.winFile(name), section, key, "<none>");
  }

  void WriteTable(const std::vector<ChannelRow>& rows) {
    MemTable t("TableTV");
    DefineTableTV(t, PluginFolder() + "..\\tvskypch.csv");
    t.Open();
    for (const auto& [ch, name, status] : rows) AppendChannel(t, ch, name, status);
    t.Close();
  }
  std::vector<ChannelRow> ReadTable() {
    MemTable t("TableTV");
    DefineTableTV(t, PluginFolder() + "..\\tvskypch.csv");
    t.Open();
    std::vector<ChannelRow> rows;
    for (t.First(); !t.Eof(); t.Next())
      rows.emplace_back(t.FieldByName("TVChannel").AsString(), t.FieldByName("TVName").AsString(),
                        t.FieldByName("Status").AsInteger());
    t.Persistent = false;  // read only
    t.Close();
    return rows;
  }
  void WriteNumbers(const StringList& numbers) {
    std::string text;
    for (const std::string& n : numbers) text += n + "\r\n";
    WriteHost("tvmurokch.csv", text);
  }

  // The usual stored state: three channels in the table, two of them in
  // the number list, one of those new.
  void StoredChannels() {
    WriteTable({{"585", "Example", 0}, {"602", "新局", 1}, {"700", "消えた局", 0}});
    WriteNumbers({"602", "585"});
  }

  static StringList Ticked(const ui::CheckList& l) {
    StringList out;
    for (int i = 0; i < l.Count(); ++i)
      if (l.Checked(i)) out.push_back(l.Items()[static_cast<std::size_t>(i)]);
    return out;
  }

  ui::HeadlessBackend& H() { return *ui::Headless(); }
  ui::HeadlessDialogLog& Dialogs() { return ui::HeadlessDialogs(); }

  TempDir dir;
  std::vector<std::string> Opened;

 private:
  ScopedEnv temp_;
  ScopedEnv base_;
  std::string savedDir_;
};

}  // namespace test
}  // namespace kc
