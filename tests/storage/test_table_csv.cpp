// The table CSV files are shared with the host byte for byte: these tests pin
// the exact bytes written, what the reader makes of other writers' files,
// and the save sequence with its temporary file and backup.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "core/datetime.h"
#include "core/error.h"
#include "failing_fs.h"
#include "storage/memtable.h"
#include "storage/tables.h"
#include "support/test_support.h"

namespace kc {
namespace {

using test::FailingFs;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const std::string kChannelHeader = "\"TVChannel\",\"TVName\",\"Status\",\r\n";
const std::string kProgrammeHeader =
    "\"開始時間\",\"チャンネル\",\"終了時間\",\"番組名\",\"内容\",\"カテゴリー\",\"URL\","
    "\"GCODE\",\"Flag\",\"予備\",\r\n";

// Every record in the current order, fields joined by "|", null as "-".
std::string Dump(MemTable& t) {
  std::string out;
  for (t.First(); !t.Eof(); t.Next()) {
    for (int i = 0; i < t.FieldCount(); ++i) {
      if (i) out += "|";
      out += t.Fields(i).IsNull() ? "-" : t.Fields(i).AsString();
    }
    out += "\n";
  }
  return out;
}

void AddChannel(MemTable& t, const std::string& ch, const std::string& name, const int* status) {
  t.Append();
  t.FieldByName("TVChannel").SetAsString(ch);
  t.FieldByName("TVName").SetAsString(name);
  if (status) t.FieldByName("Status").SetAsInteger(*status);
  t.Post();
}

class TableCsvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The download window's process formats; table files must not use them.
    ProcessFormats().DateSeparator = '-';
    ProcessFormats().ShortDateFormat = "yyyy/mm/dd";
    ProcessFormats().TimeSeparator = ':';
    ProcessFormats().LongTimeFormat = "hh:nn:ss";
  }

  std::string File(const std::string& name) const { return dir_.winFile(name); }
  std::string Bytes(const std::string& name) const { return ReadBytes(dir_.file(name)); }
  void Put(const std::string& name, const std::string& bytes) const {
    ASSERT_TRUE(WriteBytes(dir_.file(name), bytes));
  }
  bool Exists(const std::string& name) const { return test::FileExistsAt(dir_.file(name)); }

  // Loads bytes through a channel table of the given kind and dumps it.
  std::string ReadChannels(const std::string& bytes, bool tv = false) {
    Put("in.csv", bytes);
    MemTable t;
    if (tv)
      DefineTableTV(t, File("in.csv"));
    else
      DefineTableSkypch(t, File("in.csv"));
    t.Open();
    std::string d = Dump(t);
    t.Persistent = false;
    t.Close();
    return d;
  }

  TempDir dir_;
  ScopedFormats formats_;
};

// ------------------------------------------------------------- writing

TEST_F(TableCsvTest, ChannelTableWritesHeaderQuotedValuesAndNullAsEmptyColumn) {
  MemTable t;
  DefineTableSkypch(t, File("tvskypch.csv"));
  t.Open();
  int one = 1, minus = -7;
  AddChannel(t, "55", "ch \"A\"", &one);
  AddChannel(t, "100", "名前", nullptr);
  AddChannel(t, "7", "", &minus);
  t.Close();
  EXPECT_EQ(Bytes("tvskypch.csv"),
            kChannelHeader +
                "\"55\",\"ch \"\"A\"\"\",\"1\",\r\n"
                "\"100\",\"名前\",,\r\n"
                "\"7\",\"\",\"-7\",\r\n");
}

