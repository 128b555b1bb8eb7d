#include "storage/memtable.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdint>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "core/error.h"
#include "core/text.h"
#include "platform/platform.h"

namespace kc {

namespace {

std::string Fmt1(const char* pattern, const std::string& a) {
  std::string s = pattern;
  std::size_t p = s.find("%s");
  if (p != std::string::npos) s.replace(p, 2, a);
  return s;
}

std::string Fmt2(const char* pattern, const std::string& a, const std::string& b) {
  std::string s = pattern;
  std::size_t p = s.find("%s");
  if (p != std::string::npos) {
    s.replace(p, 2, a);
    p = s.find("%s", p + a.size());
    if (p != std::string::npos) s.replace(p, 2, b);
  }
  return s;
}

// The texts of this module are Japanese, but for this one: the date-time
// conversion error is worded as the host's runtime words it, and the log
// shows it to the user as it is.
constexpr const char* kNotADateTime = "'%s' is not a valid date and time";

bool IsStringType(FieldType t) { return t == FieldType::String; }

// Dates of two numbers and two-digit years are read against this year.
int CurrentYear() {
  int y, m, d;
  DecodeDate(kc::Now(), y, m, d);
  return y;
}

int CompareValues(const ValueView& a, const ValueView& b) {
  if (a.Null || b.Null) return a.Null == b.Null ? 0 : (a.Null ? -1 : 1);
  int c = a.Str.compare(b.Str);  // by byte value; empty for numbers
  if (c != 0) return c < 0 ? -1 : 1;
  return a.Num < b.Num ? -1 : (a.Num > b.Num ? 1 : 0);
}

// Text store blocks; a longer text gets a block of its own.
constexpr std::size_t kTextBlock = 256 * 1024;

}  // namespace

FormatSettings TableFileFormats() {
  FormatSettings f;
  f.DateSeparator = '/';
  f.ShortDateFormat = "dd/mm/yyyy";
  f.TimeSeparator = ':';
  f.LongTimeFormat = "hh:nn:ss";
  return f;
}

// ------------------------------------------------------------------ Field

const std::string& Field::DisplayName() const {
  return def_.DisplayLabel.empty() ? def_.FieldName : def_.DisplayLabel;
}

ValueView Field::Value() const { return table_->CurrentValue(index_); }
FieldValue& Field::MutableValue() { return table_->MutableCurrentValue(index_); }

FieldValue* Field::NumberSlot() {
  FieldValue& v = MutableValue();  // fails outside Edit and Insert
  if (def_.Kind != FieldKind::Data) return nullptr;
  v.Null = false;
  v.Str.clear();
  return &v;
}

bool Field::IsNull() const { return Value().Null; }

void Field::Clear() {
  if (def_.Kind != FieldKind::Data) return;
  FieldValue& v = MutableValue();
  v = FieldValue();
}

std::string Field::AsString() const {
  return MemTable::ValueToText(def_, Value());
}

void Field::SetAsString(const std::string& value) {
  FieldValue& v = MutableValue();
  // Calculated fields have no calculation attached here: whatever is
  // assigned is not kept, as the record's calculated part is rebuilt empty.
  if (def_.Kind != FieldKind::Data) return;
  FieldValue nv;
  MemTable::TextToValue(def_, value, ProcessFormats(), CurrentYear(), nv);
  v = std::move(nv);
}

int Field::AsInteger() const {
  const ValueView v = Value();
  if (v.Null) return 0;
  if (IsStringType(def_.DataType)) {
    const std::string text(v.Str);
    int out = 0;
    if (!TryStrToInt(text, out))
      throw Error(Fmt2("'%s' は項目 '%s' に適した整数値ではありません", text, DisplayName()));
    return out;
  }
  return static_cast<int>(v.Num);
}

void Field::SetAsInteger(int value) {
  if (IsStringType(def_.DataType)) {
    SetAsString(IntToStr(value));
    return;
  }
  if (FieldValue* v = NumberSlot())
    v->Num = def_.DataType == FieldType::Boolean ? (value != 0 ? 1 : 0) : value;
}

TDateTime Field::AsDateTime() const {
  const ValueView v = Value();
  if (v.Null) return 0;
  if (IsStringType(def_.DataType)) {
    const std::string text(v.Str);
    TDateTime out = 0;
    if (!TryStrToDateTime(text, ProcessFormats(), CurrentYear(), out))
      throw Error(Fmt1(kNotADateTime, text));
    return out;
  }
  return v.Num;
}

void Field::SetAsDateTime(TDateTime value) {
  if (IsStringType(def_.DataType)) {
    SetAsString(DateTimeToStr(value));
    return;
  }
  FieldValue* v = NumberSlot();
  if (!v) return;
  switch (def_.DataType) {
    case FieldType::Date: v->Num = DateOf(value); break;
    case FieldType::Time: v->Num = TimeOf(value); break;
    case FieldType::Integer: v->Num = static_cast<int>(value); break;
    case FieldType::Boolean: v->Num = value != 0 ? 1 : 0; break;
    default: v->Num = value;
  }
}

bool Field::AsBoolean() const {
  const ValueView v = Value();
  if (v.Null) return false;
  if (IsStringType(def_.DataType)) return SameTextAscii(std::string(v.Str), table_->CSVTrueString);
  return v.Num != 0;
}

void Field::SetAsBoolean(bool value) {
  if (IsStringType(def_.DataType)) {
    SetAsString(value ? table_->CSVTrueString : table_->CSVFalseString);
    return;
  }
  SetAsInteger(value ? 1 : 0);
}

// ------------------------------------------------------------- conversions

// Cuts text to at most size bytes on a character boundary, so that a
// double-byte character is never split into a lone lead byte that would
// swallow the next byte of whatever the host puts after it.
std::size_t MemTable::FittingSize(std::string_view text, int size) {
  if (size <= 0 || text.size() <= static_cast<std::size_t>(size)) return text.size();
  const std::size_t limit = static_cast<std::size_t>(size);
  std::size_t i = 0;
  while (i < limit) {
    const std::size_t len =
        i + 1 < text.size() && IsSjisLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    if (i + len > limit) break;
    i += len;
  }
  return i;
}

void MemTable::TextToValue(const FieldDef& def, const std::string& text,
                           const FormatSettings& fs, int currentYear, FieldValue& out) {
  out = FieldValue();
  if (def.DataType == FieldType::String) {
    out.Null = false;
    out.Str.assign(text, 0, FittingSize(text, def.Size));
    return;
  }
  out.Null = !TextToNumber(def, text, fs, currentYear, out.Num);
}

bool MemTable::TextToNumber(const FieldDef& def, std::string_view text,
                            const FormatSettings& fs, int currentYear, double& out) {
  if (text.empty()) return false;  // an empty text clears a non-text field
  const std::string& name = def.DisplayLabel.empty() ? def.FieldName : def.DisplayLabel;
  out = 0;
  switch (def.DataType) {
    case FieldType::Integer: {
      // Blanks in front are taken, as the host's own runtime reads numbers.
      int v = 0;
      if (!TryStrToInt(text, v))
        throw Error(Fmt2("'%s' は項目 '%s' に適した整数値ではありません", std::string(text), name));
      out = v;
      break;
    }
    case FieldType::Boolean: {
      const std::string s(text);
      if (SameTextAscii(s, "True") || SameTextAscii(s, "T") || s == "1")
        out = 1;
      else if (SameTextAscii(s, "False") || SameTextAscii(s, "F") || s == "0")
        out = 0;
      else
        throw Error(Fmt2("'%s' は項目 '%s' に適したブール値ではありません", s, name));
      break;
    }
    case FieldType::DateTime: {
      TDateTime v = 0;
      if (!TryStrToDateTime(text, fs, currentYear, v))
        throw Error(Fmt1(kNotADateTime, std::string(text)));
      out = v;
      break;
    }
    case FieldType::Date: {
      TDateTime v = 0;
      if (!TryStrToDateTime(text, fs, currentYear, v))
        throw Error(Fmt1("'%s' は日付として正しくありません", std::string(text)));
      out = DateOf(v);
      break;
    }
    case FieldType::Time: {
      TDateTime v = 0;
      if (!TryStrToTime(text, fs, v))
        throw Error(Fmt1("'%s' は時刻として正しくありません", std::string(text)));
      out = v;
      break;
    }
    default:
      break;
  }
  return true;
}

std::string MemTable::ValueToText(const FieldDef& def, const ValueView& v) {
  if (v.Null) return std::string();
  switch (def.DataType) {
    case FieldType::String: return std::string(v.Str);
    case FieldType::Integer: return IntToStr(static_cast<long long>(v.Num));
    case FieldType::Boolean: return v.Num != 0 ? "True" : "False";
    case FieldType::DateTime: return DateTimeToStr(v.Num);
    case FieldType::Date: return DateToStr(v.Num);
    case FieldType::Time: return TimeToStr(v.Num);
  }
  return std::string();
}

// --------------------------------------------------------------- MemTable

MemTable::MemTable(std::string name) : Name(std::move(name)) {}

MemTable::~MemTable() = default;

std::string MemTable::Prefixed(const std::string& msg) const {
  return Name.empty() ? msg : Name + ": " + msg;
}

Field& MemTable::AddField(const FieldDef& def) {
  if (Active()) throw Error(Prefixed("開いているテーブルにはこの操作はできません"));
  ReleaseRecords();  // records of a closed table are never seen; their layout ends here
  fields_.push_back(std::unique_ptr<Field>(new Field(this, def, static_cast<int>(fields_.size()))));
  return *fields_.back();
}

void MemTable::ClearFields() {
  if (Active()) throw Error(Prefixed("開いているテーブルにはこの操作はできません"));
  ReleaseRecords();
  fields_.clear();
  sortFields_.clear();
}

Field* MemTable::FindField(const std::string& name) {
  for (auto& f : fields_)
    if (SameTextAscii(f->FieldName(), name)) return f.get();
  return nullptr;
}

Field& MemTable::FieldByName(const std::string& name) {
  Field* f = FindField(name);
  if (!f) throw Error(Prefixed(Fmt1("項目 '%s' が見つかりません", name)));
  return *f;
}

ValueView MemTable::View(FieldType type, const Cell& c) {
  ValueView v;
  if (c.null) return v;
  v.Null = false;
  if (IsStringType(type))
    v.Str = std::string_view(c.str, c.len);
  else
    v.Num = c.num;
  return v;
}

ValueView MemTable::CurrentValue(int field) const {
  std::size_t i = static_cast<std::size_t>(field);
  if (state_ == TableState::Edit || state_ == TableState::Insert) {
    if (i >= buffer_.Values.size()) return ValueView();
    const FieldValue& b = buffer_.Values[i];
    ValueView v;
    v.Null = b.Null;
    v.Str = b.Str;
    v.Num = b.Num;
    return v;
  }
  if (state_ == TableState::Closed || cur_ < 0 || i >= fields_.size()) return ValueView();
  return View(fields_[i]->DataType(), RecordCells(order_[static_cast<std::size_t>(cur_)])[i]);
}

FieldValue& MemTable::MutableCurrentValue(int field) {
  if (state_ != TableState::Edit && state_ != TableState::Insert)
    throw Error(Prefixed("テーブルは編集中でも追加中でもありません"));
  std::size_t i = static_cast<std::size_t>(field);
  if (buffer_.Values.size() < fields_.size()) buffer_.Values.resize(fields_.size());
  return buffer_.Values.at(i);
}

MemTable::Cell* MemTable::AddRecordCells() {
  const std::size_t n = fields_.size();
  if (recordCount_ % kBlockRecords == 0 && recordCount_ / kBlockRecords == blocks_.size())
    blocks_.emplace_back(new Cell[kBlockRecords * (n == 0 ? 1 : n)]);
  Cell* c = RecordCells(recordCount_++);
  for (std::size_t i = 0; i < n; ++i) {
    c[i].num = 0;
    c[i].len = 0;
    c[i].null = true;
  }
  return c;
}

void MemTable::RemoveRecordCells(std::size_t recIndex) {
  const std::size_t n = fields_.size();
  const Cell* gone = RecordCells(recIndex);
  for (std::size_t i = 0; i < n; ++i) DropText(fields_[i]->DataType(), gone[i]);
  // The records after it move up one place, across blocks.
  for (std::size_t r = recIndex; r + 1 < recordCount_; ++r)
    std::copy(RecordCells(r + 1), RecordCells(r + 1) + n, RecordCells(r));
  --recordCount_;
}

void MemTable::StoreText(Cell& c, const char* data, std::size_t size) {
  if (size > UINT32_MAX) throw std::length_error("テーブルの値には長すぎるテキストです");
  c.null = false;
  c.len = static_cast<std::uint32_t>(size);
  c.str = nullptr;
  if (size == 0) return;
  char* dest;
  if (size > textLeft_) {
    if (size >= kTextBlock / 4) {
      // A long text has its own block, so the current one is not wasted.
      textBlocks_.emplace_back(new char[size]);
      dest = textBlocks_.back().get();
      std::memcpy(dest, data, size);
      c.str = dest;
      textUsed_ += size;
      return;
    }
    textBlocks_.emplace_back(new char[kTextBlock]);
    textFree_ = textBlocks_.back().get();
    textLeft_ = kTextBlock;
  }
  dest = textFree_;
  textFree_ += size;
  textLeft_ -= size;
  std::memcpy(dest, data, size);
  c.str = dest;
  textUsed_ += size;
}

void MemTable::StoreValue(FieldType type, const FieldValue& v, Cell& c) {
  if (v.Null) {
    c.num = 0;
    c.len = 0;
    c.null = true;
  } else if (IsStringType(type)) {
    StoreText(c, v.Str.data(), v.Str.size());
  } else {
    c.num = v.Num;
    c.len = 0;
    c.null = false;
  }
}

void MemTable::DropText(FieldType type, const Cell& c) {
  if (c.null || !IsStringType(type)) return;
  textUsed_ -= c.len;
  textDropped_ += c.len;
}

void MemTable::CompactText() {
  // Only once the dropped text outweighs the text in use (and is not
  // small), so that the copying stays in proportion to the edits made.
  if (textDropped_ <= textUsed_ || textDropped_ < kTextBlock) return;
  std::vector<std::unique_ptr<char[]>> old;
  old.swap(textBlocks_);
  textFree_ = nullptr;
  textLeft_ = 0;
  textUsed_ = 0;
  textDropped_ = 0;
  const std::size_t n = fields_.size();
  for (std::size_t r = 0; r < recordCount_; ++r) {
    Cell* c = RecordCells(r);
    for (std::size_t i = 0; i < n; ++i)
      if (!c[i].null && IsStringType(fields_[i]->DataType())) StoreText(c[i], c[i].str, c[i].len);
  }
}

void MemTable::ReleaseRecords() {
  blocks_.clear();
  recordCount_ = 0;
  textBlocks_.clear();
  textFree_ = nullptr;
  textLeft_ = 0;
  textUsed_ = 0;
  textDropped_ = 0;
  order_.clear();
  buffer_.Values.clear();
  cur_ = -1;
  eof_ = bof_ = true;
}

bool MemTable::Less(std::size_t a, std::size_t b) const {
  const Cell* ra = RecordCells(a);
  const Cell* rb = RecordCells(b);
  for (int f : sortFields_) {
    std::size_t i = static_cast<std::size_t>(f);
    const FieldType type = fields_[i]->DataType();
    int c = CompareValues(View(type, ra[i]), View(type, rb[i]));
    if (c != 0) return c < 0;
  }
  return false;
}

std::size_t MemTable::InsertIntoOrder(std::size_t recIndex) {
  if (sortFields_.empty()) {
    order_.push_back(recIndex);
    return order_.size() - 1;
  }
  auto pos = std::upper_bound(order_.begin(), order_.end(), recIndex,
                              [this](std::size_t a, std::size_t b) { return Less(a, b); });
  return static_cast<std::size_t>(order_.insert(pos, recIndex) - order_.begin());
}

void MemTable::Open() {
  if (Active()) return;
  state_ = TableState::Browse;
  saved_ = false;
  loadFailed_ = false;
  ReleaseRecords();
  try {
    PersistentLoad();
  } catch (...) {
    loadFailed_ = true;
    First();
    throw;
  }
  First();
}

void MemTable::PersistentLoad() {
  recoveredFrom_.clear();
  if (!Persistent || PersistentFile.empty()) return;
  kc::FileSystem& fs = kc::Fs();
  if (fs.FileExists(PersistentFile)) {
    LoadFromFile(PersistentFile);
    return;
  }
  if (!PersistentBackup) return;
  // A save cut short by a crash in an earlier version's two renames left
  // the content only in the new file or the backup; start from the newest
  // of them that reads whole rather than from an empty table.
  for (const std::string& ext : {std::string(".$$$"), PersistentBackupExt}) {
    const std::string candidate = kc::ChangeFileExt(PersistentFile, ext);
    if (!fs.FileExists(candidate)) continue;
    try {
      LoadFromFile(candidate);
      recoveredFrom_ = candidate;
      return;
    } catch (const std::exception&) {
      ReleaseRecords();
    }
  }
}

void MemTable::PersistentSave() {
  const std::string temp = kc::ChangeFileExt(PersistentFile, ".$$$");
  SaveToFile(temp, PersistentSaveOptions);
  kc::FileSystem& fs = kc::Fs();
  // The bound file is never missing: the backup is a copy of it, and the
  // new content replaces it in one step. A backup copy that failed part-way
  // goes, so that the backup is always some whole earlier content.
  if (PersistentBackup && fs.FileExists(PersistentFile)) {
    const std::string backup = kc::ChangeFileExt(PersistentFile, PersistentBackupExt);
    if (!fs.CopyFile(PersistentFile, backup, true)) fs.DeleteFile(backup);
  }
  if (!fs.ReplaceFile(temp, PersistentFile)) {
    // The new content is only in the temporary file; tell the caller rather
    // than let a lost save pass as done. The table stays open with its records.
    throw Error(CannotCreateText(PersistentFile));
  }
  saved_ = true;
}

void MemTable::Close() {
  if (!Active()) return;
  if (state_ == TableState::Edit || state_ == TableState::Insert) Cancel();
  // A load that stopped part-way left only the lines before the bad one;
  // writing that back would cut the shared file short, so it is kept as is.
  if (Persistent && !PersistentFile.empty() && !saved_ && !loadFailed_) PersistentSave();
  ReleaseRecords();
  state_ = TableState::Closed;
  saved_ = false;
  loadFailed_ = false;
}

void MemTable::CheckBrowse() {
  if (state_ == TableState::Closed)
    throw Error(Prefixed("閉じているテーブルにはこの操作はできません"));
  if (state_ == TableState::Edit || state_ == TableState::Insert) Post();
}

void MemTable::Append() {
  CheckBrowse();
  buffer_.Values.assign(fields_.size(), FieldValue());
  state_ = TableState::Insert;
}

void MemTable::Edit() {
  if (state_ == TableState::Edit || state_ == TableState::Insert) return;
  CheckBrowse();
  if (order_.empty() || cur_ < 0) {
    Append();
    return;
  }
  const Cell* c = RecordCells(order_[static_cast<std::size_t>(cur_)]);
  buffer_.Values.assign(fields_.size(), FieldValue());
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const ValueView v = View(fields_[i]->DataType(), c[i]);
    FieldValue& b = buffer_.Values[i];
    b.Null = v.Null;
    b.Str.assign(v.Str.data(), v.Str.size());
    b.Num = v.Num;
  }
  state_ = TableState::Edit;
}

