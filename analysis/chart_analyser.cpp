#include "analysis/chart_analyser.h"

#include <utility>

#include "analysis/analysis_sink.h"
#include "analysis/extension_notes.h"
#include "analysis/html_parser.h"
#include "analysis/site.h"
#include "analysis/text_rules.h"
#include "core/date_text.h"
#include "core/error.h"
#include "core/text.h"

namespace kc {

namespace {

// Date-times are sums of a date and a time fraction built in different
// orders; compare them on whole milliseconds so that a rounding difference in
// the last bit never moves a programme across a limit.
bool Earlier(TDateTime a, TDateTime b) { return MillisecondsOf(a) < MillisecondsOf(b); }

struct GenreRow {
  const char* text;
  int category;
};
// First row whose text the CLASS value contains wins, so the longer codes
// that share a prefix with an earlier row never match on their own.
const GenreRow kGenres[] = {
    {"genre-100000", 10}, {"genre-101000", 4},  {"genre-102000", 9},
    {"genre-102105", 5},  {"genre-103000", 1},  {"genre-104000", 3},
    {"genre-105000", 7},  {"genre-106000", 2},  {"genre-107000", 6},
    {"genre-108000", 11}, {"genre-109000", 12}, {"genre-110000", 14},
    {"genre-110108", 16}, {"genre-111000", 14},
};

std::string Mid(const std::string& s, std::size_t from, std::size_t len) {
  if (from >= s.size()) return std::string();
  return s.substr(from, len);
}

// gathered = Trim(gathered + piece), in time linear in the piece. gathered
// is always trimmed already, so only the piece's trailing blanks can go, or,
// when nothing is gathered yet, both ends of the piece.
void AppendTrimmed(std::string& gathered, const std::string& piece) {
  if (gathered.empty()) {
    gathered = Trim(piece);
    return;
  }
  std::size_t end = piece.size();
  while (end > 0 && static_cast<unsigned char>(piece[end - 1]) <= 0x20) --end;
  gathered.append(piece, 0, end);
}

}  // namespace

PageContext MakePageContext(const std::string& channelText, int month, int day, TDateTime now,
                            const std::string& daysAheadText,
                            const std::string& baseAddress) {
  PageContext pc;
  pc.DaysAhead = StrToIntDef(daysAheadText, 0);
  if (pc.DaysAhead == 0) pc.DaysAhead = 100;
  pc.Today = DateOf(now);
  int year = YearOfDate(now);
  if (month < MonthOfDate(now)) ++year;
  pc.PageDate = EncodeDate(year, month, day);  // throws when they give no date
  pc.DayBase = pc.PageDate + EncodeTime(5, 0, 0, 0);
  pc.ChannelText = channelText;
  pc.ChannelNumber = StrToIntDef(pc.ChannelText, 0);
  pc.BaseAddress = baseAddress;
  return pc;
}

int CategoryOfClass(const std::string& classValue) {
  for (const GenreRow& row : kGenres)
    if (SjisContains(classValue, row.text)) return row.category;
  return 0;
}

bool DurationOfStyle(const std::string& styleValue, int& minutes) {
  std::string v = LowerAscii(styleValue);
  std::size_t p = SjisFind(v, "height:");
  if (p == npos) return false;
  // The site writes "height: 57px"; the byte after the colon is always
  // dropped, blank or not.
  v = Mid(v, p + 7 + 1, npos);
  std::size_t px = SjisFind(v, "px");
  if (px == npos) return false;
  int h = StrToIntDef(Trim(v.substr(0, px)), 0);
  // Wide enough for the largest height a page may carry.
  minutes = static_cast<int>((static_cast<long long>(h) + 3) / 3);
  return true;
}

bool StartOfRecordingLink(const std::string& href, int currentYear, TDateTime& start) {
  if (!SjisContains(href, site::kRecordingLinkPart)) return false;
  std::size_t i = SjisFind(href, "id=");
  // id= then six characters of its own, then yyyymmdd, then hhmm
  start = ParseDateText(Mid(href, i + 9, 8), currentYear) + ParseTimeText(Mid(href, i + 17, 4));
  return true;
}

std::string MakeChannelLabel(int channelNumber, const std::string& conversion,
                             const std::string& stationName) {
  const int converted = StrToIntDef(conversion, 0);
  // The conversion window writes every row it shows, so an unchanged row
  // (055=55) arrives as a conversion to the channel's own number: the
  // channel keeps the label the host knows it by.
  if (converted < 1 || converted == channelNumber)
    return IntToStr(channelNumber) + "." + stationName;
  if (conversion.size() >= 3) return conversion + "." + stationName;
  return "C" + conversion + "." + stationName;
}

ChartWalker::ChartWalker(const PageContext& page, NormaliseFn normalise, StoreFn store)
    : page_(page), normalise_(std::move(normalise)), store_(std::move(store)) {}

void ChartWalker::BeginTag(const std::string& name) {
  kind_ = Kind::Other;
  if (name == "DIV") {
    kind_ = Kind::Div;
    blockEnded_ = false;
  } else if (name == "SPAN") {
    if (inColumn_) {
      kind_ = Kind::Span;
      blockEnded_ = false;
      spanField_ = SpanField::None;
    }
  } else if (name == "/DIV") {
    if (inColumn_) blockEnded_ = true;
  } else if (name == "A") {
    kind_ = Kind::Anchor;
  }
}

void ChartWalker::TagParam(const std::string& name, const std::string& value) {
  switch (kind_) {
    case Kind::Div:
      if (name == "CLASS") {
        if (LowerAscii(value) == "topcolumn") inColumn_ = true;
        if (SjisContains(value, "genre")) category_ = CategoryOfClass(value);
      } else if (name == "STYLE") {
        DurationOfStyle(value, durationMinutes_);
      }
      break;
    case Kind::Span:
      if (name == "CLASS") {
        // Read once here rather than for every text piece that follows: a
        // page may give one long class to a great many pieces.
        const std::string spanClass = LowerAscii(value);
        if (SjisContains(spanClass, "schedule-summary"))
          spanField_ = SpanField::Summary;
        else if (SjisContains(spanClass, "schedule-title"))
          spanField_ = SpanField::Title;
        else
          spanField_ = SpanField::None;
      }
      break;
    case Kind::Anchor:
      if (name == "HREF" && inColumn_) {
        TDateTime start;
        if (StartOfRecordingLink(value, YearOfDate(page_.Today), start))
          start_ = start;
        else if (!value.empty() && value[0] == '/' && SjisContains(value, site::kSchedulePathPart))
          // Only a path of this site: the base address + any other text
          // (".other.example/...") would be a link to another host.
          urlPath_ = value;
      }
      break;
    default:
      break;
  }
}

void ChartWalker::Text(const std::string& decoded) {
  kind_ = Kind::Other;
  std::string t = normalise_ ? normalise_(decoded) : decoded;
  if (!inColumn_ || t.empty()) return;
  if (spanField_ == SpanField::Summary)
    AppendTrimmed(summary_, t);
  else if (spanField_ == SpanField::Title)
    AppendTrimmed(title_, t);
}

void ChartWalker::EndElement() {
  kind_ = Kind::Other;
  if (blockEnded_ && inColumn_) EndBlock();
}

void ChartWalker::EndBlock() {
  TDateTime limit = page_.Today + page_.DaysAhead + EncodeTime(5, 0, 0, 0);
  if (!title_.empty() && !page_.ChannelLabel.empty() && start_ > 0 &&
      Earlier(start_, limit)) {
    ProgrammeRecord r;
    // A programme that began before the chart day's 05:00 is counted from
    // 05:00, since its height only covers the part on this chart.
    TDateTime from = Earlier(page_.DayBase, start_) ? start_ : page_.DayBase;
    r.EndDateTime = from + durationMinutes_ / kMinutesPerDay;
    durationMinutes_ = 0;
    ApplyTitleMarks(title_, summary_);
    summary_ = ApplyExtensionNotes(summary_, r.EndDateTime);
    r.StartDateTime = start_;
    r.TVChannel = page_.ChannelLabel;
    r.Title = title_;
    r.Memo = summary_;
    r.Categorie = category_;
    r.url = page_.BaseAddress + urlPath_;
    r.Flag = Earlier(start_, page_.Today + 1 + EncodeTime(4, 0, 0, 0)) ? kFlagCurrentDay
                                                                       : kFlagLaterDay;
    store_(r);
    ++count_;
  }
  start_ = 0;
  title_.clear();
  summary_.clear();
  urlPath_.clear();
  category_ = 0;
  blockEnded_ = false;
}

int ReadChartPage(const std::string& pageFile, const PageContext& page,
                  const ChartWalker::StoreFn& store, AnalysisSink& sink) {
  THTMLParser parser;
  LoadLinesFromFile(pageFile, parser.Lines);
  parser.Execute([&sink](bool processMessages) { sink.TokenizerYield(processMessages); });

  const StopFlags stops = sink.Stops();
  ChartWalker walker(
      page, [&](const std::string& t) { return NormaliseText(t, stops); }, store);
  int done = 0;
  for (const auto& element : parser.Elements) {
    if (stops.AnySet()) break;
    if (const THTMLTag* tag = AsTag(element.get())) {
      walker.BeginTag(tag->Name);
      for (const THTMLParam& p : tag->Params) walker.TagParam(p.Name, p.Value);
    } else if (const THTMLText* text = AsText(element.get())) {
      walker.Text(text->Text);
    }
    walker.EndElement();
    sink.ShowProgress(++done);
    sink.YieldToWindow();
  }
  return walker.Count();
}

}  // namespace kc