TEST_F(TableCsvTest, ProgrammeTableWritesExactLinesAndReadsThemBack) {
  MemTable t;
  DefineTableMas(t, File("tvmurok55.dat"));
  t.Open();
  const TDateTime start = EncodeDate(2010, 12, 6) + EncodeTime(21, 0, 0, 0);
  const TDateTime end = EncodeDate(2010, 12, 7);
  const std::string memo = std::string("x\ny\rz") + '\0' + "w";
  t.Append();
  t.FieldByName("StartDateTime").SetAsDateTime(start);
  t.FieldByName("TVChannel").SetAsString("055 スカイ");
  t.FieldByName("EndDateTime").SetAsDateTime(end);
  t.FieldByName("Title").SetAsString("a \"b\" 100%");
  t.FieldByName("Memo").SetAsString(memo);
  t.FieldByName("url").SetAsString("https://h/p?a=1");
  t.FieldByName("GCODE").SetAsString("");
  t.FieldByName("Flag").SetAsInteger(268435456);
  t.FieldByName("Filler").SetAsString("ignored");
  t.Post();
  t.Append();
  t.FieldByName("StartDateTime").SetAsDateTime(EncodeDate(2010, 12, 7) + EncodeTime(4, 5, 6, 0));
  t.FieldByName("Categorie").SetAsInteger(12);
  t.Post();
  t.Close();

  const std::string expected =
      kProgrammeHeader +
      "\"06/12/2010 21:00:00\",\"055 スカイ\",\"07/12/2010\",\"a \"\"b\"\" 100%%\","
      "\"x%ny%cz%0w\",,\"https://h/p?a=1\",\"\",\"268435456\",,\r\n"
      "\"07/12/2010 04:05:06\",,,,,\"12\",,,,,\r\n";
  EXPECT_EQ(Bytes("tvmurok55.dat"), expected);
  EXPECT_FALSE(Exists("tvmurok55.old"));
  EXPECT_FALSE(Exists("tvmurok55.$$$"));

  t.Open();
  ASSERT_EQ(t.RecordCount(), 2);
  t.First();
  EXPECT_DOUBLE_EQ(t.FieldByName("StartDateTime").AsDateTime(), start);
  EXPECT_DOUBLE_EQ(t.FieldByName("EndDateTime").AsDateTime(), end);
  EXPECT_EQ(t.FieldByName("Title").AsString(), "a \"b\" 100%");
  EXPECT_EQ(t.FieldByName("Memo").AsString(), memo);
  EXPECT_TRUE(t.FieldByName("Categorie").IsNull());
  EXPECT_FALSE(t.FieldByName("GCODE").IsNull());
  EXPECT_TRUE(t.FieldByName("Filler").IsNull());
  t.Next();
  EXPECT_EQ(t.FieldByName("Categorie").AsInteger(), 12);
  EXPECT_TRUE(t.FieldByName("Flag").IsNull());
  t.Close();
  EXPECT_EQ(Bytes("tvmurok55.dat"), expected) << "a load and save must not change a byte";
}

TEST_F(TableCsvTest, EmptyTablesWriteOnlyTheHeader) {
  MemTable ch, mas;
  DefineTableTV(ch, File("c.csv"));
  DefineTableMas(mas, File("m.dat"));
  ch.Open();
  ch.Close();
  mas.Open();
  mas.Close();
  EXPECT_EQ(Bytes("c.csv"), kChannelHeader);
  EXPECT_EQ(Bytes("m.dat"), kProgrammeHeader);
  ch.Open();
  EXPECT_EQ(ch.RecordCount(), 0);
  EXPECT_TRUE(ch.Eof());
  ch.Close();
}

TEST_F(TableCsvTest, WriterHonoursOtherSettings) {
  MemTable t;
  FieldDef a, b, c;
  a.FieldName = "A";
  a.Size = 10;
  b.FieldName = "B";
  b.DataType = FieldType::Boolean;
  c.FieldName = "C";
  c.DataType = FieldType::Time;
  c.DisplayLabel = "Label C";
  t.AddField(a);
  t.AddField(b);
  t.AddField(c);
  t.Open();
  t.Append();
  t.FieldByName("A").SetAsString("q;x");
  t.FieldByName("B").SetAsBoolean(true);
  t.FieldByName("C").SetAsDateTime(EncodeTime(9, 8, 7, 0));
  t.Post();
  t.Append();
  t.FieldByName("B").SetAsBoolean(false);
  t.Post();
  t.CSVTrueString = "yes";
  t.CSVFalseString = "no";
  EXPECT_EQ(t.SaveToString(SaveData), "\"A\",\"B\",\"Label C\",\r\n\"q;x\",\"yes\",\"09:08:07\",\r\n,\"no\",,\r\n");
  t.CSVQuote = 0;
  t.CSVFieldDelimiter = ';';
  t.CSVRecordDelimiter = 0;
  EXPECT_EQ(t.SaveToString(SaveData | SaveNoHeader), "q;x;yes;09:08:07\r\n;no;\r\n");
}

