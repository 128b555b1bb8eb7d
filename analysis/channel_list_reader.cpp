// The channel list page readers: the SKY PerfecTV! station script is
// gathered from the page and scanned as text, the e2 selection form is
// walked as the tokenizer's element list. What they read goes into the
// sink; the download merges it into the channel table.
#include "analysis/channel_list_reader.h"

#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "analysis/html_parser.h"
#include "analysis/text_rules.h"
#include "core/text.h"
#include "platform/platform.h"
#include "platform/retry_open.h"
#include "platform/text_files.h"

namespace kc {

namespace {

// The scanner walks the gathered script text as if it cut each consumed
// entry off the front: positions are 1-based from the current start, copies
// are cut to fit, and every step consumes at least two bytes, so every odd
// layout still ends. Cutting the front off would copy the rest each time
// and every search would start at the front again, which makes a long page
// quadratic; the cursor below keeps an offset instead, remembers where each
// marker is found next, and searches again only once the start has passed it.
//
// Markers count only where a character starts (a trail byte that equals a
// quote is no quote). A cut inside a double-byte character makes its trail
// byte the first character of the rest, so the character boundaries are
// kept for the whole text and walked again from such a cut until they meet
// the earlier ones.
class ScanCursor {
 public:
  explicit ScanCursor(std::string text) : text_(std::move(text)), boundary_(text_.size() + 1) {
    boundary_[0] = true;
  }

  bool Empty() const { return start_ >= text_.size(); }

  // Drops count bytes from the front (all when count reaches the end).
  void Drop(long long count) {
    if (count <= 0) return;
    const std::size_t rest = text_.size() - start_;
    const std::size_t to = static_cast<std::size_t>(count) >= rest
                               ? text_.size()
                               : start_ + static_cast<std::size_t>(count);
    if (to == start_) return;
    if (to >= text_.size()) {
      start_ = text_.size();
      return;
    }
    Extend(to);
    start_ = to;
    if (!boundary_[to]) Rewalk(to);
    for (Marker& m : markers_)
      if (m.found != npos && m.found < start_) m.found = Find(m.needle, start_);
  }

  // 1-based position of the first occurrence in the rest; 0 when absent.
  long long Pos(int marker) {
    Marker& m = markers_[static_cast<std::size_t>(marker)];
    if (!m.searched) {
      m.found = Find(m.needle, start_);
      m.searched = true;
    }
    return m.found == npos ? 0 : static_cast<long long>(m.found - start_ + 1);
  }

  // count bytes from the 1-based position index of the rest, cut to fit.
  std::string Copy(long long index, long long count) const {
    const long long rest = static_cast<long long>(text_.size() - start_);
    if (index < 1) index = 1;
    if (count <= 0 || index > rest) return std::string();
    return text_.substr(start_ + static_cast<std::size_t>(index - 1),
                        static_cast<std::size_t>(count));
  }

  int AddMarker(const char* needle) {
    markers_.push_back(Marker{needle});
    return static_cast<int>(markers_.size() - 1);
  }

 private:
  struct Marker {
    std::string needle;
    std::size_t found = npos;
    bool searched = false;
  };

  // Character boundaries are known up to frontier_.
  void Extend(std::size_t to) {
    while (frontier_ < to) {
      frontier_ += SjisCharLen(text_, frontier_);
      boundary_[frontier_] = true;
    }
  }

  // The rest starts inside a character: its boundaries follow from there
  // until they land on one the walk from the earlier start had.
  void Rewalk(std::size_t from) {
    boundary_[from] = true;
    std::size_t q = from;
    while (q < frontier_) {
      const std::size_t next = q + SjisCharLen(text_, q);
      for (std::size_t i = q + 1; i < next && i <= frontier_; ++i) boundary_[i] = false;
      const bool met = next <= frontier_ && boundary_[next];
      boundary_[next] = true;
      q = next;
      if (met) {
        Recheck(from, q);
        return;
      }
    }
    frontier_ = q;
    Recheck(from, q);
  }

  // After a rewalk of [from, to): a marker may now start at a new boundary
  // there, or its found place may have become a trail byte.
  void Recheck(std::size_t from, std::size_t to) {
    for (Marker& m : markers_) {
      if (!m.searched) continue;
      std::size_t first = npos;
      for (std::size_t i = from; i < to && first == npos; ++i)
        if (boundary_[i] && text_.compare(i, m.needle.size(), m.needle) == 0) first = i;
      if (first != npos)
        m.found = first;
      else if (m.found != npos && (m.found < to || !boundary_[m.found]))
        m.found = Find(m.needle, to);
    }
  }

