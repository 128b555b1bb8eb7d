#include "download/host_files.h"
#include "download/programme_files.h"

#include <gtest/gtest.h>

#include "analysis/chart_analyser.h"
#include "support/run_fixture.h"
#include "core/text.h"
#include "download/host_settings.h"
#include "platform/temp_files.h"
#include "support/forwarding_fs.h"

namespace kc {
namespace {

using test::RunFixture;

TDateTime At(int d, int h, int mi) { return EncodeDate(2019, 12, d) + EncodeTime(h, mi, 0, 0); }

const char kHeader[] =
    "\"開始時間\",\"チャンネル\",\"終了時間\",\"番組名\",\"内容\",\"カテゴリー\",\"URL\","
    "\"GCODE\",\"Flag\",\"予備\",";

void AddProgramme(MemTable& t, TDateTime start, TDateTime end, const std::string& title) {
  t.Append();
  t.FieldByName("StartDateTime").SetAsDateTime(start);
  t.FieldByName("TVChannel").SetAsString("101.局");
  t.FieldByName("EndDateTime").SetAsDateTime(end);
  t.FieldByName("Title").SetAsString(title);
  t.FieldByName("Memo").SetAsString("");
  t.FieldByName("Categorie").SetAsInteger(0);
  t.FieldByName("url").SetAsString("");
  t.FieldByName("GCODE").SetAsString("");
  t.FieldByName("Flag").SetAsInteger(kFlagCurrentDay);
  t.Post();
}

// Two datasets take these listings: 0 wants 101, 1 wants 101 and 161.
void TwoDataSets(RunFixture& f) {
  f.WriteHost("hoz.ini",
              "[TSetup.DataList_Items]\r\nCount=2\r\n"
              "[DataSet 0]\r\ncount=1\r\nArea 0=True\r\n"
              "[DataSet 1]\r\ncount=2\r\nArea 1=True\r\n");
  f.WriteHost("tvskypch.ini",
              "[DataSet 0]\r\ntvch 101=True\r\ntvch 161=False\r\n"
              "[DataSet 1]\r\ntvch 101=True\r\ntvch 161=True\r\n");
  f.AddChannel("101", "局");
  f.AddChannel("161", "映画");
  f.State.DataSetCount = GetDataSetCount(f.Plugin);
}

std::string ProgrammeLine(const std::string& title) {
  return "\"06/12/2019 10:00:00\",\"101.局\",\"06/12/2019 11:00:00\",\"" + title +
         "\",\"\",\"0\",\"\",\"\",\"268435457\",,";
}

void WriteProgrammeFile(const std::string& channel, const StringList& lines) {
  kc::WriteWholeFile(ProgrammeFile(channel), JoinLinesCrLf(lines));
}

// ---- gap fill

TEST(GapFill, ClosesGapsKeepsOverlapsAndTheLastEnd) {
  RunFixture f;
  f.Mas.Open();
  // inserted out of order: the fill sorts first
  AddProgramme(f.Mas, At(6, 11, 0), At(6, 11, 30), "c");
  AddProgramme(f.Mas, At(6, 9, 0), At(6, 10, 0), "a");
  AddProgramme(f.Mas, At(6, 10, 30), At(6, 11, 15), "b");
  GapFill(f.Ctx);
  struct Want {
    const char* title;
    TDateTime end;
  } want[] = {{"a", At(6, 10, 30)}, {"b", At(6, 11, 15)}, {"c", At(6, 11, 30)}};
  f.Mas.First();
  for (const Want& w : want) {
    ASSERT_FALSE(f.Mas.Eof());
    EXPECT_EQ(f.Mas.FieldByName("Title").AsString(), w.title);
    EXPECT_DOUBLE_EQ(f.Mas.FieldByName("EndDateTime").AsDateTime(), w.end) << w.title;
    f.Mas.Next();
  }
}

TEST(GapFill, StopLeavesTheRowsAlone) {
  RunFixture f;
  f.Mas.Open();
  AddProgramme(f.Mas, At(6, 9, 0), At(6, 10, 0), "a");
  AddProgramme(f.Mas, At(6, 10, 30), At(6, 11, 0), "b");
  f.State.StopRequested = true;
  GapFill(f.Ctx);
  f.Mas.First();
  EXPECT_DOUBLE_EQ(f.Mas.FieldByName("EndDateTime").AsDateTime(), At(6, 10, 0));
}

TEST(GapFill, EmptyTable) {
  RunFixture f;
  f.Mas.Open();
  GapFill(f.Ctx);
  EXPECT_EQ(f.Mas.RecordCount(), 0);
}

// ---- the programme file pass

TEST(BuildProgrammeFiles, PagesIntoPerChannelFiles) {
  test::FakeClock clock(2019, 12, 6, 8, 0, 0);
  RunFixture f;
  TwoDataSets(f);
  f.AddChannel("55", "スポーツ");
  auto page = [&](const std::string& name, const std::string& fixture) {
    std::string p = f.Plugin + name;
    kc::WriteWholeFile(p, test::ReadBytes(test::SourcePath("tests/data/analyser/" + fixture)));
    return p;
  };
  std::string p1 = page("tvmurok10112061.html", "shared_span.html");
  std::string p2 = page("tvmurok10112062.html", "nested_div.html");
  std::string empty = page("tvmurok16112060.html", "no_column.html");
  std::string below = page("tvmurok05512061.html", "shared_span.html");
  // an old programme file of a table channel goes first
  WriteProgrammeFile("55", {"old"});
  // a page named twice is analysed twice; a missing one is passed over
  f.State.DownloadedFiles = {p1, p2, p1, f.Plugin + "tvmurok10112063.html", empty, below};

  BuildProgrammeFiles(f.Ctx);

  MemTable check;
  DefineTableMas(check, ProgrammeFile("101"));
  check.Open();
  EXPECT_EQ(check.RecordCount(), 6);
  StringList titles;
  for (check.First(); !check.Eof(); check.Next()) titles.push_back(check.FieldByName("Title").AsString());
  EXPECT_EQ(titles, (StringList{"先の番組", "先の番組", "続きの 番組", "続きの 番組", "親の番組補足", "次の番組"}));
  check.Close();

  // a page without programmes is deleted, and its channel's file holds
  // only the header
  EXPECT_FALSE(kc::Fs().FileExists(empty));
  EXPECT_TRUE(kc::Fs().FileExists(p1));
  std::string bytes;
  ASSERT_TRUE(kc::ReadWholeFile(ProgrammeFile("161"), bytes));
  EXPECT_EQ(bytes, std::string(kHeader) + "\r\n");
  // channel 55 is written with three digits in its file name
  EXPECT_TRUE(kc::Fs().FileExists(TempFolder() + "tvmurok055.dat"));
  ASSERT_TRUE(kc::ReadWholeFile(ProgrammeFile("55"), bytes));
  EXPECT_EQ(SplitLines(bytes).size(), 3u);

  EXPECT_EQ(f.View.P1Max, 6);
  EXPECT_EQ(f.View.Label2Text, "");
  EXPECT_FALSE(f.Mas.Active());
  EXPECT_EQ(f.State.PhaseName, "ANATVMurok2a");
}

TEST(BuildProgrammeFiles, StopBeforeThePagesWritesNoFile) {
  test::FakeClock clock(2019, 12, 6, 8, 0, 0);
  RunFixture f;
  TwoDataSets(f);
  std::string p = f.Plugin + "tvmurok10112061.html";
  kc::WriteWholeFile(p, test::ReadBytes(test::SourcePath("tests/data/analyser/shared_span.html")));
  f.State.DownloadedFiles = {p};
  // Skip is cleared at the start of the pass; Stop is not.
  f.State.SkipRequested = true;
  f.State.StopRequested = true;
  BuildProgrammeFiles(f.Ctx);
  EXPECT_FALSE(kc::Fs().FileExists(ProgrammeFile("101")));
}

// Closing the window during a page: the close handler stops the run and
// closes both tables from inside a yield of the analysis. The pass then ends
// as after Stop, keeping what was stored, instead of failing on the closed
// table.
TEST(BuildProgrammeFiles, WindowClosedDuringAPageEndsThePassQuietly) {
  test::FakeClock clock(2019, 12, 6, 8, 0, 0);
  RunFixture f;
  TwoDataSets(f);
  std::string p = f.Plugin + "tvmurok10112061.html";
  kc::WriteWholeFile(p, test::ReadBytes(test::SourcePath("tests/data/analyser/nested_div.html")));
  f.State.DownloadedFiles = {p, p};
  bool closed = false;
  ScopedMessagePump pump([&] {
    if (closed || !f.Mas.Active() || f.Mas.RecordCount() != 1) return;
    closed = true;
    f.State.StopRequested = true;
    f.Skypch.Close();
    f.Mas.Close();
  });
  EXPECT_NO_THROW(BuildProgrammeFiles(f.Ctx));
  EXPECT_TRUE(closed);
  EXPECT_FALSE(f.Mas.Active());
  MemTable check;
  DefineTableMas(check, ProgrammeFile("101"));
  check.Open();
  EXPECT_EQ(check.RecordCount(), 1);
}

// ---- the merge

TEST(MergeIntoDatasets, NoProgrammeFilesTouchesNothingAndSaysSo) {
  RunFixture f;
  TwoDataSets(f);
  MergeIntoDatasets(f.Ctx);
  EXPECT_FALSE(kc::Fs().FileExists(DataSetFile(f.Plugin, 0)));
  EXPECT_FALSE(kc::Fs().FileExists(DataSetFile(f.Plugin, 1)));
  EXPECT_EQ(f.View.Label2Text, "取得した番組表データがありません.");
  EXPECT_EQ(f.LogLines(), StringList{"取得した番組表データがありません."});
}

TEST(MergeIntoDatasets, OneHeaderInANewFileNoneInAnOldOne) {
  RunFixture f;
  TwoDataSets(f);
  WriteProgrammeFile("101", {kHeader, ProgrammeLine("a"), ProgrammeLine("b")});
  WriteProgrammeFile("161", {kHeader, ProgrammeLine("c")});
  // dataset 1 exists: old lines stay, no header is added
  f.WriteHost("tvdata1.csv", "old line\r\n");

  MergeIntoDatasets(f.Ctx);

  EXPECT_EQ(f.ReadHost("tvdata0.csv"),
            JoinLinesCrLf({kHeader, ProgrammeLine("a"), ProgrammeLine("b")}));
  EXPECT_EQ(f.ReadHost("tvdata1.csv"),
            JoinLinesCrLf({"old line", ProgrammeLine("a"), ProgrammeLine("b"), ProgrammeLine("c")}));
  // the programme files are gone, nothing was logged
  EXPECT_FALSE(kc::Fs().FileExists(ProgrammeFile("101")));
  EXPECT_FALSE(kc::Fs().FileExists(ProgrammeFile("161")));
  EXPECT_EQ(f.View.Label2Text, "");
  EXPECT_TRUE(f.LogLines().empty());
}

TEST(MergeIntoDatasets, HeaderOnlyProgrammeFile) {
  RunFixture f;
  TwoDataSets(f);
  WriteProgrammeFile("101", {kHeader});
  f.WriteHost("tvdata1.csv", "old line\r\n");
  MergeIntoDatasets(f.Ctx);
  EXPECT_EQ(f.ReadHost("tvdata0.csv"), std::string(kHeader) + "\r\n");
  EXPECT_EQ(f.ReadHost("tvdata1.csv"), "old line\r\n");
  // a programme file was there, so this is no "no data" run
  EXPECT_TRUE(f.LogLines().empty());
}

TEST(MergeIntoDatasets, WhatTheDatasetFileHeldDecidesHeaderAndBreak) {
  struct Case {
    const char* what;
    const char* before;  // null: no file
    std::string after;
  } cases[] = {
      {"missing: header", nullptr, JoinLinesCrLf({kHeader, ProgrammeLine("a")})},
      {"empty (a run that ended before its header): header", "",
       JoinLinesCrLf({kHeader, ProgrammeLine("a")})},
      {"last line without its break: one first", "old line",
       JoinLinesCrLf({"old line", ProgrammeLine("a")})},
      {"last line ended by CR LF", "old line\r\n", JoinLinesCrLf({"old line", ProgrammeLine("a")})},
  };
  for (const Case& c : cases) {
    RunFixture f;
    TwoDataSets(f);
    WriteProgrammeFile("101", {kHeader, ProgrammeLine("a")});
    if (c.before) f.WriteHost("tvdata0.csv", c.before);
    MergeIntoDatasets(f.Ctx);
    EXPECT_EQ(f.ReadHost("tvdata0.csv"), c.after) << c.what;
    EXPECT_TRUE(f.LogLines().empty()) << c.what;
  }
}

TEST(MergeIntoDatasets, DataSetWithoutTheAreaGetsNothing) {
  RunFixture f;
  TwoDataSets(f);
  f.WriteHost("hoz.ini",
              "[TSetup.DataList_Items]\r\nCount=2\r\n"
              "[DataSet 0]\r\ncount=1\r\nArea 0=False\r\n"
              "[DataSet 1]\r\ncount=2\r\nArea 1=True\r\n");
  WriteProgrammeFile("101", {kHeader, ProgrammeLine("a")});
  MergeIntoDatasets(f.Ctx);
  EXPECT_FALSE(kc::Fs().FileExists(DataSetFile(f.Plugin, 0)));
  EXPECT_EQ(f.ReadHost("tvdata1.csv"), JoinLinesCrLf({kHeader, ProgrammeLine("a")}));
}

TEST(MergeIntoDatasets, SkipEndsOnlyTheCurrentDataSet) {
  RunFixture f;
  TwoDataSets(f);
  WriteProgrammeFile("101", {kHeader, ProgrammeLine("a"), ProgrammeLine("b")});
  // Skip during the first line written to dataset 0
  bool pressed = false;
  ScopedMessagePump pump([&] {
    if (!pressed && kc::Fs().FileExists(DataSetFile(f.Plugin, 0))) {
      pressed = true;
      f.State.SkipRequested = true;
    }
  });
  MergeIntoDatasets(f.Ctx);
  EXPECT_EQ(f.ReadHost("tvdata0.csv"), std::string(kHeader) + "\r\n");
  EXPECT_EQ(f.ReadHost("tvdata1.csv"), JoinLinesCrLf({kHeader, ProgrammeLine("a"), ProgrammeLine("b")}));
}

// A file system that refuses to open chosen files.
class RefusingFs : public test::ForwardingFs {
 public:
  explicit RefusingFs(std::string needle) : needle_(std::move(needle)) {}
  std::unique_ptr<kc::File> Open(const std::string& p, kc::OpenMode m) override {
    if (p.find(needle_) != std::string::npos) {
      ++refused;
      return nullptr;
    }
    return base_.Open(p, m);
  }
  int refused = 0;