void MemTable::Post() {
  if (state_ == TableState::Insert) {
    buffer_.Values.resize(fields_.size());
    Cell* c = AddRecordCells();
    for (std::size_t i = 0; i < fields_.size(); ++i)
      StoreValue(fields_[i]->DataType(), buffer_.Values[i], c[i]);
    buffer_ = Record();
    std::size_t idx = recordCount_ - 1;
    // The position comes straight from the insertion: a search for the new
    // record would make filling a table quadratic.
    cur_ = static_cast<int>(InsertIntoOrder(idx));
  } else if (state_ == TableState::Edit) {
    std::size_t pos = static_cast<std::size_t>(cur_);
    std::size_t idx = order_[pos];
    buffer_.Values.resize(fields_.size());
    Cell* c = RecordCells(idx);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      const FieldType type = fields_[i]->DataType();
      DropText(type, c[i]);
      StoreValue(type, buffer_.Values[i], c[i]);
    }
    buffer_ = Record();
    CompactText();
    if (!sortFields_.empty()) {
      // Keep the record where it is when it still fits between its
      // neighbours, so that a walk over the order is not disturbed.
      bool fits = (pos == 0 || !Less(idx, order_[pos - 1])) &&
                  (pos + 1 >= order_.size() || !Less(order_[pos + 1], idx));
      if (!fits) {
        order_.erase(order_.begin() + static_cast<long>(pos));
        cur_ = static_cast<int>(InsertIntoOrder(idx));
      }
    }
  } else {
    return;
  }
  state_ = TableState::Browse;
  eof_ = bof_ = false;
}

