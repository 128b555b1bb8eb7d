#include "download/channel_list.h"

#include <exception>

#include "analysis/html_parser.h"
#include "analysis/text_rules.h"
#include "core/error.h"
#include "core/text.h"
#include "download/host_files.h"
#include "download/page_download.h"
#include "download/run_context.h"
#include "download/site.h"
#include "platform/platform.h"
#include "platform/retry_open.h"
#include "platform/temp_files.h"
#include "platform/text_files.h"
#include "storage/log_file.h"
#include "storage/memtable.h"
#include "storage/tables.h"

namespace kc {

namespace {

// The scanner walks the gathered script text with 1-based positions and
// cut-to-fit copies, so that every odd layout still consumes text and ends.
std::size_t Pos(const std::string& needle, const std::string& hay) {
  return SjisPos(needle, hay);
}

std::string Copy(const std::string& s, long long index, long long count) {
  if (index < 1) index = 1;
  if (count <= 0 || index > static_cast<long long>(s.size())) return std::string();
  return s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

void Delete(std::string& s, long long count) {
  if (count <= 0) return;
  if (count >= static_cast<long long>(s.size()))
    s.clear();
  else
    s.erase(0, static_cast<std::size_t>(count));
}

bool Stopped(const ChannelListSink& sink) { return sink.Stop && sink.Stop(); }

const char kStationsMarker[] = "SptvSpecialitySelect.stations = {";
const char kAllChannels[] = "\"すべてのチャンネル\", \"children\": {";
const char kNameOpener[] = "\"name\": \"";
const char kEntryEnd[] = "\"}";
const char kSeparator[] = " - ";
const char kE2FormName[] = "sptv-speciality-select-header";

}  // namespace

bool GatherSkyptScript(const std::string& path, const std::function<bool()>& stop,
                       std::string& out) {
  out.clear();
  std::unique_ptr<plat::File> f = ResetWithRetry(path, 0);
  if (!f) return false;
  std::string data;
  plat::ReadRest(*f, data);  // a read error keeps what came before it
  f->Close();
  for (const std::string& line : SplitLines(data)) {
    if (stop && stop()) break;
    if (ByteFind(line, kStationsMarker) != npos) out.clear();
    // Characters without a Shift-JIS form come out as "?"; the site's
    // long-vowel marks are the usual case, so they are read as "ー".
    out += SjisReplaceAll(plat::Utf8ToCp932(line), "?", "ー");
  }
  return true;
}

void MergeChannel(MemTable& table, int number, const std::string& name) {
  const std::string channel = IntToStr(number);
  if (table.Locate("TVChannel", channel)) {
    table.Edit();
    table.FieldByName("TVName").SetAsString(name);
    table.FieldByName("Status").SetAsInteger(0);
    table.Post();
  } else {
    AppendChannel(table, channel, name, 1);
  }
}

void OrderChannelTable(MemTable& table) { table.SortOn("TVChannel"); }

void ScanSkyptEntries(std::string text, ChannelListVariant variant,
                      ChannelListSink& sink) {
  const bool downloadWindow = variant == ChannelListVariant::DownloadWindow;
  const long long markerLen = static_cast<long long>(sizeof kAllChannels - 1);
  const long long openerLen = static_cast<long long>(sizeof kNameOpener - 1);
  if (downloadWindow) {
    long long m = static_cast<long long>(Pos(kAllChannels, text));
    if (m > 0)
      Delete(text, m - 1 + markerLen + 1);
    else
      Delete(text, markerLen);
  }
  while (!text.empty() && !Stopped(sink)) {
    long long d = static_cast<long long>(Pos(kSeparator, text));
    long long n = static_cast<long long>(Pos(kNameOpener, text));
    std::string numberText = Copy(text, n + openerLen, d - n - openerLen);
    if (!downloadWindow && numberText.size() > 3) {
      numberText = numberText.substr(numberText.size() - 3);
      // The first number text of the settings window's scan runs from a
      // name opener ahead of the entries; for a channel below 100 its last
      // three characters start with the opening quote. Only the digits at
      // the end count then, or that channel would never reach the list.
      std::size_t digits = numberText.size();
      while (digits > 0 && numberText[digits - 1] >= '0' && numberText[digits - 1] <= '9')
        --digits;
      if (digits > 0 && digits < numberText.size() && StrToIntDef(numberText, 0) == 0)
        numberText.erase(0, digits);
    }
    int number = StrToIntDef(numberText, 0);
    long long e = static_cast<long long>(Pos(kEntryEnd, text));
    std::string name = Trim(Copy(text, d + 3, e - d - 3));
    long long q = static_cast<long long>(Pos("\"", text));
    int station = StrToIntDef(Copy(text, q + 1, 6), 0);
    Delete(text, e > 0 ? e + 2 : 2);
    if (number < 1) continue;
    if (downloadWindow && sink.Keys)
      sink.Keys->push_back(IntToStr(number) + "=" + IntToStr(station));
    sink.Numbers.push_back(IntToStr(number));
    MergeChannel(sink.Table, number, name);
  }
}

void ReadE2Page(const std::string& path, ChannelListVariant variant,
                ChannelListSink& sink) {
  const bool downloadWindow = variant == ChannelListVariant::DownloadWindow;
  THTMLParser parser;
  LoadLinesFromFile(path, parser.Lines);
  parser.Execute(sink.TokenizerYield);
  bool inForm = false;
  bool inSelect = false;
  int optionKey = 0;
  for (const auto& element : parser.Elements) {
    if (Stopped(sink)) break;
    if (const THTMLTag* tag = AsTag(element.get())) {
      if (tag->Name == "FORM") {
        for (const THTMLParam& p : tag->Params)
          if (p.Name == "NAME" && LowerAscii(p.Value) == kE2FormName) inForm = true;
      } else if (tag->Name == "SELECT" && inForm) {
        for (const THTMLParam& p : tag->Params)
          if (p.Name == "NAME") inSelect = p.Value == "id";
      } else if (tag->Name == "OPTION" && inSelect && downloadWindow) {
        for (const THTMLParam& p : tag->Params)
          if (p.Name == "VALUE") optionKey = StrToIntDef(p.Value, 0);
      }
      continue;
    }
    const THTMLText* piece = AsText(element.get());
    if (!piece) continue;
    const std::string t = DecodePageText(piece->Text);
    std::size_t sep = SjisFind(t, kSeparator);
    int number = sep == npos ? 0 : StrToIntDef(Trim(t.substr(0, sep)), 0);
    if (number >= 1 && !t.empty() && inSelect) {
      const std::string channel = IntToStr(number);
      if (IndexOf(sink.Numbers, channel) < 0) sink.Numbers.push_back(channel);
      if (sink.Keys) sink.Keys->push_back(channel + "=" + IntToStr(optionKey));
      MergeChannel(sink.Table, number, t.substr(sep + 3));
    }
    optionKey = 0;
  }
}

namespace {

void RetrieveForDownloadWindow(RunContext& ctx, ChannelPlatform platform) {
  DownloadRunState& st = ctx.State;
  const bool e2 = platform == ChannelPlatform::E2;
  st.PhaseName = e2 ? "GetTVChannelES2" : "GetTVChannel2";
  const std::string work = ChannelWorkFile();
  DownloadToFile(ctx, site::BaseAddress() + (e2 ? site::kE2ListPath : site::kSkyptListPath), work);
  if (!plat::Fs().FileExists(work)) return;
  st.PhaseName = e2 ? "GetChannelES2" : "GetTVChannel";
  ChannelListSink sink{ctx.TableSkypch, st.ChannelNumberList, &st.ChannelKeyList,
                       [&st] { return st.StopRequested; }, ctx.TokenizerYield};
  try {
    if (!ctx.TableSkypch.Active()) ctx.TableSkypch.Open();
    if (e2) {
      ReadE2Page(work, ChannelListVariant::DownloadWindow, sink);
    } else {
      std::string text;
      if (!GatherSkyptScript(work, sink.Stop, text)) return;
      ScanSkyptEntries(text, ChannelListVariant::DownloadWindow, sink);
    }
    OrderChannelTable(ctx.TableSkypch);
  } catch (const std::exception&) {
    ctx.Log.WriteLine(st.PhaseName + "; チャンネルエラー", true);
  }
}

}  // namespace

void RetrieveSkyptChannels(RunContext& ctx) { RetrieveForDownloadWindow(ctx, ChannelPlatform::Skypt); }

void RetrieveE2Channels(RunContext& ctx) { RetrieveForDownloadWindow(ctx, ChannelPlatform::E2); }

void RetrieveChannelList(RunContext& ctx) {
  if (ctx.State.UseE2)
    RetrieveE2Channels(ctx);
  else
    RetrieveSkyptChannels(ctx);
}

void RetrieveChannelListForSettings(ChannelPlatform platform, MemTable& tableTV,
                                    StringList& channelNumbers,
                                    const std::function<bool()>& stop,
                                    const std::function<void(bool)>& tokenizerYield,
                                    const std::function<void()>& afterScan) {
  const bool e2 = platform == ChannelPlatform::E2;
  const std::string work = ChannelWorkFile();
  DownloadToFileNoLog(site::BaseAddress() + (e2 ? site::kE2ListPath : site::kSkyptListPath), work,
                      stop);
  if (!plat::Fs().FileExists(work)) return;
  ChannelListSink sink{tableTV, channelNumbers, nullptr, stop, tokenizerYield};
  if (!tableTV.Active()) tableTV.Open();
  if (e2) {
    ReadE2Page(work, ChannelListVariant::SettingsWindow, sink);
  } else {
    std::string text;
    if (!GatherSkyptScript(work, stop, text)) return;
    ScanSkyptEntries(text, ChannelListVariant::SettingsWindow, sink);
    if (afterScan) afterScan();
  }
  OrderChannelTable(tableTV);
}

void SaveChannelNumberList(const StringList& numbers, const std::string& pluginFolder) {
  SaveStringListToFile(numbers, ChannelNumberListFile(pluginFolder));
}

StringList LoadChannelNumberList(const std::string& pluginFolder) {
  return LoadStringListFromFile(ChannelNumberListFile(pluginFolder));
}

}  // namespace kc