 private:
  std::string needle_;
};

// Files of chosen names open, but every write stores only its first half
// and fails (a disk that fills).
class FullDiskFs : public RefusingFs {
 public:
  explicit FullDiskFs(std::string needle) : RefusingFs("\x01"), needle_(std::move(needle)) {}
  std::unique_ptr<kc::File> Open(const std::string& p, kc::OpenMode m) override {
    std::unique_ptr<kc::File> f = RefusingFs::Open(p, m);
    if (f && p.find(needle_) != std::string::npos) return std::make_unique<Full>(std::move(f));
    return f;
  }

 private:
  struct Full : kc::File {
    explicit Full(std::unique_ptr<kc::File> f) : inner(std::move(f)) {}
    bool Write(const void* d, std::size_t n) override {
      inner->Write(d, n / 2);
      return false;
    }
    long long Read(void* d, std::size_t n) override { return inner->Read(d, n); }
    bool Flush() override { return inner->Flush(); }
    bool Close() override { return inner->Close(); }
    std::int64_t Size() override { return inner->Size(); }
    bool Seek(std::int64_t o) override { return inner->Seek(o); }
    bool Truncate(std::int64_t s) override { return inner->Truncate(s); }
    std::unique_ptr<kc::File> inner;
  };
  std::string needle_;
};

TEST(MergeIntoDatasets, FailedWriteIsCutBackNamedInTheLogAndEndsTheMerge) {
  // A new file goes back to empty (so the next run writes its header); an
  // old one to what it held.
  for (const char* before : {static_cast<const char*>(nullptr), "old line\r\n"}) {
    RunFixture f;
    TwoDataSets(f);
    WriteProgrammeFile("101", {kHeader, ProgrammeLine("a")});
    if (before) f.WriteHost("tvdata0.csv", before);
    FullDiskFs fs("tvdata0");
    {
      kc::ScopedFs use(fs);
      MergeIntoDatasets(f.Ctx);
    }
    EXPECT_EQ(f.LogLines(), StringList{"hoz.log: MergeTVMurok: ファイル " + DataSetFile(f.Plugin, 0) +
                                       " に書き込めません (C.ERROR)"});
    EXPECT_EQ(f.ReadHost("tvdata0.csv"), before ? before : "");
    EXPECT_FALSE(kc::Fs().FileExists(DataSetFile(f.Plugin, 1)));
    EXPECT_TRUE(kc::Fs().FileExists(ProgrammeFile("101")));
  }
}

TEST(MergeIntoDatasets, FileThatCannotBeOpenedIsNamedInTheLog) {
  struct Case {
    const char* refuse;
    const char* file;  // as named in the log, below the host folder or temp
    bool dataSet;
  } cases[] = {{"tvdata0", "tvdata0.csv", true}, {"tvmurok101", "tvmurok101.dat", false}};
  for (const Case& c : cases) {
    RunFixture f;
    TwoDataSets(f);
    WriteProgrammeFile("101", {kHeader, ProgrammeLine("a")});
    RefusingFs fs(c.refuse);
    int waits = 0;
    {
      kc::ScopedFs use(fs);
      ScopedMinuteWait wait([&](double m) {
        EXPECT_EQ(m, 1.0);
        ++waits;
      });
      MergeIntoDatasets(f.Ctx);
    }

    EXPECT_EQ(fs.refused, 21) << c.refuse;  // the first attempt and 20 retries
    EXPECT_EQ(waits, 20);
    std::string path = c.dataSet ? DataSetFile(f.Plugin, 0) : ProgrammeFile("101");
    EXPECT_EQ(f.LogLines(),
              StringList{"hoz.log: MergeTVMurok: ファイル " + path + " は開けません (C.ERROR)"});
    if (c.dataSet) {
      // only that dataset misses out
      EXPECT_EQ(f.ReadHost("tvdata1.csv"), JoinLinesCrLf({kHeader, ProgrammeLine("a")}));
    } else {
      // the merge ended there: nothing for dataset 1, programme files kept
      EXPECT_FALSE(kc::Fs().FileExists(DataSetFile(f.Plugin, 1)));
      EXPECT_TRUE(kc::Fs().FileExists(ProgrammeFile("101")));
    }
  }
}

TEST(MergeIntoDatasets, AFolderInPlaceOfADatasetFileFailsAtOnce) {
  RunFixture f;
  TwoDataSets(f);
  WriteProgrammeFile("101", {kHeader, ProgrammeLine("a")});
  ASSERT_TRUE(kc::Fs().CreateDir(DataSetFile(f.Plugin, 0)));
  int waits = 0;
  ScopedMinuteWait wait([&](double) { ++waits; });
  MergeIntoDatasets(f.Ctx);
  EXPECT_EQ(waits, 0);
  EXPECT_EQ(f.LogLines(), StringList{"hoz.log: MergeTVMurok: ファイル " + DataSetFile(f.Plugin, 0) +
                                     " は開けません (C.ERROR)"});
  EXPECT_EQ(f.ReadHost("tvdata1.csv"), JoinLinesCrLf({kHeader, ProgrammeLine("a")}));
}

// ---- the rows a page gives

TEST(AppendProgramme, NoFieldEndsInALeadByteOrHoldsHalfACharacter) {
  // "&#x81" at the end of a title gives the lead byte 0x81; a link taken
  // from the page's bytes may end inside a character.
  MemTable t("TableMas");
  DefineTableMas(t);
  t.Persistent = false;
  t.Open();
  ProgrammeRecord r;
  r.StartDateTime = At(6, 10, 0);
  r.EndDateTime = At(6, 11, 0);
  r.TVChannel = "101.局";
  r.Title = "題\x81";
  r.Memo = "a\x82\"b";
  r.url = "https://x/\xE3\x81\x82";
  r.Flag = kFlagCurrentDay;
  AppendProgramme(t, r);
  EXPECT_EQ(SplitLines(t.SaveToString(SaveData | SaveNoHeader))[0],
            "\"06/12/2019 10:00:00\",\"101.局\",\"06/12/2019 11:00:00\",\"題\",\"a\"\"b\",\"0\","
            "\"https://x/\xE3\x81\",\"\",\"268435457\",,");
}

}  // namespace
}  // namespace kc