void MemTable::Cancel() {
  if (state_ == TableState::Edit || state_ == TableState::Insert) {
    buffer_ = Record();
    state_ = TableState::Browse;
  }
}

void MemTable::Delete() {
  if (state_ == TableState::Insert) {
    Cancel();
    return;
  }
  CheckBrowse();
  if (cur_ < 0 || order_.empty()) throw Error(Prefixed("空のテーブルにはこの操作はできません"));
  std::size_t pos = static_cast<std::size_t>(cur_);
  std::size_t idx = order_[pos];
  order_.erase(order_.begin() + static_cast<long>(pos));
  RemoveRecordCells(idx);
  CompactText();
  for (auto& o : order_)
    if (o > idx) --o;
  if (order_.empty()) {
    cur_ = -1;
    eof_ = bof_ = true;
  } else {
    if (pos >= order_.size()) {
      cur_ = static_cast<int>(order_.size()) - 1;
      eof_ = true;
    } else {
      cur_ = static_cast<int>(pos);
      eof_ = false;
    }
    bof_ = false;
  }
}

std::size_t MemTable::CurrentRecordIndex() const {
  if (cur_ < 0 || static_cast<std::size_t>(cur_) >= order_.size()) return SIZE_MAX;
  return order_[static_cast<std::size_t>(cur_)];
}

