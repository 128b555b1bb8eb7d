// In-memory tables: ordered records of typed fields, a current record, and a
// file binding. A persistent table loads its bound file when it is opened and
// writes it back when it is closed, in the table CSV format that the host
// reads and writes too (storage/table_csv.cpp), so those files must come out
// byte for byte as the host expects them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/datetime.h"

namespace kc {

class MemTable;

enum class FieldType { String, Integer, Boolean, DateTime, Time, Date };

// The five kinds a definition section may name ("Data", "Calculated",
// "Lookup", "InternalCalc", "Aggregate"); only Data and Calculated are used.
enum class FieldKind { Data, Calculated, Lookup, InternalCalc, Aggregate };

// Save option bits (PersistentSaveOptions).
enum SaveOption : unsigned {
  SaveData = 1u << 0,
  SaveCalculated = 1u << 1,
  SaveLookup = 1u << 2,
  SaveNonVisible = 1u << 3,
  SaveAppend = 1u << 7,
  SaveNoHeader = 1u << 8,
  SaveIgnoreRange = 1u << 9,
  SaveIgnoreMasterDetail = 1u << 10,
};

enum class SaveFormat { SaveFormatBinary, SaveFormatCSV };

enum class TableState { Closed, Browse, Edit, Insert };

// The formats that table files are written and read in: dates "dd/mm/yyyy"
// with "/", times "hh:nn:ss" with ":".
FormatSettings TableFileFormats();

// One field definition, as declared before the table is opened (or read from
// a definition section). Size is the byte size of a string field.
struct FieldDef {
  std::string FieldName;
  FieldType DataType = FieldType::String;
  int Size = 0;
  std::string DisplayLabel;
  FieldKind Kind = FieldKind::Data;
  bool Visible = true;
  bool Required = false;
  bool ReadOnly = false;
  std::string EditMask;
  int DisplayWidth = 0;
  std::string DefaultExpression;
};

// A value being edited: null, or text (string fields), or a number
// (integer, boolean 0/1, date-time/time/date as days).
struct FieldValue {
  bool Null = true;
  std::string Str;
  double Num = 0;
};

// A value as read: the same, with the text borrowed from the table (valid
// until the table's records change).
struct ValueView {
  bool Null = true;
  std::string_view Str;
  double Num = 0;
};

// A field of a table; reads and writes the table's current record (the edit
// buffer while editing or inserting). Writing outside Edit/Insert fails.
class Field {
 public:
  const std::string& FieldName() const { return def_.FieldName; }
  const std::string& DisplayLabel() const { return def_.DisplayLabel; }
  // The display label when it is not empty, else the field name.
  const std::string& DisplayName() const;
  FieldType DataType() const { return def_.DataType; }
  int Size() const { return def_.Size; }
  FieldKind Kind() const { return def_.Kind; }
  bool Visible() const { return def_.Visible; }
  const FieldDef& Def() const { return def_; }
  int Index() const { return index_; }

  bool IsNull() const;
  void Clear();

  // Text forms: string as stored; integer decimal; boolean the table's
  // CSVTrueString/CSVFalseString; date-time DateTimeToStr, time TimeToStr,
  // date DateToStr (process formats). Null reads as "".
  std::string AsString() const;
  // Strings are cut to Size bytes (a lone trailing lead byte is dropped).
  // Other types convert the text and fail with their conversion error; an
  // empty text clears them.
  void SetAsString(const std::string& value);

  int AsInteger() const;  // null: 0; a string field converts its text
  void SetAsInteger(int value);
  TDateTime AsDateTime() const;  // null: 0
  void SetAsDateTime(TDateTime value);
  bool AsBoolean() const;  // null: false
  void SetAsBoolean(bool value);

 private:
  friend class MemTable;
  Field(MemTable* table, FieldDef def, int index)
      : table_(table), def_(std::move(def)), index_(index) {}
  ValueView Value() const;
  FieldValue& MutableValue();
  // The current value made a non-null number, ready for one; nullptr for a
  // field that keeps nothing (a calculated one).
  FieldValue* NumberSlot();

