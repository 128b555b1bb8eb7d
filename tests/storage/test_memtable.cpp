// The in-memory table as the windows and the download run drive it: records,
// states, navigation, look-ups and sorting.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "core/error.h"
#include "storage/memtable.h"
#include "storage/tables.h"

namespace kc {
namespace {

std::vector<std::string> Column(MemTable& t, const std::string& field) {
  std::vector<std::string> out;
  for (t.First(); !t.Eof(); t.Next()) out.push_back(t.FieldByName(field).AsString());
  return out;
}

void AddRow(MemTable& t, const std::string& ch, int status) {
  t.Append();
  t.FieldByName("TVChannel").SetAsString(ch);
  t.FieldByName("Status").SetAsInteger(status);
  t.Post();
}

class MemTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DefineTableSkypch(t, "");
    t.Persistent = false;
    t.Open();
  }
  MemTable t;
};

TEST_F(MemTableTest, NavigationFollowsInsertionOrderWithEofAndBof) {
  EXPECT_TRUE(t.Eof());
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(t.RecordCount(), 0);
  AddRow(t, "1", 0);
  AddRow(t, "2", 0);
  AddRow(t, "3", 0);
  EXPECT_EQ(Column(t, "TVChannel"), (std::vector<std::string>{"1", "2", "3"}));

  t.First();
  EXPECT_TRUE(t.Bof());
  EXPECT_FALSE(t.Eof());
  t.Next();
  EXPECT_FALSE(t.Bof());
  t.Last();
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.FieldByName("TVChannel").AsString(), "3");
  t.Next();
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.FieldByName("TVChannel").AsString(), "3") << "stays on the last record";

  std::vector<std::string> back;
  for (t.Last(); !t.Bof(); t.Prior()) back.push_back(t.FieldByName("TVChannel").AsString());
  EXPECT_EQ(back, (std::vector<std::string>{"3", "2", "1"}));
  EXPECT_EQ(t.FieldByName("TVChannel").AsString(), "1");
}

TEST_F(MemTableTest, AppendEditPostCancelAndStates) {
  EXPECT_EQ(t.State(), TableState::Browse);
  t.Append();
  EXPECT_EQ(t.State(), TableState::Insert);
  EXPECT_TRUE(t.FieldByName("TVChannel").IsNull());
  t.FieldByName("TVChannel").SetAsString("5");
  t.Post();
  EXPECT_EQ(t.State(), TableState::Browse);
  EXPECT_EQ(t.RecordCount(), 1);
  EXPECT_TRUE(t.FieldByName("Status").IsNull());
  EXPECT_EQ(t.FieldByName("Status").AsInteger(), 0);

  t.Edit();
  EXPECT_EQ(t.State(), TableState::Edit);
  t.FieldByName("TVName").SetAsString("x");
  t.Cancel();
  EXPECT_TRUE(t.FieldByName("TVName").IsNull());
  t.Edit();
  t.FieldByName("TVName").SetAsString("y");
  t.FieldByName("Status").Clear();
  t.Post();
  EXPECT_EQ(t.FieldByName("TVName").AsString(), "y");

  t.Append();
  t.Cancel();
  EXPECT_EQ(t.RecordCount(), 1);

  // Moving away from an insert posts it.
  t.Append();
  t.FieldByName("TVChannel").SetAsString("6");
  t.First();
  EXPECT_EQ(t.RecordCount(), 2);

  // Values can only be written while editing or inserting.
  EXPECT_THROW(t.FieldByName("TVName").SetAsString("z"), Error);

  t.Close();
  EXPECT_EQ(t.State(), TableState::Closed);
  EXPECT_EQ(t.RecordCount(), 0);
}

TEST_F(MemTableTest, DeleteRemovesTheCurrentRecord) {
  AddRow(t, "1", 0);
  AddRow(t, "2", 0);
  AddRow(t, "3", 0);
  ASSERT_TRUE(t.Locate("TVChannel", "2"));
  t.Delete();
  EXPECT_EQ(t.FieldByName("TVChannel").AsString(), "3");
  t.Delete();
  EXPECT_EQ(t.FieldByName("TVChannel").AsString(), "1");
  EXPECT_EQ(Column(t, "TVChannel"), (std::vector<std::string>{"1"}));
}

