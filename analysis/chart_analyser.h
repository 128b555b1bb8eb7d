// The chart page analyser: turns one cached chart page (one channel, six
// hours of the chart day) into programme records appended to TableMas.
//
// The page is walked as the tokenizer's flat element list. The channel
// column starts at the DIV of CLASS "topcolumn" and is cut into programme
// blocks at every closing DIV; a block gathers its start from the recording
// link, its length from the DIV's pixel height, its category from the genre
// class, title and summary from SPAN-classed text and the detail link.
//
// ChartWalker holds that state machine without any window, table or file, so
// that it can be driven element by element (ReadChartPage does, and the
// tests do); ReadChartPage adds the page file, the stop flags and progress.
// The download run gives it the page context with the channel label and
// stores the records in its programme table.
#pragma once

#include <functional>
#include <string>

#include "core/datetime.h"
#include "core/stringlist.h"

namespace kc {

// Flag values the host reads: programmes of the first chart day (until 04:00
// the next morning) are marked as current.
constexpr int kFlagCurrentDay = 268435457;  // 0x10000001
constexpr int kFlagLaterDay = 268435456;    // 0x10000000

struct ProgrammeRecord {
  TDateTime StartDateTime = 0;
  std::string TVChannel;
  TDateTime EndDateTime = 0;
  std::string Title;
  std::string Memo;
  int Categorie = 0;
  std::string url;
  std::string GCODE;  // always empty, but a value (written "")
  int Flag = kFlagLaterDay;
};

// What one call knows about its page before reading it.
struct PageContext {
  int DaysAhead = 100;         // NoDLLAfterDays_Text; 0 or no number: 100
  TDateTime Today = 0;         // today 00:00
  TDateTime PageDate = 0;      // from the file name's mmdd
  TDateTime DayBase = 0;       // PageDate 05:00
  int ChannelNumber = 0;       // the page file's channel characters
  std::string ChannelText;     // the same characters as text
  std::string ChannelLabel;    // empty: the channel is not in the table
  std::string BaseAddress;     // scheme and host, no trailing "/"
};

// The context of a page of the channel's three characters and the chart
// day's month and day, which the download put in the page's file name
// (download/host_files.h reads them back). A month before now's falls in
// the next year. Throws kc::Error when the month and day give no date.
PageContext MakePageContext(const std::string& channelText, int month, int day, TDateTime now,
                            const std::string& daysAheadText,
                            const std::string& baseAddress);

// The host category number of a DIV CLASS value (0 when no genre matches).
int CategoryOfClass(const std::string& classValue);
// Duration from a DIV STYLE value; false leaves the duration as it was.
bool DurationOfStyle(const std::string& styleValue, int& minutes);
// Start of a "/m/clipAdding.action?id=" link; false for any other link.
// A date without a year falls in currentYear.
bool StartOfRecordingLink(const std::string& href, int currentYear, TDateTime& start);

// The channel label: channel number (or its conversion), ".", station name.
// conversion is the value ChannelConversionList holds for the file name's
// channel characters (empty when absent). A conversion to the channel's own
// number labels as no conversion does.
std::string MakeChannelLabel(int channelNumber, const std::string& conversion,
                             const std::string& stationName);

// The block state machine over the element list.
class ChartWalker {
 public:
  using NormaliseFn = std::function<std::string(const std::string&)>;
  using StoreFn = std::function<void(const ProgrammeRecord&)>;

  ChartWalker(const PageContext& page, NormaliseFn normalise, StoreFn store);

  // One element: a tag with its parameters, or a text piece. Call
  // BeginTag, then TagParam for each parameter in order, then EndElement;
  // or Text, then EndElement.
  void BeginTag(const std::string& upperName);
  void TagParam(const std::string& upperName, const std::string& value);
  void Text(const std::string& decoded);
  void EndElement();

  int Count() const { return count_; }
  bool InColumn() const { return inColumn_; }
  int DurationMinutes() const { return durationMinutes_; }

 private:
  enum class Kind { Other, Div, Span, CloseDiv, Anchor };
  // Where text goes, by the class of the last SPAN in the column.
  enum class SpanField { None, Title, Summary };
  void EndBlock();

  const PageContext& page_;
  NormaliseFn normalise_;
  StoreFn store_;
  int count_ = 0;
  Kind kind_ = Kind::Other;
  // page state
  bool inColumn_ = false;
  bool blockEnded_ = false;
  SpanField spanField_ = SpanField::None;
  int durationMinutes_ = 0;
  // block state
  TDateTime start_ = 0;
  std::string title_, summary_, urlPath_;
  int category_ = 0;
};

class AnalysisSink;

// Tokenizes the page file (full name) and walks it, text pieces through
// NormaliseText; every programme found goes to store. page.ChannelLabel must
// be set. Ends after the element during which a stop flag was set. Throws
// kc::Error when the file cannot be read. Returns the number of programmes
// stored.
int ReadChartPage(const std::string& pageFile, const PageContext& page,
                  const ChartWalker::StoreFn& store, AnalysisSink& sink);

}  // namespace kc
