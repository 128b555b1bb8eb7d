// The table CSV format: writer and reader. The host reads and writes these
// files too (the channel table, and the programme lines it merges into its
// datasets), so every byte of the output is fixed: header of display names,
// every non-null value quoted, the record delimiter after the last column,
// CR LF, and the four escapes %0 %n %c %%.
#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>

#include "core/byte_scan.h"
#include "core/datetime.h"
#include "core/error.h"
#include "core/text.h"
#include "platform/platform.h"
#include "storage/memtable.h"

namespace kc {

namespace {

constexpr std::size_t kChunkSize = 8192;

const char* const kMarkFileVersion = "@@FILE VERSION@@";
const char* const kMarkTableDefStart = "@@TABLEDEF START@@";
const char* const kMarkTableDefEnd = "@@TABLEDEF END@@";
const char* const kMarkIndexDefStart = "@@INDEXDEF START@@";
const char* const kMarkIndexDefEnd = "@@INDEXDEF END@@";

std::string Fmt1(const char* pattern, const std::string& a) {
  std::string s = pattern;
  std::size_t p = s.find("%s");
  if (p != std::string::npos) s.replace(p, 2, a);
  return s;
}

bool IsEscaped(char c) { return c == '\0' || c == '\n' || c == '\r' || c == '%'; }

std::size_t FindByte(const char* p, std::size_t n, char c) { return ByteSet<1>(c).Find(p, n); }

bool NeedsEscapes(std::string_view s) {
  static const ByteSet<4> escaped('\0', '\n', '\r', '%');
  return escaped.Find(s.data(), s.size()) < s.size();
}

// Copies the runs between escaped bytes whole.
void AppendEscaped(std::string& out, std::string_view s) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (!IsEscaped(c)) continue;
    out.append(s, run, i - run);
    out += '%';
    out += c == '\0' ? '0' : c == '\n' ? 'n' : c == '\r' ? 'c' : '%';
    run = i + 1;
  }
  out.append(s.substr(run));
}

// Callers pass texts without "%" as they are.
void DecodeEscapes(std::string_view s, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < s.size(); ++i) {
    // The run up to the next "%" is copied whole.
    std::size_t at = s.find('%', i);
    if (at == std::string_view::npos) at = s.size();
    out.append(s.data() + i, at - i);
    i = at;
    if (i >= s.size()) break;
    if (i + 1 >= s.size()) {
      out += '%';
      continue;
    }
    char n = s[++i];
    switch (n) {
      case '0': out += '\0'; break;
      case 'n': out += '\n'; break;
      case 'c': out += '\r'; break;
      default: out += n;  // "%%", and whatever else: the second character
    }
  }
}

bool IsLineEnd(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// Offset of the first line end in data, or size when there is none.
std::size_t FindLineEnd(const char* data, std::size_t size) {
  static const ByteSet<3> lineEnds('\r', '\n', '\0');
  return lineEnds.Find(data, size);
}

}  // namespace

// Reaches into MemTable for the reader and writer.
class CsvIo {
 public:
  // ------------------------------------------------------------ writing
  static bool Written(const Field& f, unsigned options) {
    if (!f.Visible() && !(options & SaveNonVisible)) return false;
    switch (f.Kind()) {
      case FieldKind::Data: return (options & SaveData) != 0;
      case FieldKind::Lookup: return (options & SaveLookup) != 0;
      default: return (options & SaveCalculated) != 0;
    }
  }

  // The output being built: bytes written through a pointer into room made
  // beforehand, so that a value costs no check per byte.
  class Output {
   public:
    // At least n bytes to write at the returned position; Commit(end) then
    // keeps what was written up to end.
    char* Room(std::size_t n) {
      if (cap_ - size_ < n) {
        const std::size_t cap = std::max(cap_ * 2, size_ + n + 4096);
        std::unique_ptr<char[]> grown(new char[cap]);
        if (size_ > 0) std::memcpy(grown.get(), buf_.get(), size_);
        buf_ = std::move(grown);
        cap_ = cap;
      }
      return buf_.get() + size_;
    }
    void Commit(char* end) { size_ = static_cast<std::size_t>(end - buf_.get()); }
    void Append(std::string_view text) {
      char* p = Room(text.size());
      if (!text.empty()) std::memcpy(p, text.data(), text.size());
      Commit(p + text.size());
    }
    std::string_view View() const { return std::string_view(buf_.get(), size_); }
    std::size_t Size() const { return size_; }
    void Clear() { size_ = 0; }