void MemTable::GoToRecordIndex(std::size_t recIndex) {
  for (std::size_t i = 0; i < order_.size(); ++i) {
    if (order_[i] == recIndex) {
      cur_ = static_cast<int>(i);
      return;
    }
  }
}

void MemTable::First() {
  CheckBrowse();
  cur_ = order_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = order_.empty();
}

void MemTable::Last() {
  CheckBrowse();
  cur_ = order_.empty() ? -1 : static_cast<int>(order_.size()) - 1;
  eof_ = true;
  bof_ = order_.empty();
}

void MemTable::Next() {
  CheckBrowse();
  if (order_.empty()) {
    eof_ = bof_ = true;
    return;
  }
  if (cur_ + 1 < static_cast<int>(order_.size())) {
    ++cur_;
    eof_ = bof_ = false;
  } else {
    eof_ = true;
  }
}

void MemTable::Prior() {
  CheckBrowse();
  if (order_.empty()) {
    eof_ = bof_ = true;
    return;
  }
  if (cur_ > 0) {
    --cur_;
    eof_ = bof_ = false;
  } else {
    bof_ = true;
  }
}

bool MemTable::Locate(const std::string& fieldName, const std::string& value) {
  CheckBrowse();
  Field& f = FieldByName(fieldName);
  std::size_t fi = static_cast<std::size_t>(f.Index());
  for (std::size_t i = 0; i < order_.size(); ++i) {
    const ValueView v = View(f.DataType(), RecordCells(order_[i])[fi]);
    bool match;
    if (v.Null)
      match = value.empty();
    else if (IsStringType(f.DataType()))
      match = v.Str == value;
    else
      match = ValueToText(f.Def(), v) == value;
    if (match) {
      cur_ = static_cast<int>(i);
      eof_ = bof_ = false;
      return true;
    }
  }
  return false;
}

void MemTable::SortOn(const std::string& fieldNames, unsigned /*options*/) {
  CheckBrowse();
  std::vector<int> keys;
  std::size_t start = 0;
  while (start <= fieldNames.size()) {
    std::size_t semi = fieldNames.find(';', start);
    std::string name = Trim(fieldNames.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
    if (!name.empty()) keys.push_back(FieldByName(name).Index());
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  sortFields_ = keys;
  if (!sortFields_.empty()) {
    std::stable_sort(order_.begin(), order_.end(),
                     [this](std::size_t a, std::size_t b) { return Less(a, b); });
  } else {
    std::sort(order_.begin(), order_.end());
  }
  First();
}

void MemTable::ReplaceFieldDefs(const std::vector<FieldDef>& defs) {
  ReleaseRecords();
  fields_.clear();
  sortFields_.clear();
  for (const auto& d : defs)
    fields_.push_back(std::unique_ptr<Field>(new Field(this, d, static_cast<int>(fields_.size()))));
}

void MemTable::AppendLoadedRecord() { InsertIntoOrder(recordCount_ - 1); }

}  // namespace kc