  std::size_t Find(const std::string& needle, std::size_t from) {
    std::size_t c = text_.find(needle, from);
    while (c != npos) {
      Extend(c);
      if (boundary_[c]) return c;
      c = text_.find(needle, c + 1);
    }
    return npos;
  }

  std::string text_;
  std::vector<bool> boundary_;
  std::size_t frontier_ = 0;
  std::size_t start_ = 0;
  std::vector<Marker> markers_;
};

bool Stopped(const ListPageSink& sink) { return sink.Stop && sink.Stop(); }

void LeaveOut(ListPageSink& sink, const std::string& number) {
  if (IndexOf(sink.LeftOut, number) >= 0) return;
  if (sink.LeftOut.size() < kLeftOutNamed)
    sink.LeftOut.push_back(number);
  else
    ++sink.LeftOutMore;
}

// The channels of one page through an index: a look-up in the list per
// entry would make a long page quadratic. Each channel keeps its last name
// and counts its entries.
class PageChannels {
 public:
  explicit PageChannels(ListPageSink& sink) : sink_(sink) { sink_.Channels.clear(); }

  void Add(int number, const std::string& name) {
    auto [it, fresh] = index_.try_emplace(number, sink_.Channels.size());
    if (fresh) {
      sink_.Channels.push_back(ListedChannel{number, name, 1});
    } else {
      ListedChannel& c = sink_.Channels[it->second];
      c.Name = name;
      ++c.Entries;
    }
  }

 private:
  ListPageSink& sink_;
  std::unordered_map<int, std::size_t> index_;
};

// The distinct entries (channel and page key) of one page, up to the number
// a page may bring. A repeat of an entry the page gave before costs nothing
// and still goes into the lists as it always has.
class PageEntries {
 public:
  explicit PageEntries(ListPageSink& sink) : sink_(sink) {}
  bool Room(int number, int key) {
    const long long pair = static_cast<long long>(number) << 32 ^ static_cast<unsigned>(key);
    if (seen_.count(pair)) return true;
    if (seen_.size() >= sink_.MaxEntries) {
      sink_.Capped = true;
      return false;
    }
    seen_.insert(pair);
    return true;
  }