   private:
    std::unique_ptr<char[]> buf_;
    std::size_t size_ = 0;
    std::size_t cap_ = 0;
  };

  static char* Copy(char* p, const char* data, std::size_t n) {
    if (n > 0) std::memcpy(p, data, n);
    return p + n;
  }

  // text enclosed in the quote character, each one inside doubled (as it
  // is when there is none).
  static void PutQuoted(char q, Output& out, std::string_view text) {
    if (q == 0) {
      out.Append(text);
      return;
    }
    char* p = out.Room(2 * text.size() + 2);
    *p++ = q;
    const ByteSet<1> quote(q);
    std::size_t run = 0;
    for (std::size_t at = quote.Find(text.data(), text.size()); at < text.size();
         at += 1 + quote.Find(text.data() + at + 1, text.size() - at - 1)) {
      p = Copy(p, text.data() + run, at + 1 - run);
      *p++ = q;
      run = at + 1;
    }
    p = Copy(p, text.data() + run, text.size() - run);
    *p++ = q;
    out.Commit(p);
  }

  // A string value escaped and quoted in one pass. That gives the same
  // bytes as escaping, then quoting, as long as no escape writes the quote
  // character; for such a quote (and for none) the two steps are taken.
  // special: NUL, LF, CR, "%" and the quote character.
  static void PutString(char q, const ByteSet<5>& special, Output& out, std::string_view text,
                        std::string& scratch) {
    if (q == 0 || q == '%' || q == '0' || q == 'n' || q == 'c') {
      if (!NeedsEscapes(text)) {
        PutQuoted(q, out, text);
      } else {
        scratch.clear();
        AppendEscaped(scratch, text);
        PutQuoted(q, out, scratch);
      }
      return;
    }
    char* p = out.Room(2 * text.size() + 2);
    *p++ = q;
    std::size_t run = 0;
    for (std::size_t at = special.Find(text.data(), text.size()); at < text.size();
         at += 1 + special.Find(text.data() + at + 1, text.size() - at - 1)) {
      p = Copy(p, text.data() + run, at - run);
      const char c = text[at];
      *p++ = IsEscaped(c) ? '%' : q;
      *p++ = c == '\0' ? '0' : c == '\n' ? 'n' : c == '\r' ? 'c' : c;  // "%%" or the doubled quote
      run = at + 1;
    }
    p = Copy(p, text.data() + run, text.size() - run);
    *p++ = q;
    out.Commit(p);
  }

  // The text of a value that is not a string, in `scratch`. A date-time
  // repeats the one before it often (one programme's end is the next one's
  // start), so the last one is kept.
  struct ValueTexts {
    std::string scratch;
    bool haveLast = false;
    double lastDateTime = 0;
    std::string lastDateTimeText;
  };

  static std::string_view ValueText(const MemTable& t, const Field& f, const MemTable::Cell& c,
                                    ValueTexts& vt) {
    std::string& s = vt.scratch;
    s.clear();
    switch (f.DataType()) {
      case FieldType::String: s.assign(c.str, c.len); break;  // not reached: strings go through PutString
      case FieldType::Integer: AppendInt(s, static_cast<long long>(c.num)); break;
      case FieldType::Boolean: return c.num != 0 ? t.CSVTrueString : t.CSVFalseString;
      case FieldType::DateTime: {
        if (vt.haveLast && std::memcmp(&vt.lastDateTime, &c.num, sizeof(double)) == 0)
          return vt.lastDateTimeText;
        AppendTableDateTime(s, c.num, t.FileFormats);
        vt.haveLast = true;
        vt.lastDateTime = c.num;
        vt.lastDateTimeText = s;
        break;
      }
      case FieldType::Time: AppendFormatDateTime(s, t.FileFormats.LongTimeFormat, c.num, t.FileFormats); break;
      case FieldType::Date: AppendFormatDateTime(s, t.FileFormats.ShortDateFormat, c.num, t.FileFormats); break;
    }
    return s;
  }

  static void EndLine(const MemTable& t, Output& out) {
    char* p = out.Room(3);
    if (t.CSVRecordDelimiter != 0) *p++ = t.CSVRecordDelimiter;
    *p++ = '\r';
    *p++ = '\n';
    out.Commit(p);
  }

