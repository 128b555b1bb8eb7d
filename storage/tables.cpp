#include "storage/tables.h"

namespace kc {

namespace {

FieldDef Def(const char* name, FieldType type, int size, const char* label = "",
             FieldKind kind = FieldKind::Data) {
  FieldDef d;
  d.FieldName = name;
  d.DataType = type;
  d.Size = size;
  d.DisplayLabel = label;
  d.Kind = kind;
  return d;
}

}  // namespace

void ApplyTableCsvSettings(MemTable& t) {
  t.CSVQuote = '"';
  t.CSVFieldDelimiter = ',';
  t.CSVRecordDelimiter = ',';
  t.CSVTrueString = "True";
  t.CSVFalseString = "False";
  t.Persistent = true;
  t.PersistentSaveFormat = SaveFormat::SaveFormatCSV;
}

void DefineChannelTable(MemTable& t, const std::string& componentName, int nameSize,
                        const std::string& path) {
  t.Name = componentName;
  t.ClearFields();
  t.AddField(Def("TVChannel", FieldType::String, 5));
  t.AddField(Def("TVName", FieldType::String, nameSize));
  t.AddField(Def("Status", FieldType::Integer, 0));
  ApplyTableCsvSettings(t);
  t.PersistentFile = path;
  t.PersistentSaveOptions = SaveData | SaveNonVisible | SaveIgnoreRange | SaveIgnoreMasterDetail;
  t.PersistentBackup = true;
  t.PersistentBackupExt = ".old";
}

void DefineTableSkypch(MemTable& t, const std::string& path) {
  DefineChannelTable(t, "TableSkypch", kTableSkypchNameSize, path);
}

void DefineTableTV(MemTable& t, const std::string& path) {
  DefineChannelTable(t, "TableTV", kTableTVNameSize, path);
}

void DefineTableMas(MemTable& t, const std::string& path) {
  t.Name = "TableMas";
  t.ClearFields();
  t.AddField(Def("StartDateTime", FieldType::DateTime, 0, "開始時間"));
  t.AddField(Def("TVChannel", FieldType::String, 256, "チャンネル"));
  t.AddField(Def("EndDateTime", FieldType::DateTime, 0, "終了時間"));
  t.AddField(Def("Title", FieldType::String, 256, "番組名"));
  t.AddField(Def("Memo", FieldType::String, 4096, "内容"));
  t.AddField(Def("Categorie", FieldType::Integer, 0, "カテゴリー"));
  t.AddField(Def("url", FieldType::String, 255, "URL"));
  t.AddField(Def("GCODE", FieldType::String, 20));
  t.AddField(Def("Flag", FieldType::Integer, 0));
  t.AddField(Def("Filler", FieldType::String, 255, "予備", FieldKind::Calculated));
  ApplyTableCsvSettings(t);
  t.PersistentFile = path;
  t.PersistentSaveOptions = SaveData | SaveNonVisible;
  t.PersistentBackup = false;
}

void AppendChannel(MemTable& t, const std::string& channel, const std::string& name,
                   int status) {
  t.Append();
  t.FieldByName("TVChannel").SetAsString(channel);
  t.FieldByName("TVName").SetAsString(name);
  t.FieldByName("Status").SetAsInteger(status);
  t.Post();
}

}  // namespace kc