TEST_F(TableCsvTest, AnyQuoteCharacterQuotesTheEscapedText) {
  // Escapes first, then every quote character of the result doubled, also
  // for a quote character that an escape writes.
  const std::string value("a\"b'c%d%0e\nf\rg\0h nc", 19);
  for (const char q : {'"', '\'', '%', 'n', '0', 'c', '\r'}) {
    MemTable t;
    FieldDef a;
    a.FieldName = "A";
    t.AddField(a);
    t.CSVQuote = q;
    t.Open();
    t.Append();
    t.FieldByName("A").SetAsString(value);
    t.Post();
    std::string escaped;
    for (char c : value) {
      if (c == '\0' || c == '\n' || c == '\r' || c == '%') {
        escaped += '%';
        escaped += c == '\0' ? '0' : c == '\n' ? 'n' : c == '\r' ? 'c' : '%';
      } else {
        escaped += c;
      }
    }
    std::string quoted(1, q);
    for (char c : escaped) quoted.append(c == q ? 2 : 1, c);
    quoted += q;
    EXPECT_EQ(t.SaveToString(SaveData | SaveNoHeader), quoted + ",\r\n") << int(q);
  }
}

// ------------------------------------------------------------- reading

struct ReadCase {
  const char* name;
  std::string file;
  std::string rows;
};

TEST_F(TableCsvTest, ReaderMapsColumnsAndValues) {
  const std::string H = kChannelHeader;
  const ReadCase cases[] = {
      {"header in another order and case", "\"status\",\"tvname\",\"TvChannel\",\r\n\"1\",\"N\",\"55\",\r\n", "55|N|1\n"},
      {"unknown column skipped, unnamed field null", "\"TVChannel\",\"Extra\",\"TVName\",\r\n\"5\",\"zz\",\"N\",\r\n", "5|N|-\n"},
      {"unquoted value reads as null", H + "\"5\",\"N\",585,\r\n", "5|N|-\n"},
      {"unquoted value mid-line reads as null", H + "\"5\",N,\"3\",\r\n", "5|-|3\n"},
      {"unquoted text before a quote is ignored", H + "\"5\",xx\"N\",\"1\",\r\n", "5|N|1\n"},
      {"missing closing quote gives empty text", H + "\"5\",\"abc\r\n", "5||-\n"},
      {"null header column takes the field at its position", ",\"TVName\",\r\n\"5\",\"N\",\r\n", "5|N|-\n"},
      {"quoted empty header name matches nothing", "\"\",\"TVName\",\r\n\"5\",\"N\",\r\n", "-|N|-\n"},
      {"file beginning with a line end has no header", "\r\n\"5\",\"N\",\"1\",\r\n\"6\",\"M\",\r\n", "5|N|1\n6|M|-\n"},
      {"empty lines, lone CR, LF and NUL end lines", H + "\n\n\r\r\"5\",\"N\",\"1\"" + std::string(1, '\0') + "\"6\",\"M\",\"2\"", "5|N|1\n6|M|2\n"},
      {"doubled quotes", H + "\"5\",\"a\"\"b\"\"\",\r\n", "5|a\"b\"|-\n"},
      {"values beyond the header's columns ignored", "\"TVChannel\",\"TVName\"\r\n\"5\",\"N\",\"1\"\r\n", "5|N|-\n"},
      {"short line leaves fields null", H + "\"5\"\r\n", "5|-|-\n"},
      {"quoted empty integer is null", H + "\"5\",\"N\",\"\",\r\n", "5|N|-\n"},
      {"file version line ignored", "\"@@FILE VERSION@@\",\"251\",\r\n" + H + "\"5\",\"N\",\"1\",\r\n", "5|N|1\n"},
      {"index definitions skipped", "\"@@INDEXDEF START@@\",\r\nIX=TVChannel,x,DESC\r\n\"@@INDEXDEF END@@\",\r\n" + H + "\"5\",\"N\",\"1\",\r\n", "5|N|1\n"},
      {"markers are case-sensitive", "\"@@file version@@\",\"TVName\",\r\n\"5\",\"N\",\r\n", "-|N|-\n"},
      {"empty file", "", ""},
      {"header only, no line end", "\"TVChannel\",\"TVName\",\"Status\",", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadChannels(c.file), c.rows) << c.name;
  }
}