  // Hands put each line, or with a batch size, lines gathered up to about
  // that many bytes.
  static void Write(MemTable& t, unsigned options, const std::function<void(std::string_view)>& put,
                    std::size_t batch) {
    const std::size_t n = t.fields_.size();
    struct Column {
      bool written;
      FieldType type;
    };
    std::vector<Column> columns(n);
    for (std::size_t i = 0; i < n; ++i)
      columns[i] = Column{Written(*t.fields_[i], options), t.fields_[i]->DataType()};
    const char q = t.CSVQuote, fd = t.CSVFieldDelimiter;
    // Integers go straight into the line when no digit or sign is the quote.
    const bool plainIntegers = q != 0 && q != '-' && (q < '0' || q > '9');
    const ByteSet<5> special('\0', '\n', '\r', '%', q);

    Output out;
    if (!(options & SaveNoHeader)) {
      for (std::size_t i = 0; i < n; ++i) {
        if (i > 0) out.Append(std::string_view(&fd, 1));
        PutQuoted(q, out, t.fields_[i]->DisplayName());
      }
      EndLine(t, out);
      if (out.Size() >= batch) {
        put(out.View());
        out.Clear();
      }
    }
    ValueTexts vt;
    for (std::size_t idx : t.order_) {
      const MemTable::Cell* r = t.RecordCells(idx);
      for (std::size_t i = 0; i < n; ++i) {
        if (i > 0) {
          char* p = out.Room(1);
          *p = fd;
          out.Commit(p + 1);
        }
        const MemTable::Cell& c = r[i];
        if (!columns[i].written || c.null) continue;
        if (columns[i].type == FieldType::String) {
          PutString(q, special, out, std::string_view(c.str, c.len), vt.scratch);
        } else if (columns[i].type == FieldType::Integer && plainIntegers) {
          char* p = out.Room(24);
          *p++ = q;
          char digits[24];
          char* const end = digits + sizeof digits;
          char* const d = WriteIntBefore(end, static_cast<long long>(c.num));
          p = Copy(p, d, static_cast<std::size_t>(end - d));
          *p++ = q;
          out.Commit(p);
        } else {
          PutQuoted(q, out, ValueText(t, *t.fields_[i], c, vt));
        }
      }
      EndLine(t, out);
      if (out.Size() >= batch) {
        put(out.View());
        out.Clear();
      }
    }
    if (out.Size() > 0) put(out.View());
  }

  static void Write(MemTable& t, unsigned options, const std::function<void(const std::string&)>& put) {
    std::string line;
    Write(
        t, options,
        [&put, &line](std::string_view text) {
          line.assign(text.data(), text.size());
          put(line);
        },
        0);
  }

  // ------------------------------------------------------------ reading
  class Reader {
   public:
    Reader(MemTable& t, int currentYear) : t_(t), currentYear_(currentYear) {}

    // Feeds raw bytes; lines end at CR, LF or NUL, a run of them being one
    // line end, so empty lines vanish except one at the very start.
    void Feed(const char* data, std::size_t size) {
      std::size_t i = 0;
      while (i < size) {
        if (IsLineEnd(data[i])) {
          if (!prevEnd_) {
            Line(line_);
            line_.clear();
          }
          prevEnd_ = true;
          ++i;
          continue;
        }
        const std::size_t j = i + FindLineEnd(data + i, size - i);
        if (j < size && line_.empty()) {
          // The whole line is in this piece: read where it lies.
          Line(std::string_view(data + i, j - i));
          prevEnd_ = true;
          i = j + 1;
          continue;
        }
        line_.append(data + i, j - i);
        prevEnd_ = false;
        i = j;
      }
    }

    void Finish() {
      if (!line_.empty()) Line(line_);
      line_.clear();
      if (inTableDef_) {
        t_.ReplaceFieldDefs(defs_);
        inTableDef_ = false;
      }
    }

   private:
    // Reads the next value of line from pos. False at the end of the line.
    bool NextValue(const std::string& line, std::size_t& pos, std::string& value, bool& isNull) {
      std::string_view v;
      const bool has = NextValue(std::string_view(line), pos, v, isNull);
      if (v.data() == value.data())
        value.resize(v.size());  // already there
      else
        value.assign(v.data(), v.size());
      return has;
    }

