// The table CSV format, read: the sections a file may begin with (version,
// table and index definitions), then the header of display names and the
// records, with the four escapes %0 %n %c %% decoded. A value its field
// cannot take stops the read; the records before it stay.
#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>

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

std::size_t FindByte(const char* p, std::size_t n, char c) { return ByteSet<1>(c).Find(p, n); }

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

// Reaches into MemTable to define its fields and append records whole.
class CsvReader {
 public:
  // Reads the table text that get hands out in pieces (0 at the end, less
  // than 0 on a failed read) into t.
static void Read(MemTable& t, const std::function<long long(char*, std::size_t)>& get) {
  const std::size_t before = t.CurrentRecordIndex();
  int year, month, day;
  DecodeDate(kc::Now(), year, month, day);
  CsvReader reader(t, year);
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

  CsvReader(MemTable& t, int currentYear) : t_(t), currentYear_(currentYear) {}

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

void MemTable::LoadFromFile(const std::string& path) {
  std::unique_ptr<kc::File> f = kc::Fs().Open(path, kc::OpenMode::Read);
  if (!f) throw Error(CannotOpenText(path));
  CsvReader::Read(*this, [&f](char* data, std::size_t size) { return f->Read(data, size); });
}

void MemTable::LoadFromString(const std::string& data) {
  std::size_t pos = 0;
  CsvReader::Read(*this, [&data, &pos](char* out, std::size_t size) -> long long {
    std::size_t n = std::min(size, data.size() - pos);
    std::memcpy(out, data.data() + pos, n);
    pos += n;
    return static_cast<long long>(n);
  });
}

}  // namespace kc