TEST_F(TableCsvTest, EscapesDecodeBackToTheirBytes) {
  MemTable t;
  DefineTableSkypch(t, "");
  t.Open();
  t.LoadFromString(kChannelHeader + "\"1\",\"%n%c%0%%x%\",\r\n");
  t.First();
  EXPECT_EQ(t.FieldByName("TVName").AsString(), std::string("\n\r") + '\0' + "%x%");
}

TEST_F(TableCsvTest, LinesLongerThanAChunkAndManyRowsAcrossChunks) {
  std::string file = "\"TVChannel\",\"Big\",\"TVName\",\"Status\",\r\n";
  file += "\"1\",\"" + std::string(20000, 'b') + "\",\"long\",\"1\",\r\n";
  for (int i = 2; i <= 3000; ++i) file += "\"" + std::to_string(i) + "\",,\"n\",\"" + std::to_string(i) + "\",\r\n";
  Put("big.csv", file);
  MemTable t;
  DefineTableSkypch(t, File("big.csv"));
  t.Open();
  ASSERT_EQ(t.RecordCount(), 3000);
  EXPECT_EQ(t.FieldByName("TVName").AsString(), "long");
  int sum = 0;
  for (t.First(); !t.Eof(); t.Next()) {
    EXPECT_EQ(t.FieldByName("TVChannel").AsString(), std::to_string(t.FieldByName("Status").AsInteger()));
    sum += t.FieldByName("Status").AsInteger();
  }
  EXPECT_EQ(sum, 3000 * 3001 / 2);
  t.Persistent = false;
  t.Close();
}

TEST_F(TableCsvTest, DefinitionSectionReplacesTheFields) {
  MemTable t;
  DefineTableSkypch(t, "");
  t.Open();
  t.LoadFromString(
      "\"@@TABLEDEF START@@\",\r\n"
      "Code=String,3,Code label,,10\r\n"
      "N=Integer,0,,,,Calculated\r\n"
      "B=Boolean,0,,,,Data,,INV\r\n"
      "D=Date,0\r\n"
      "\"@@TABLEDEF END@@\",\r\n"
      "\"Code label\",\"N\",\"B\",\"D\",\r\n"
      "\"abcdef\",\"3\",\"true\",\"02/01/2011\",\r\n"
      "\"x\",,\"True\",,\r\n");
  ASSERT_EQ(t.FieldCount(), 4);
  EXPECT_EQ(t.Fields(0).DisplayName(), "Code label");
  EXPECT_EQ(t.Fields(0).Size(), 3);
  EXPECT_EQ(t.Fields(1).Kind(), FieldKind::Calculated);
  EXPECT_EQ(t.Fields(2).DataType(), FieldType::Boolean);
  EXPECT_FALSE(t.Fields(2).Visible());
  EXPECT_EQ(t.Fields(3).DataType(), FieldType::Date);
  t.First();
  EXPECT_EQ(t.Fields(0).AsString(), "abc");
  EXPECT_FALSE(t.Fields(2).AsBoolean()) << "only the exact true string reads as true";
  EXPECT_DOUBLE_EQ(t.Fields(3).AsDateTime(), EncodeDate(2011, 1, 2));
  t.Next();
  EXPECT_TRUE(t.Fields(2).AsBoolean());
}

TEST_F(TableCsvTest, ReadErrorsCarryTheirMessages) {
  struct Case {
    const char* name;
    std::string data;
    std::string message;
    int rowsKept;
  };
  const Case cases[] = {
      {"integer", kChannelHeader + "\"1\",\"a\",\"2\",\r\n\"2\",\"b\",\"abc\",\r\n\"3\",\"c\",\"4\",\r\n",
       "'abc' は項目 'Status' に適した整数値ではありません", 1},
      {"unknown field type", "\"@@TABLEDEF START@@\",\r\nX=Float,0\r\n", "Unknown field type (Float) in CSV file. (X=Float,0)", 0},
  };
  for (const auto& c : cases) {
    MemTable t;
    DefineTableSkypch(t, "");
    t.Open();
    try {
      t.LoadFromString(c.data);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.name;
    }
    EXPECT_EQ(t.RecordCount(), c.rowsKept) << c.name;
  }

  MemTable mas;
  DefineTableMas(mas, "");
  mas.Open();
  try {
    mas.LoadFromString(kProgrammeHeader + "\"32/13/2010\",,,,,,,,,,\r\n");
    ADD_FAILURE() << "no date error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "'32/13/2010' is not a valid date and time");
  }
}