    // The same; the value lies in the line, or in value_ when it had doubled
    // quotes.
    bool NextValue(std::string_view line, std::size_t& pos, std::string_view& value, bool& isNull) {
      const std::size_t len = line.size();
      const char q = t_.CSVQuote, fd = t_.CSVFieldDelimiter, rd = t_.CSVRecordDelimiter;
      value = std::string_view();
      if (pos >= len) return false;
      if (q == 0) {
        std::size_t e = pos;
        while (e < len && line[e] != fd && !(rd != 0 && line[e] == rd)) ++e;
        value = line.substr(pos, e - pos);
        isNull = value.empty();
        pos = e < len ? e + 1 : e;
        return true;
      }
      while (pos < len && line[pos] != q && line[pos] != fd && !(rd != 0 && line[pos] == rd)) ++pos;
      if (pos >= len) return false;
      if (line[pos] != q) {
        isNull = true;
        ++pos;
        return true;
      }
      isNull = false;
      ++pos;
      bool joined = false;  // value_ holds the text so far
      for (;;) {
        const std::size_t e = pos + FindByte(line.data() + pos, len - pos, q);
        if (e >= len) {
          // No closing quote on this line: an empty text.
          value = std::string_view();
          pos = len;
          return true;
        }
        if (e + 1 < len && line[e + 1] == q) {
          if (!joined) value_.clear();
          joined = true;
          value_.append(line.data() + pos, e + 1 - pos);  // one quote kept
          pos = e + 2;
          continue;
        }
        if (joined) {
          value_.append(line.data() + pos, e - pos);
          value = value_;
        } else {
          value = line.substr(pos, e - pos);
        }
        pos = e + 1;
        if (pos < len) ++pos;  // the delimiter after the closing quote
        return true;
      }
    }

    static bool IsMarker(const std::string& v) {
      return v == kMarkFileVersion || v == kMarkTableDefStart || v == kMarkTableDefEnd ||
             v == kMarkIndexDefStart || v == kMarkIndexDefEnd;
    }

    void Line(std::string_view line) {
      ++lineNo_;
      switch (phase_) {
        case Phase::Sections: SectionOrHeader(std::string(line)); break;
        case Phase::Records: Record(line); break;
      }
    }

    void SectionOrHeader(const std::string& line) {
      std::size_t pos = 0;
      bool isNull = true;
      bool has = NextValue(line, pos, value_, isNull);
      const bool marker = has && !isNull && IsMarker(value_);
      if (inTableDef_) {
        if (marker && value_ == kMarkTableDefEnd) {
          t_.ReplaceFieldDefs(defs_);
          inTableDef_ = false;
        } else {
          FieldDefLine(line);
        }
        return;
      }
      if (inIndexDef_) {
        // Index definitions mean nothing to these tables; their lines are
        // read past until the end marker.
        if (marker && value_ == kMarkIndexDefEnd) inIndexDef_ = false;
        return;
      }
      if (marker) {
        if (value_ == kMarkFileVersion) {
          NextValue(line, pos, value_, isNull);
        } else if (value_ == kMarkTableDefStart) {
          t_.ReplaceFieldDefs({});
          defs_.clear();
          inTableDef_ = true;
        } else if (value_ == kMarkIndexDefStart) {
          inIndexDef_ = true;
        }
        return;
      }
      phase_ = Phase::Records;
      columns_.clear();
      if (lineNo_ == 1 && line.empty()) {
        // No header: columns map to the fields by position.
        for (int i = 0; i < t_.FieldCount(); ++i) columns_.push_back(i);
        return;
      }
      pos = 0;
      int col = 0;
      while (NextValue(line, pos, value_, isNull)) {
        int field = -1;
        if (isNull) {
          if (col < t_.FieldCount()) field = col;
        } else if (!value_.empty()) {
          std::string up = UpperAscii(value_);
          for (int i = 0; i < t_.FieldCount(); ++i) {
            if (UpperAscii(t_.Fields(i).DisplayName()) == up) {
              field = i;
              break;
            }
          }
        }
        columns_.push_back(field);
        ++col;
      }
    }

    static std::vector<std::string> SplitCommaList(const std::string& s) {
      std::vector<std::string> items;
      std::size_t i = 0;
      const std::size_t len = s.size();
      while (i <= len) {
        std::string item;
        if (i < len && s[i] == '"') {
          ++i;
          while (i < len) {
            if (s[i] == '"') {
              if (i + 1 < len && s[i + 1] == '"') {
                item += '"';
                i += 2;
                continue;
              }
              ++i;
              break;
            }
            item += s[i++];
          }
          while (i < len && s[i] != ',') ++i;
        } else {
          std::size_t e = s.find(',', i);
          if (e == std::string::npos) e = len;
          item = s.substr(i, e - i);
          i = e;
        }
        items.push_back(item);
        if (i >= len) break;
        ++i;  // the comma
        if (i == len) {
          items.emplace_back();
          break;
        }
      }
      return items;
    }