  MemTable* table_;
  FieldDef def_;
  int index_;
};

class MemTable {
 public:
  // name: the component name that prefixes this table's error messages.
  explicit MemTable(std::string name = "MemTable");
  ~MemTable();  // releases without saving
  MemTable(const MemTable&) = delete;
  MemTable& operator=(const MemTable&) = delete;

  std::string Name;

  // CSV settings; a char 0 means none (no quoting / no record delimiter).
  char CSVQuote = '"';
  char CSVFieldDelimiter = ',';
  char CSVRecordDelimiter = ',';
  std::string CSVTrueString = "True";
  std::string CSVFalseString = "False";

  // Persistence settings.
  bool Persistent = false;
  std::string PersistentFile;
  unsigned PersistentSaveOptions = SaveData | SaveNonVisible;
  SaveFormat PersistentSaveFormat = SaveFormat::SaveFormatCSV;
  bool PersistentBackup = false;
  std::string PersistentBackupExt = ".bak";
  // Date and time texts of the file, whatever the process formats are.
  FormatSettings FileFormats = TableFileFormats();

  // ---- definitions (while closed)
  Field& AddField(const FieldDef& def);
  void ClearFields();
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  Field& Fields(int i) { return *fields_.at(static_cast<std::size_t>(i)); }
  const Field& Fields(int i) const { return *fields_.at(static_cast<std::size_t>(i)); }
  // nullptr when absent.
  Field* FindField(const std::string& name);
  // Fails with Name + ": 項目 '<name>' が見つかりません".
  Field& FieldByName(const std::string& name);

  // ---- life cycle
  // Enters browsing and loads the bound file (persistent, file set and
  // present; with a backup kept and the bound file missing, the first of
  // ".$$$" and the backup that loads without error); the first record
  // becomes current. A load error goes to the
  // caller with the table open and holding the records read so far; such a
  // table is then not written over its file at Close.
  void Open();
  // Cancels an unposted edit, saves (persistent, file set, saved mark clear),
  // releases every record. A failed save leaves the table open with its
  // records and the error goes to the caller.
  void Close();
  bool Active() const { return state_ != TableState::Closed; }
  TableState State() const { return state_; }
  bool Saved() const { return saved_; }
  bool LoadFailed() const { return loadFailed_; }
  // The file the last Open read in place of a missing bound file (its new
  // file ".$$$" or its backup); empty when it read the bound file or none.
  const std::string& RecoveredFrom() const { return recoveredFrom_; }

  // ---- editing
  void Append();
  void Edit();
  void Post();
  void Cancel();
  void Delete();  // removes the current record

  // ---- navigation (current order)
  void First();
  void Next();
  void Last();
  void Prior();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  int RecordCount() const { return static_cast<int>(order_.size()); }
  // 0-based position of the current record in the current order, -1 if none.
  int RecNo() const { return cur_; }
  // Exact, case-sensitive match of the field's text (or number for numeric
  // fields, compared through the field's text conversion of value).
  bool Locate(const std::string& fieldName, const std::string& value);
  // Ascending by one field from now on (stable; equal keys keep their
  // order). Strings compare by byte value; numbers numerically; nulls first.
  void SortOn(const std::string& fieldNames, unsigned options = 0);

  // ---- file operations behind the persistent load and save
  // Writes the table (header and records in current order) to path; through
  // kc::Fs(). Errors: "ファイル %s を作成できません",
  // "ストリームへの書き込みエラー".
  void SaveToFile(const std::string& path, unsigned options);
  // Reads path into the table (appending records). Errors:
  // "ファイル %s は開けません" and the conversion errors of the fields.
  void LoadFromFile(const std::string& path);
  // The same format in memory (developer tool, fuzzing, tests).
  std::string SaveToString(unsigned options);
  // The same text handed to put in pieces of whole lines, so that a large
  // table goes out without being held whole.
  void SaveToStream(unsigned options, const std::function<void(std::string_view)>& put);
  void LoadFromString(const std::string& data);

  struct Record {
    std::vector<FieldValue> Values;
  };

