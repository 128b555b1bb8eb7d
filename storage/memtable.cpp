#include "storage/memtable.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <exception>

#include "core/error.h"
#include "core/text.h"
#include "platform/platform.h"

namespace kc {

namespace {

const FieldValue& NullValue() {
  static const FieldValue v;
  return v;
}

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

// Cuts text to at most size bytes on a character boundary, so that a
// double-byte character is never split into a lone lead byte that would
// swallow the next byte of whatever the host puts after it.
std::string CutToSize(const std::string& text, int size) {
  if (size <= 0 || text.size() <= static_cast<std::size_t>(size)) return text;
  std::size_t limit = static_cast<std::size_t>(size);
  std::size_t i = 0;
  while (i < limit) {
    std::size_t len = SjisCharLen(text, i);
    if (i + len > limit) break;
    i += len;
  }
  return text.substr(0, i);
}

bool IsStringType(FieldType t) { return t == FieldType::String; }

// Dates of two numbers and two-digit years are read against this year.
int CurrentYear() {
  int y, m, d;
  DecodeDate(plat::Now(), y, m, d);
  return y;
}

int CompareValues(FieldType type, const FieldValue& a, const FieldValue& b) {
  if (a.Null || b.Null) return a.Null == b.Null ? 0 : (a.Null ? -1 : 1);
  if (IsStringType(type)) {
    int c = a.Str.compare(b.Str);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  return a.Num < b.Num ? -1 : (a.Num > b.Num ? 1 : 0);
}

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

const FieldValue& Field::Value() const { return table_->CurrentValue(index_); }
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
  const FieldValue& v = Value();
  if (v.Null) return 0;
  if (IsStringType(def_.DataType)) {
    int out = 0;
    if (!TryStrToInt(v.Str, out))
      throw Error(Fmt2("'%s' は項目 '%s' に適した整数値ではありません", v.Str, DisplayName()));
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
  const FieldValue& v = Value();
  if (v.Null) return 0;
  if (IsStringType(def_.DataType)) {
    TDateTime out = 0;
    if (!TryStrToDateTime(v.Str, ProcessFormats(), CurrentYear(), out))
      throw Error(Fmt1("'%s' is not a valid date and time", v.Str));
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
  const FieldValue& v = Value();
  if (v.Null) return false;
  if (IsStringType(def_.DataType)) return SameTextAscii(v.Str, table_->CSVTrueString);
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

void MemTable::TextToValue(const FieldDef& def, const std::string& text,
                           const FormatSettings& fs, int currentYear, FieldValue& out) {
  out = FieldValue();
  if (def.DataType == FieldType::String) {
    out.Null = false;
    out.Str = CutToSize(text, def.Size);
    return;
  }
  if (text.empty()) return;  // an empty text clears a non-text field
  const std::string& name = def.DisplayLabel.empty() ? def.FieldName : def.DisplayLabel;
  switch (def.DataType) {
    case FieldType::Integer: {
      // Blanks in front are taken, as the host's own runtime reads numbers.
      int v = 0;
      if (!TryStrToIntLeadingBlanks(text, v))
        throw Error(Fmt2("'%s' は項目 '%s' に適した整数値ではありません", text, name));
      out.Num = v;
      break;
    }
    case FieldType::Boolean:
      if (SameTextAscii(text, "True") || SameTextAscii(text, "T") || text == "1")
        out.Num = 1;
      else if (SameTextAscii(text, "False") || SameTextAscii(text, "F") || text == "0")
        out.Num = 0;
      else
        throw Error(Fmt2("'%s' は項目 '%s' に適したブール値ではありません", text, name));
      break;
    case FieldType::DateTime: {
      TDateTime v = 0;
      if (!TryStrToDateTime(text, fs, currentYear, v))
        throw Error(Fmt1("'%s' is not a valid date and time", text));
      out.Num = v;
      break;
    }
    case FieldType::Date: {
      TDateTime v = 0;
      if (!TryStrToDateTime(text, fs, currentYear, v))
        throw Error(Fmt1("'%s' is not a valid date", text));
      out.Num = DateOf(v);
      break;
    }
    case FieldType::Time: {
      TDateTime v = 0;
      if (!TryStrToTime(text, fs, v)) throw Error(Fmt1("'%s' is not a valid time", text));
      out.Num = v;
      break;
    }
    default:
      break;
  }
  out.Null = false;
}

std::string MemTable::ValueToText(const FieldDef& def, const FieldValue& v) {
  if (v.Null) return std::string();
  switch (def.DataType) {
    case FieldType::String: return v.Str;
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
  if (Active()) throw Error(Prefixed("Cannot perform this operation on an open dataset"));
  fields_.push_back(std::unique_ptr<Field>(new Field(this, def, static_cast<int>(fields_.size()))));
  return *fields_.back();
}

void MemTable::ClearFields() {
  if (Active()) throw Error(Prefixed("Cannot perform this operation on an open dataset"));
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

const FieldValue& MemTable::CurrentValue(int field) const {
  std::size_t i = static_cast<std::size_t>(field);
  if (state_ == TableState::Edit || state_ == TableState::Insert) {
    return i < buffer_.Values.size() ? buffer_.Values[i] : NullValue();
  }
  if (state_ == TableState::Closed || cur_ < 0) return NullValue();
  const Record& r = records_[order_[static_cast<std::size_t>(cur_)]];
  return i < r.Values.size() ? r.Values[i] : NullValue();
}

FieldValue& MemTable::MutableCurrentValue(int field) {
  if (state_ != TableState::Edit && state_ != TableState::Insert)
    throw Error(Prefixed("Dataset not in edit or insert mode"));
  std::size_t i = static_cast<std::size_t>(field);
  if (buffer_.Values.size() < fields_.size()) buffer_.Values.resize(fields_.size());
  return buffer_.Values.at(i);
}

void MemTable::ReleaseRecords() {
  records_.clear();
  order_.clear();
  buffer_.Values.clear();
  cur_ = -1;
  eof_ = bof_ = true;
}

bool MemTable::Less(std::size_t a, std::size_t b) const {
  const Record& ra = records_[a];
  const Record& rb = records_[b];
  for (int f : sortFields_) {
    std::size_t i = static_cast<std::size_t>(f);
    const FieldValue& va = i < ra.Values.size() ? ra.Values[i] : NullValue();
    const FieldValue& vb = i < rb.Values.size() ? rb.Values[i] : NullValue();
    int c = CompareValues(fields_[i]->DataType(), va, vb);
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
  plat::FileSystem& fs = plat::Fs();
  if (fs.FileExists(PersistentFile)) {
    LoadFromFile(PersistentFile);
    return;
  }
  if (!PersistentBackup) return;
  // A save cut short by a crash in an earlier version's two renames left
  // the content only in the new file or the backup; start from the newest
  // of them that reads whole rather than from an empty table.
  for (const std::string& ext : {std::string(".$$$"), PersistentBackupExt}) {
    const std::string candidate = plat::ChangeFileExt(PersistentFile, ext);
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
  const std::string temp = plat::ChangeFileExt(PersistentFile, ".$$$");
  SaveToFile(temp, PersistentSaveOptions);
  plat::FileSystem& fs = plat::Fs();
  // The bound file is never missing: the backup is a copy of it, and the
  // new content replaces it in one step. A backup copy that failed part-way
  // goes, so that the backup is always some whole earlier content.
  if (PersistentBackup && fs.FileExists(PersistentFile)) {
    const std::string backup = plat::ChangeFileExt(PersistentFile, PersistentBackupExt);
    if (!fs.CopyFile(PersistentFile, backup, true)) fs.DeleteFile(backup);
  }
  if (!fs.ReplaceFile(temp, PersistentFile)) {
    // The new content is only in the temporary file; tell the caller rather
    // than let a lost save pass as done. The table stays open with its records.
    throw Error(Fmt1("ファイル %s を作成できません", PersistentFile));
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
    throw Error(Prefixed("Cannot perform this operation on a closed dataset"));
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
  buffer_ = records_[order_[static_cast<std::size_t>(cur_)]];
  buffer_.Values.resize(fields_.size());
  state_ = TableState::Edit;
}

void MemTable::Post() {
  if (state_ == TableState::Insert) {
    records_.push_back(std::move(buffer_));
    buffer_ = Record();
    std::size_t idx = records_.size() - 1;
    // The position comes straight from the insertion: a search for the new
    // record would make filling a table quadratic.
    cur_ = static_cast<int>(InsertIntoOrder(idx));
  } else if (state_ == TableState::Edit) {
    std::size_t pos = static_cast<std::size_t>(cur_);
    std::size_t idx = order_[pos];
    records_[idx] = std::move(buffer_);
    buffer_ = Record();
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
  if (cur_ < 0 || order_.empty()) throw Error(Prefixed("Cannot perform this operation on an empty dataset"));
  std::size_t pos = static_cast<std::size_t>(cur_);
  std::size_t idx = order_[pos];
  order_.erase(order_.begin() + static_cast<long>(pos));
  records_.erase(records_.begin() + static_cast<long>(idx));
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
    const Record& r = records_[order_[i]];
    const FieldValue& v = fi < r.Values.size() ? r.Values[fi] : NullValue();
    bool match;
    if (v.Null)
      match = value.empty();
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

void MemTable::AppendLoadedRecord(std::vector<FieldValue>&& values) {
  Record r;
  r.Values = std::move(values);
  r.Values.resize(fields_.size());
  records_.push_back(std::move(r));
  InsertIntoOrder(records_.size() - 1);
}

}  // namespace kc