    void FieldDefLine(const std::string& line) {
      std::size_t eq = line.find('=');
      FieldDef d;
      d.FieldName = eq == std::string::npos ? line : line.substr(0, eq);
      std::vector<std::string> items =
          SplitCommaList(eq == std::string::npos ? std::string() : line.substr(eq + 1));
      const std::string typeName = items.empty() ? std::string() : items[0];
      static const struct { const char* name; FieldType type; } kTypes[] = {
          {"String", FieldType::String},     {"FixedChar", FieldType::String},
          {"WideString", FieldType::String}, {"Memo", FieldType::String},
          {"FmtMemo", FieldType::String},    {"Integer", FieldType::Integer},
          {"SmallInt", FieldType::Integer},  {"Word", FieldType::Integer},
          {"AutoInc", FieldType::Integer},   {"Boolean", FieldType::Boolean},
          {"DateTime", FieldType::DateTime}, {"Time", FieldType::Time},
          {"Date", FieldType::Date},
      };
      bool known = false;
      for (const auto& k : kTypes) {
        if (SameTextAscii(typeName, k.name)) {
          d.DataType = k.type;
          known = true;
          break;
        }
      }
      if (!known) {
        std::string msg = "Unknown field type (%s) in CSV file. (%s)";
        std::size_t p = msg.find("%s");
        msg.replace(p, 2, typeName);
        p = msg.find("%s", p + typeName.size());
        msg.replace(p, 2, line);
        throw Error(msg);
      }
      if (items.size() > 1) d.Size = StrToIntDef(Trim(items[1]), 0);
      if (items.size() > 2) d.DisplayLabel = items[2];
      if (items.size() > 3) d.EditMask = items[3];
      if (items.size() > 4) d.DisplayWidth = StrToIntDef(Trim(items[4]), 0);
      d.Kind = FieldKind::Data;
      if (items.size() >= 6) {
        static const struct { const char* name; FieldKind kind; } kKinds[] = {
            {"Data", FieldKind::Data},
            {"Calculated", FieldKind::Calculated},
            {"Lookup", FieldKind::Lookup},
            {"InternalCalc", FieldKind::InternalCalc},
            {"Aggregate", FieldKind::Aggregate},
        };
        for (const auto& k : kKinds)
          if (SameTextAscii(items[5], k.name)) d.Kind = k.kind;
      }
      if (items.size() > 6) d.DefaultExpression = items[6];
      d.Required = line.find(",REQ") != std::string::npos;
      d.ReadOnly = line.find(",RO") != std::string::npos;
      d.Visible = line.find(",INV") == std::string::npos;
      defs_.push_back(d);
    }

    void Record(std::string_view line) {
      const std::size_t nf = t_.fields_.size();
      // The record is stored first and filled in place; a value that fails
      // its conversion takes the record back out, so that only the lines
      // before it stay.
      MemTable::Cell* cells = t_.AddRecordCells();
      std::size_t pos = 0;
      bool isNull = true;
      std::string_view value;
      try {
        for (std::size_t col = 0; col < columns_.size(); ++col) {
          if (!NextValue(line, pos, value, isNull)) break;
          int fi = columns_[col];
          if (fi < 0 || static_cast<std::size_t>(fi) >= nf) continue;
          MemTable::Cell& c = cells[static_cast<std::size_t>(fi)];
          const FieldDef& def = t_.fields_[static_cast<std::size_t>(fi)]->Def();
          if (!c.null && def.DataType == FieldType::String) t_.DropText(def.DataType, c);
          c.num = 0;
          c.len = 0;
          c.null = true;
          if (isNull) continue;
          switch (def.DataType) {
            case FieldType::String: {
              std::string_view text = value;
              if (FindByte(text.data(), text.size(), '%') < text.size()) {
                DecodeEscapes(text, decoded_);
                text = decoded_;
              }
              t_.StoreText(c, text.data(), MemTable::FittingSize(text, def.Size));
              break;
            }
            case FieldType::Boolean:
              c.null = false;
              c.num = value == t_.CSVTrueString ? 1 : 0;
              break;
            case FieldType::DateTime:
              // One programme's end is often the next one's start.
              if (haveLastDateTime_ && value == lastDateTimeText_) {
                c.null = false;
                c.num = lastDateTime_;
                break;
              }
              c.null = !MemTable::TextToNumber(def, value, t_.FileFormats, currentYear_, c.num);
              haveLastDateTime_ = !c.null;
              lastDateTimeText_.assign(value.data(), value.size());
              lastDateTime_ = c.num;
              break;
            default:
              c.null = !MemTable::TextToNumber(def, value, t_.FileFormats, currentYear_, c.num);
          }
        }
      } catch (...) {
        t_.RemoveRecordCells(t_.recordCount_ - 1);
        throw;
      }
      t_.AppendLoadedRecord();
    }