TEST_F(TableCsvTest, ChannelNamesAreCutToTheFieldSize) {
  const std::string longName = std::string(38, 'a') + "テレビ";  // 38 + 6 bytes
  const std::string file = kChannelHeader + "\"1\",\"" + longName + "\",\"0\",\r\n" +
                           "\"2\",\"" + std::string(39, 'b') + "テ\",\"0\",\r\n";
  // A cut inside a double-byte character drops its lone lead byte.
  EXPECT_EQ(ReadChannels(file, true), "1|" + std::string(38, 'a') + "テ|0\n2|" + std::string(39, 'b') + "|0\n");
  EXPECT_EQ(ReadChannels(file, false), "1|" + longName + "|0\n2|" + std::string(39, 'b') + "テ|0\n");

  Put("tvskypch.csv", file);
  MemTable tv;
  DefineTableTV(tv, File("tvskypch.csv"));
  tv.Open();
  tv.Close();
  EXPECT_EQ(Bytes("tvskypch.csv"), kChannelHeader + "\"1\",\"" + std::string(38, 'a') + "テ\",\"0\",\r\n" +
                                       "\"2\",\"" + std::string(39, 'b') + "\",\"0\",\r\n");
}

// ------------------------------------------------------------- formats

TEST_F(TableCsvTest, FixedFormatsOnlyForTheDurationOfASaveOrLoad) {
  const FormatSettings before = ProcessFormats();
  MemTable t;
  DefineTableMas(t, File("m.dat"));
  t.Open();
  t.Append();
  t.FieldByName("StartDateTime").SetAsDateTime(EncodeDate(2010, 12, 6) + EncodeTime(5, 0, 0, 0));
  t.Post();
  EXPECT_EQ(t.FieldByName("StartDateTime").AsString(), "2010-12-06 05:00:00");
  t.Close();
  EXPECT_EQ(Bytes("m.dat"), kProgrammeHeader + "\"06/12/2010 05:00:00\",,,,,,,,,,\r\n");
  EXPECT_EQ(ProcessFormats().ShortDateFormat, before.ShortDateFormat);
  EXPECT_EQ(ProcessFormats().DateSeparator, before.DateSeparator);
  t.Open();
  EXPECT_EQ(ProcessFormats().ShortDateFormat, before.ShortDateFormat);
  EXPECT_EQ(t.RecordCount(), 1);
  t.Close();

  // Also after failures of either direction.
  Put("bad.dat", kProgrammeHeader + "\"xx\",,,,,,,,,,\r\n");
  t.PersistentFile = File("bad.dat");
  EXPECT_THROW(t.Open(), Error);
  EXPECT_EQ(ProcessFormats().ShortDateFormat, before.ShortDateFormat);
  EXPECT_EQ(ProcessFormats().DateSeparator, before.DateSeparator);
  t.Close();
  t.PersistentFile = File("m.dat");
  t.Open();
  t.Append();
  t.Post();
  FailingFs fs;
  fs.failOpen = [](const std::string&, kc::OpenMode) { return true; };
  EXPECT_THROW(t.Close(), Error);
  EXPECT_EQ(ProcessFormats().ShortDateFormat, before.ShortDateFormat);
}

TEST_F(TableCsvTest, FileBytesDoNotFollowTheProcessFormats) {
  ProcessFormats().LongTimeFormat = "hh:nn";
  ProcessFormats().TimeSeparator = '.';
  MemTable t;
  DefineTableMas(t, File("m.dat"));
  t.Open();
  t.Append();
  t.FieldByName("StartDateTime").SetAsDateTime(EncodeDate(2010, 12, 6) + EncodeTime(5, 0, 7, 0));
  t.Post();
  t.Close();
  EXPECT_EQ(Bytes("m.dat"), kProgrammeHeader + "\"06/12/2010 05:00:07\",,,,,,,,,,\r\n");
  t.Open();
  EXPECT_DOUBLE_EQ(t.FieldByName("StartDateTime").AsDateTime(),
                   EncodeDate(2010, 12, 6) + EncodeTime(5, 0, 7, 0));
  t.Close();
}