 private:
  ListPageSink& sink_;
  std::unordered_set<long long> seen_;
};

// The number at the end of a text, without leading zeros ("CS 1234" gives
// "1234", "x055" gives "55"); empty when the text does not end in a digit.
std::string TrailingNumber(const std::string& s) {
  std::size_t from = s.size();
  while (from > 0 && s[from - 1] >= '0' && s[from - 1] <= '9') --from;
  while (from + 1 < s.size() && s[from] == '0') ++from;
  return s.substr(from);
}

constexpr long long kNumberTextMax = 64;

// The settings window reads a number text of more than three characters by
// its last three. Four digits or more would be cut to another channel's
// number (1234 to 234) and overwrite its name: such a number goes to
// tooLong instead. overlong: the text was cut to its last kNumberTextMax
// bytes.
std::string SettingsNumberText(std::string numberText, bool overlong, std::string& tooLong) {
  const std::string whole = TrailingNumber(numberText);
  if (overlong && numberText.find_first_not_of("0123456789") == npos)
    return std::string();  // digits beyond what was looked at: no number
  if (whole.size() > 3) tooLong = whole;
  numberText = numberText.substr(numberText.size() - 3);
  // The first number text of the settings window's scan runs from a name
  // opener ahead of the entries; for a channel below 100 its last three
  // characters start with the opening quote. Only the digits at the end
  // count then, or that channel would never reach the list.
  std::size_t digits = numberText.size();
  while (digits > 0 && numberText[digits - 1] >= '0' && numberText[digits - 1] <= '9') --digits;
  if (digits > 0 && digits < numberText.size() && StrToIntDef(numberText, 0) == 0)
    numberText.erase(0, digits);
  return numberText;
}

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
  std::unique_ptr<kc::File> f = ResetWithRetry(path, 0);
  if (!f) return false;
  std::string data;
  kc::ReadRest(*f, data);  // a read error keeps what came before it
  f->Close();
  for (const std::string& line : SplitLines(data)) {
    if (stop && stop()) break;
    if (ByteFind(line, kStationsMarker) != npos) out.clear();
    // Characters without a Shift-JIS form come out as "?"; the site's
    // long-vowel marks are the usual case, so they are read as "ー".
    out += SjisReplaceAll(kc::Utf8ToCp932(line), "?", "ー");
  }
  return true;
}

std::string LeftOutText(const ListPageSink& sink) {
  std::string out;
  for (const std::string& n : sink.LeftOut) out += (out.empty() ? "" : " ") + n;
  if (sink.LeftOutMore > 0) out += " ほか" + IntToStr(static_cast<long long>(sink.LeftOutMore)) + "件";
  return out;
}

void ReadSkyptScript(std::string text, ChannelListVariant variant, ListPageSink& sink) {
  const bool downloadWindow = variant == ChannelListVariant::DownloadWindow;
  const long long markerLen = static_cast<long long>(sizeof kAllChannels - 1);
  const long long openerLen = static_cast<long long>(sizeof kNameOpener - 1);
  ScanCursor cur(std::move(text));
  const int separator = cur.AddMarker(kSeparator);
  const int opener = cur.AddMarker(kNameOpener);
  const int entryEnd = cur.AddMarker(kEntryEnd);
  const int quote = cur.AddMarker("\"");
  if (downloadWindow) {
    const int all = cur.AddMarker(kAllChannels);
    long long m = cur.Pos(all);
    cur.Drop(m > 0 ? m - 1 + markerLen + 1 : markerLen);
  }
  PageChannels channels(sink);
  PageEntries entries(sink);
  unsigned long long steps = 0;
  while (!cur.Empty() && !Stopped(sink)) {
    if (sink.TokenizerYield && ++steps % 256 == 0) sink.TokenizerYield(true);
    long long d = cur.Pos(separator);
    long long n = cur.Pos(opener);
    // A number text runs from the name opener to the separator; without an
    // opener it starts at the front, so in text after the last entry it can
    // span everything up to a far separator, and copying it at every
    // two-byte step would make that text quadratic. Past kNumberTextMax
    // bytes no text reads as a number (it would need that many blanks or
    // zeros ahead of its digits), and the settings window needs only its end.
    long long numberLen = d - n - openerLen;
    long long numberAt = n + openerLen;
    bool overlong = numberLen > kNumberTextMax;
    if (overlong) {
      numberAt += numberLen - kNumberTextMax;
      numberLen = kNumberTextMax;
    }
    std::string numberText = downloadWindow && overlong ? std::string() : cur.Copy(numberAt, numberLen);
    std::string tooLong;
    if (!downloadWindow && numberText.size() > 3)
      numberText = SettingsNumberText(numberText, overlong, tooLong);
    int number = StrToIntDef(numberText, 0);
    long long e = cur.Pos(entryEnd);
    std::string name = Trim(cur.Copy(d + 3, e - d - 3));
    long long q = cur.Pos(quote);
    int station = StrToIntDef(cur.Copy(q + 1, 6), 0);
    cur.Drop(e > 0 ? e + 2 : 2);
    if (!tooLong.empty()) {
      LeaveOut(sink, tooLong.size() > 12 ? tooLong.substr(0, 12) + "…" : tooLong);
      continue;
    }
    if (number < 1) continue;
    if (number > sink.MaxChannel) {
      LeaveOut(sink, IntToStr(number));
      continue;
    }
    if (!entries.Room(number, station)) break;
    if (downloadWindow && sink.Keys)
      sink.Keys->push_back(IntToStr(number) + "=" + IntToStr(station));
    sink.Numbers.push_back(IntToStr(number));
    channels.Add(number, name);
  }
}

void ReadE2ListPage(const std::string& path, ChannelListVariant variant, ListPageSink& sink) {
  const bool downloadWindow = variant == ChannelListVariant::DownloadWindow;
  THTMLParser parser;
  LoadLinesFromFile(path, parser.Lines);
  parser.Execute(sink.TokenizerYield);
  bool inForm = false;
  bool inSelect = false;
  int optionKey = 0;
  PageChannels channels(sink);
  PageEntries entries(sink);
  // Each number once: what the list held before the page counts too.
  std::unordered_set<std::string> listed(sink.Numbers.begin(), sink.Numbers.end());
  unsigned long long steps = 0;
  for (const auto& element : parser.Elements) {
    if (sink.TokenizerYield && ++steps % 256 == 0) sink.TokenizerYield(true);
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
    if (number > sink.MaxChannel && inSelect) {
      LeaveOut(sink, IntToStr(number));
    } else if (number >= 1 && !t.empty() && inSelect) {
      if (!entries.Room(number, optionKey)) break;
      const std::string channel = IntToStr(number);
      if (listed.insert(channel).second) sink.Numbers.push_back(channel);
      if (sink.Keys) sink.Keys->push_back(channel + "=" + IntToStr(optionKey));
      channels.Add(number, t.substr(sep + 3));
    }
    optionKey = 0;
  }
}

}  // namespace kc