    enum class Phase { Sections, Records };
    MemTable& t_;
    const int currentYear_;
    Phase phase_ = Phase::Sections;
    std::string line_;
    bool prevEnd_ = false;
    long long lineNo_ = 0;
    std::string value_;
    std::string decoded_;
    bool haveLastDateTime_ = false;
    std::string lastDateTimeText_;
    double lastDateTime_ = 0;
    std::vector<int> columns_;
    bool inTableDef_ = false;
    bool inIndexDef_ = false;
    std::vector<FieldDef> defs_;
  };

  static void Read(MemTable& t, const std::function<long long(char*, std::size_t)>& get) {
    const std::size_t before = t.CurrentRecordIndex();
    int year, month, day;
    DecodeDate(plat::Now(), year, month, day);
    Reader reader(t, year);
    std::vector<char> buf(kChunkSize);
    try {
      for (;;) {
        long long n = get(buf.data(), buf.size());
        if (n < 0) throw Error("ストリームの読み込みエラー");
        if (n == 0) break;
        reader.Feed(buf.data(), static_cast<std::size_t>(n));
      }
      reader.Finish();
    } catch (...) {
      if (before != SIZE_MAX) t.GoToRecordIndex(before);
      throw;
    }
    if (before != SIZE_MAX && before < t.recordCount_)
      t.GoToRecordIndex(before);
    else
      t.cur_ = t.order_.empty() ? -1 : 0;
  }
};

void MemTable::SaveToFile(const std::string& path, unsigned options) {
  std::unique_ptr<plat::File> f =
      plat::Fs().Open(path, (options & SaveAppend) ? plat::OpenMode::Append : plat::OpenMode::Rewrite);
  if (!f) throw Error(Fmt1("ファイル %s を作成できません", path));
  CsvIo::Write(*this, options, [&f](const std::string& line) {
    if (!f->Write(line.data(), line.size())) throw Error("ストリームへの書き込みエラー");
  });
  // A close that fails may have lost buffered bytes; the caller must not
  // then move this file over the good one.
  if (!f->Close()) throw Error("ストリームへの書き込みエラー");
}

std::string MemTable::SaveToString(unsigned options) {
  // Gathered in pieces and joined once, so that a large table is not copied
  // again each time the text outgrows its memory.
  std::vector<std::string> pieces;
  std::size_t total = 0;
  CsvIo::Write(
      *this, options,
      [&pieces, &total](std::string_view piece) {
        pieces.emplace_back(piece);
        total += piece.size();
      },
      1 << 20);
  if (pieces.size() == 1) return std::move(pieces.front());
  std::string out;
  out.reserve(total);
  for (const std::string& p : pieces) out += p;
  return out;
}

void MemTable::SaveToStream(unsigned options, const std::function<void(std::string_view)>& put) {
  CsvIo::Write(*this, options, put, 1 << 20);
}

void MemTable::LoadFromFile(const std::string& path) {
  std::unique_ptr<plat::File> f = plat::Fs().Open(path, plat::OpenMode::Read);
  if (!f) throw Error(Fmt1("ファイル %s は開けません", path));
  CsvIo::Read(*this, [&f](char* data, std::size_t size) { return f->Read(data, size); });
}

void MemTable::LoadFromString(const std::string& data) {
  std::size_t pos = 0;
  CsvIo::Read(*this, [&data, &pos](char* out, std::size_t size) -> long long {
    std::size_t n = std::min(size, data.size() - pos);
    std::memcpy(out, data.data() + pos, n);
    pos += n;
    return static_cast<long long>(n);
  });
}

}  // namespace kc