// ------------------------------------------------------------- persistence

TEST_F(TableCsvTest, MissingFileOpensEmptyAndIsCreatedAtClose) {
  MemTable t;
  DefineTableSkypch(t, File("tvskypch.csv"));
  t.Open();
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_FALSE(t.LoadFailed());
  t.Close();
  EXPECT_EQ(Bytes("tvskypch.csv"), kChannelHeader);
  EXPECT_FALSE(Exists("tvskypch.old")) << "no former content, so no backup";
}

TEST_F(TableCsvTest, SavingOverAFileKeepsThePreviousContentAsBackup) {
  const std::string old1 = kChannelHeader + "\"1\",\"one\",\"0\",\r\n";
  Put("tvskypch.csv", old1);
  Put("tvskypch.old", "stale backup");
  MemTable t;
  DefineTableSkypch(t, File("tvskypch.csv"));
  t.Open();
  int zero = 0;
  AddChannel(t, "2", "two", &zero);
  t.Close();
  EXPECT_EQ(Bytes("tvskypch.old"), old1);
  EXPECT_EQ(Bytes("tvskypch.csv"), old1 + "\"2\",\"two\",\"0\",\r\n");
  EXPECT_FALSE(Exists("tvskypch.$$$"));
}

// Every file call of a save is a moment a crash may come; at none of them
// may the bound file be missing.
class BoundFileWatch : public test::ForwardingFs {
 public:
  explicit BoundFileWatch(std::string bound) : bound_(std::move(bound)), use_(*this) {}
  int missing = 0;
  std::unique_ptr<kc::File> Open(const std::string& p, kc::OpenMode m) override {
    Check();
    return base_.Open(p, m);
  }
  bool DeleteFile(const std::string& p) override { return Check(), base_.DeleteFile(p); }
  bool CopyFile(const std::string& a, const std::string& b, bool o) override {
    return Check(), base_.CopyFile(a, b, o);
  }
  bool RenameFile(const std::string& a, const std::string& b) override {
    Check();
    bool ok = base_.RenameFile(a, b);
    Check();
    return ok;
  }
  bool ReplaceFile(const std::string& a, const std::string& b) override {
    Check();
    bool ok = base_.ReplaceFile(a, b);
    Check();
    return ok;
  }

 private:
  void Check() { missing += base_.FileExists(bound_) ? 0 : 1; }
  std::string bound_;
  kc::ScopedFs use_;
};

TEST_F(TableCsvTest, TheBoundFileIsThereAtEveryStepOfASave) {
  const std::string old1 = kChannelHeader + "\"1\",\"one\",\"0\",\r\n";
  Put("tvskypch.csv", old1);
  MemTable t;
  DefineTableSkypch(t, File("tvskypch.csv"));
  t.Open();
  int zero = 0;
  AddChannel(t, "2", "two", &zero);
  {
    BoundFileWatch watch(File("tvskypch.csv"));
    t.Close();
    EXPECT_EQ(watch.missing, 0);
  }
  EXPECT_EQ(Bytes("tvskypch.old"), old1);
}