 private:
  friend class Field;
  friend class CsvWriter;
  friend class CsvReader;

  // A stored value. The field's type tells which member is meant: text (in
  // the table's text store) for string fields, the number for the others.
  struct Cell {
    union {
      double num;
      const char* str;
    };
    std::uint32_t len;
    bool null;
  };
  static ValueView View(FieldType type, const Cell& c);

  // The stored records: cells in blocks of kBlockRecords records of
  // FieldCount() cells each, so that the store grows without moving what
  // it holds, and is released block by block rather than value by value.
  static constexpr std::size_t kBlockRecords = 4096;
  Cell* RecordCells(std::size_t recIndex) {
    return blocks_[recIndex / kBlockRecords].get() + (recIndex % kBlockRecords) * fields_.size();
  }
  const Cell* RecordCells(std::size_t recIndex) const {
    return blocks_[recIndex / kBlockRecords].get() + (recIndex % kBlockRecords) * fields_.size();
  }
  // A new record at the end of the store, every cell null.
  Cell* AddRecordCells();
  void RemoveRecordCells(std::size_t recIndex);
  // Copies text into the text store and points the cell at it (a text of
  // 4 GB or more fails with std::length_error).
  void StoreText(Cell& c, const char* data, std::size_t size);
  void StoreValue(FieldType type, const FieldValue& v, Cell& c);
  // Text of a cell that is no longer used; the store is compacted when that
  // outweighs the text in use, so editing keeps it bounded.
  void DropText(FieldType type, const Cell& c);
  void CompactText();

  ValueView CurrentValue(int field) const;
  FieldValue& MutableCurrentValue(int field);
  // Converts text in the given formats into a value of the field's type
  // (strings cut to size), failing with the field's conversion error.
  static void TextToValue(const FieldDef& def, const std::string& text,
                          const FormatSettings& fs, int currentYear, FieldValue& out);
  // The same for a field that is not a string: false for an empty text
  // (null), else the number.
  static bool TextToNumber(const FieldDef& def, std::string_view text,
                           const FormatSettings& fs, int currentYear, double& out);
  // Bytes of text that fit a string field of this size, not splitting a
  // double-byte character.
  static std::size_t FittingSize(std::string_view text, int size);
  static std::string ValueToText(const FieldDef& def, const ValueView& v);
  void CheckBrowse();  // posts a pending edit or insert
  void ReleaseRecords();
  // Returns the position the record took in the current order.
  std::size_t InsertIntoOrder(std::size_t recIndex);
  bool Less(std::size_t a, std::size_t b) const;
  void PersistentLoad();
  void PersistentSave();
  std::string Prefixed(const std::string& msg) const;
  // For the CSV reader: a definition section replaces the fields (records
  // are dropped); loaded records go straight into storage and order.
  void ReplaceFieldDefs(const std::vector<FieldDef>& defs);
  // A loaded record, its cells filled in by the reader, joins the order.
  void AppendLoadedRecord();
  std::size_t CurrentRecordIndex() const;
  void GoToRecordIndex(std::size_t recIndex);

  std::vector<std::unique_ptr<Field>> fields_;
  // Storage, in insertion order: RecordCells of each record.
  std::vector<std::unique_ptr<Cell[]>> blocks_;
  std::size_t recordCount_ = 0;
  // The text store: string values, in blocks that never move.
  std::vector<std::unique_ptr<char[]>> textBlocks_;
  char* textFree_ = nullptr;
  std::size_t textLeft_ = 0;
  std::size_t textUsed_ = 0;     // bytes held by live cells
  std::size_t textDropped_ = 0;  // bytes no cell uses any more
  std::vector<std::size_t> order_;  // current order: record indexes
  std::vector<int> sortFields_;
  int cur_ = -1;                    // index into order_
  bool eof_ = true;
  bool bof_ = true;
  TableState state_ = TableState::Closed;
  Record buffer_;                   // edit / insert buffer
  bool saved_ = false;
  bool loadFailed_ = false;
  std::string recoveredFrom_;
};

}  // namespace kc