TEST(MemTableStore, EditsAndDeletesLeaveEveryOtherValueIntact) {
  // Edited and deleted texts stay behind in the table's text store until it
  // is compacted; whatever a record holds must read back as written, also
  // after a save and a load.
  MemTable t;
  FieldDef text, num;
  text.FieldName = "Text";  // no size: never cut
  num.FieldName = "Num";
  num.DataType = FieldType::Integer;
  t.AddField(text);
  t.AddField(num);
  t.Open();
  std::mt19937 rng(12);
  auto randomText = [&rng]() {
    // Now and then one longer than a block of the store.
    std::string s(rng() % 50 == 0 ? 70000 + rng() % 1000 : rng() % 2000, 'x');
    for (char& c : s) c = static_cast<char>('a' + rng() % 26);
    return s;
  };
  std::vector<std::string> texts;
  std::vector<std::string> nums;
  auto goTo = [&t](std::size_t pos) {
    t.First();
    for (std::size_t i = 0; i < pos; ++i) t.Next();
  };
  for (int k = 0; k < 3000; ++k) {
    const unsigned op = rng() % 4;
    if (op == 0 || texts.size() < 20) {
      t.Append();
      texts.push_back(randomText());
      nums.push_back(rng() % 3 == 0 ? "" : std::to_string(static_cast<int>(rng() % 2001) - 1000));
      t.FieldByName("Text").SetAsString(texts.back());
      t.FieldByName("Num").SetAsString(nums.back());
      t.Post();
    } else if (op == 1) {
      const std::size_t pos = rng() % texts.size();
      goTo(pos);
      t.Delete();
      texts.erase(texts.begin() + static_cast<long>(pos));
      nums.erase(nums.begin() + static_cast<long>(pos));
    } else {
      const std::size_t pos = rng() % texts.size();
      goTo(pos);
      t.Edit();
      texts[pos] = randomText();
      t.FieldByName("Text").SetAsString(texts[pos]);
      t.Post();
    }
  }
  ASSERT_EQ(Column(t, "Text"), texts);
  ASSERT_EQ(Column(t, "Num"), nums);
  MemTable copy;
  copy.AddField(text);
  copy.AddField(num);
  copy.Open();
  copy.LoadFromString(t.SaveToString(SaveData));
  EXPECT_EQ(Column(copy, "Text"), texts);
  EXPECT_EQ(Column(copy, "Num"), nums);
}

TEST_F(MemTableTest, FieldByNameNamesTheTableInItsError) {
  EXPECT_EQ(&t.FieldByName("tvname"), &t.Fields(1)) << "field names match without regard to case";
  EXPECT_EQ(t.FindField("nope"), nullptr);
  try {
    t.FieldByName("Nope");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "TableSkypch: 項目 'Nope' が見つかりません");
  }
}

TEST_F(MemTableTest, LocateIsExactAndCaseSensitive) {
  AddRow(t, "55", 0);
  AddRow(t, "5", 1);
  t.Append();
  t.FieldByName("TVChannel").SetAsString("ab");
  t.Post();
  struct Case {
    const char* field;
    const char* value;
    bool found;
    const char* channel;
  };
  const Case cases[] = {
      {"TVChannel", "5", true, "5"},   {"TVChannel", "55", true, "55"},
      {"TVChannel", "05", false, ""},  {"TVChannel", "AB", false, ""},
      {"TVChannel", "ab", true, "ab"}, {"Status", "1", true, "5"},
  };
  for (const auto& c : cases) {
    t.Last();
    bool found = t.Locate(c.field, c.value);
    EXPECT_EQ(found, c.found) << c.value;
    if (found) {
      EXPECT_EQ(t.FieldByName("TVChannel").AsString(), c.channel) << c.value;
    }
  }
}