TEST_F(TableCsvTest, AMissingBoundFileIsRecoveredFromTheNewFileOrTheBackup) {
  const std::string newer = kChannelHeader + "\"2\",\"new\",\"0\",\r\n";
  const std::string older = kChannelHeader + "\"1\",\"old\",\"0\",\r\n";
  const std::string broken = kChannelHeader + "\"3\",\"bad\",\"x\",\r\n";
  struct Case {
    const char* what;
    const char* temp;    // content of ".$$$" (null: none)
    const char* backup;  // content of ".old" (null: none)
    const char* from;    // the file read ("" none)
    int rows;
  } cases[] = {
      {"both: the new file", newer.c_str(), older.c_str(), "tvskypch.$$$", 1},
      {"backup only", nullptr, older.c_str(), "tvskypch.old", 1},
      {"new file unreadable: the backup", broken.c_str(), older.c_str(), "tvskypch.old", 1},
      {"neither", nullptr, nullptr, "", 0},
  };
  for (const Case& c : cases) {
    for (const char* f : {"tvskypch.csv", "tvskypch.$$$", "tvskypch.old"})
      kc::Fs().DeleteFile(File(f));
    if (c.temp) Put("tvskypch.$$$", c.temp);
    if (c.backup) Put("tvskypch.old", c.backup);
    MemTable t;
    DefineTableSkypch(t, File("tvskypch.csv"));
    t.Open();
    EXPECT_EQ(t.RecoveredFrom(), *c.from ? File(c.from) : std::string()) << c.what;
    EXPECT_EQ(t.RecordCount(), c.rows) << c.what;
    EXPECT_FALSE(t.LoadFailed()) << c.what;
    const std::string loaded = t.SaveToString(t.PersistentSaveOptions);
    t.Close();
    // The save writes the bound file and leaves the backup as it was.
    EXPECT_EQ(Bytes("tvskypch.csv"), loaded) << c.what;
    if (c.backup) {
      EXPECT_EQ(Bytes("tvskypch.old"), c.backup) << c.what;
    }
    else EXPECT_FALSE(Exists("tvskypch.old")) << c.what;
  }
}

TEST_F(TableCsvTest, ProgrammeFilesKeepNoBackup) {
  Put("tvmurok5.dat", kProgrammeHeader);
  MemTable t;
  DefineTableMas(t, File("tvmurok5.dat"));
  t.Open();
  t.Append();
  t.FieldByName("Flag").SetAsInteger(1);
  t.Post();
  t.Close();
  EXPECT_EQ(Bytes("tvmurok5.dat"), kProgrammeHeader + ",,,,,,,,\"1\",,\r\n");
  EXPECT_FALSE(Exists("tvmurok5.old"));
  EXPECT_FALSE(Exists("tvmurok5.$$$"));
}

TEST_F(TableCsvTest, CloseDropsAnUnpostedEditAndEmptiesTheTable) {
  Put("c.csv", kChannelHeader + "\"1\",\"one\",\"0\",\r\n");
  MemTable t;
  DefineTableSkypch(t, File("c.csv"));
  t.Open();
  t.Edit();
  t.FieldByName("TVName").SetAsString("changed");
  t.Close();
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_FALSE(t.Active());
  EXPECT_EQ(Bytes("c.csv"), kChannelHeader + "\"1\",\"one\",\"0\",\r\n");
}

TEST_F(TableCsvTest, ATableWhoseLoadFailedIsNotWrittenOverItsFile) {
  const std::string content = kChannelHeader + "\"1\",\"one\",\"0\",\r\n\"2\",\"two\",\"x\",\r\n\"3\",\"three\",\"0\",\r\n";
  Put("c.csv", content);
  MemTable t;
  DefineTableSkypch(t, File("c.csv"));
  EXPECT_THROW(t.Open(), Error);
  EXPECT_TRUE(t.Active());
  EXPECT_TRUE(t.LoadFailed());
  EXPECT_EQ(t.RecordCount(), 1);
  t.Close();
  EXPECT_EQ(Bytes("c.csv"), content);
  EXPECT_FALSE(Exists("c.old"));
  // The next open starts afresh and a good load saves as usual.
  Put("c.csv", kChannelHeader);
  t.Open();
  EXPECT_FALSE(t.LoadFailed());
  t.Close();
  EXPECT_TRUE(Exists("c.old"));
}

TEST_F(TableCsvTest, FileFailuresReachTheCallerAndKeepTheBoundFile) {
  const std::string content = kChannelHeader + "\"1\",\"one\",\"0\",\r\n";
  struct Case {
    const char* name;
    bool failCreate;
    int writesBeforeFailure;
    bool failClose;
    std::string message;  // %s: the temporary file
  };
  const Case cases[] = {
      {"temporary file cannot be created", true, -1, false, "ファイル %s を作成できません"},
      {"header write fails", false, 0, false, "ストリームへの書き込みエラー"},
      {"record write fails", false, 1, false, "ストリームへの書き込みエラー"},
      {"close fails", false, -1, true, "ストリームへの書き込みエラー"},
  };
  for (const auto& c : cases) {
    Put("c.csv", content);
    MemTable t;
    DefineTableSkypch(t, File("c.csv"));
    t.Open();
    int two = 2;
    AddChannel(t, "2", "two", &two);
    {
      FailingFs fs;
      if (c.failCreate) fs.failOpen = [](const std::string& p, kc::OpenMode) { return p.find(".$$$") != std::string::npos; };
      fs.writesBeforeFailure = c.writesBeforeFailure;
      fs.failClose = c.failClose;
      std::string expected = c.message;
      std::size_t p = expected.find("%s");
      if (p != std::string::npos) expected.replace(p, 2, File("c.$$$"));
      try {
        t.Close();
        ADD_FAILURE() << c.name << ": no error";
      } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), expected) << c.name;
      }
    }
    EXPECT_TRUE(t.Active()) << c.name;
    EXPECT_EQ(t.RecordCount(), 2) << c.name;
    EXPECT_FALSE(t.Saved()) << c.name;
    EXPECT_EQ(Bytes("c.csv"), content) << c.name;
    // Once the fault is gone the same table saves.
    t.Close();
    EXPECT_EQ(Bytes("c.csv"), content + "\"2\",\"two\",\"2\",\r\n") << c.name;
  }
}

TEST_F(TableCsvTest, UnreadableFileFailsTheOpen) {
  Put("c.csv", kChannelHeader);
  MemTable t;
  DefineTableSkypch(t, File("c.csv"));
  FailingFs fs;
  fs.failOpen = [](const std::string&, kc::OpenMode m) { return m == kc::OpenMode::Read; };
  try {
    t.Open();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "ファイル " + File("c.csv") + " は開けません");
  }
  t.Close();
  EXPECT_EQ(Bytes("c.csv"), kChannelHeader);
}

TEST_F(TableCsvTest, AFailedFinalRenameIsReportedAndKeepsTheFormerFile) {
  const std::string former = kChannelHeader + "\"1\",\"one\",\"0\",\r\n";
  struct Case {
    const char* name;
    bool onlyTheFinalRename;
  };
  const Case cases[] = {{"every rename fails", false}, {"only the final rename fails", true}};
  for (const auto& c : cases) {
    Put("c.csv", former);
    MemTable t;
    DefineTableSkypch(t, File("c.csv"));
    t.Open();
    int one = 1;
    AddChannel(t, "9", "nine", &one);
    {
      FailingFs fs;
      const bool only = c.onlyTheFinalRename;
      fs.failRename = [only](const std::string& from, const std::string&) {
        return !only || from.find(".$$$") != std::string::npos;
      };
      try {
        t.Close();
        ADD_FAILURE() << c.name << ": no error";
      } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "ファイル " + File("c.csv") + " を作成できません") << c.name;
      }
    }
    EXPECT_TRUE(t.Active()) << c.name;
    EXPECT_FALSE(t.Saved()) << c.name;
    EXPECT_EQ(Bytes("c.csv"), former) << c.name;
    EXPECT_EQ(Bytes("c.$$$"), former + "\"9\",\"nine\",\"1\",\r\n") << c.name;
    t.Close();
    EXPECT_EQ(Bytes("c.csv"), former + "\"9\",\"nine\",\"1\",\r\n") << c.name;
  }
}

TEST_F(TableCsvTest, SavesFollowTheCurrentSortOrder) {
  MemTable t;
  DefineTableMas(t, File("m.dat"));
  t.Open();
  for (int h : {9, 5, 7}) {
    t.Append();
    t.FieldByName("StartDateTime").SetAsDateTime(EncodeDate(2010, 12, 6) + EncodeTime(h, 0, 0, 0));
    t.Post();
  }
  t.SortOn("StartDateTime");
  t.Close();
  EXPECT_EQ(Bytes("m.dat"), kProgrammeHeader + "\"06/12/2010 05:00:00\",,,,,,,,,,\r\n"
                                               "\"06/12/2010 07:00:00\",,,,,,,,,,\r\n"
                                               "\"06/12/2010 09:00:00\",,,,,,,,,,\r\n");
}

}  // namespace
}  // namespace kc