TEST_F(MemTableTest, SortOnOrdersByOneFieldStably) {
  const char* chans[] = {"11", "100", "2", "11", "9"};
  int status = 0;
  for (const char* c : chans) AddRow(t, c, status++);
  t.SortOn("TVChannel");
  EXPECT_EQ(Column(t, "TVChannel"), (std::vector<std::string>{"100", "11", "11", "2", "9"}));
  EXPECT_EQ(Column(t, "Status"), (std::vector<std::string>{"1", "0", "3", "2", "4"})) << "equal keys keep their order";
  t.SortOn("Status");
  EXPECT_EQ(Column(t, "TVChannel"), (std::vector<std::string>{"11", "100", "2", "11", "9"}));

  // A record posted after the sort takes its place in the order; an edit
  // that keeps the key leaves the record where it is.
  AddRow(t, "x", 2);
  EXPECT_EQ(Column(t, "TVChannel"), (std::vector<std::string>{"11", "100", "2", "x", "11", "9"}));
  ASSERT_TRUE(t.Locate("TVChannel", "x"));
  t.Edit();
  t.FieldByName("TVName").SetAsString("n");
  t.Post();
  EXPECT_EQ(t.RecNo(), 3);
  t.Edit();
  t.FieldByName("Status").SetAsInteger(-1);
  t.Post();
  EXPECT_EQ(t.RecNo(), 0);
  EXPECT_EQ(t.FieldByName("TVChannel").AsString(), "x");
}

TEST(MemTableProgrammes, DateTimesSortNumericallyAndGapFillWalkWorks) {
  MemTable m;
  DefineTableMas(m, "");
  m.Persistent = false;
  m.Open();
  const TDateTime day = EncodeDate(2010, 12, 6);
  for (int h : {21, 5, 13}) {
    m.Append();
    m.FieldByName("StartDateTime").SetAsDateTime(day + h / 24.0);
    m.FieldByName("EndDateTime").SetAsDateTime(day + (h + 1) / 24.0);
    m.Post();
  }
  m.SortOn("StartDateTime");
  // Walk from the last to the first, stretching each end to the next start.
  TDateTime next = 0;
  for (m.Last(); !m.Bof(); m.Prior()) {
    if (m.FieldByName("EndDateTime").AsDateTime() < next) {
      m.Edit();
      m.FieldByName("EndDateTime").SetAsDateTime(next);
      m.Post();
    }
    next = m.FieldByName("StartDateTime").AsDateTime();
  }
  std::vector<double> ends;
  for (m.First(); !m.Eof(); m.Next()) ends.push_back((m.FieldByName("EndDateTime").AsDateTime() - day) * 24);
  ASSERT_EQ(ends.size(), 3u);
  EXPECT_NEAR(ends[0], 13, 1e-6);
  EXPECT_NEAR(ends[1], 21, 1e-6);
  EXPECT_NEAR(ends[2], 22, 1e-6);
}

TEST(MemTableFields, ConversionsAndCuts) {
  MemTable m;
  DefineTableMas(m, "");
  m.Persistent = false;
  m.Open();
  m.Append();
  Field& cat = m.FieldByName("Categorie");
  cat.SetAsString("42");
  EXPECT_EQ(cat.AsInteger(), 42);
  cat.SetAsString("");
  EXPECT_TRUE(cat.IsNull());
  try {
    cat.SetAsString("4x");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "'4x' は項目 'カテゴリー' に適した整数値ではありません");
  }
  Field& gcode = m.FieldByName("GCODE");
  gcode.SetAsString(std::string(25, 'g'));
  EXPECT_EQ(gcode.AsString(), std::string(20, 'g'));
  gcode.SetAsString(std::string(19, 'g') + "漢");
  EXPECT_EQ(gcode.AsString(), std::string(19, 'g')) << "no lone lead byte at the cut";
  gcode.SetAsString(std::string(18, 'g') + "漢");
  EXPECT_EQ(gcode.AsString(), std::string(18, 'g') + "漢");
  gcode.SetAsString("");
  EXPECT_FALSE(gcode.IsNull()) << "an empty text is a value, not null";

  // The calculated Filler field keeps nothing that is assigned to it.
  m.FieldByName("Filler").SetAsString("x");
  EXPECT_TRUE(m.FieldByName("Filler").IsNull());
  m.Post();
  EXPECT_TRUE(m.FieldByName("Filler").IsNull());
}

}  // namespace
}  // namespace kc
