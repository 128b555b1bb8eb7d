// One set of expectations for both platform backends: run natively against
// the POSIX layer and under Wine against the system's own services, which
// are the reference for how ours must behave.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/text.h"
#include "platform/platform.h"
#include "res/version.h"
#include "support/test_support.h"

namespace {

using kc::test::ReadBytes;
using kc::test::ScopedEnv;
using kc::test::TempDir;
using kc::test::WriteBytes;

std::set<std::string> Names(const std::vector<kc::FoundFile>& found) {
  std::set<std::string> out;
  for (const auto& f : found) out.insert(f.Name);
  return out;
}

class PlatformFiles : public ::testing::Test {
 protected:
  std::string P(const std::string& name) const { return dir_.winPath() + "\\" + name; }
  void Put(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(kc::WriteWholeFile(P(name), bytes)) << name;
  }
  std::string Get(const std::string& name) {
    std::string s;
    EXPECT_TRUE(kc::ReadWholeFile(P(name), s)) << name;
    return s;
  }
  TempDir dir_;
};

// ---------------------------------------------------------------- files

TEST_F(PlatformFiles, WholeFilesKeepEveryByte) {
  std::string bytes("a\r\nb\nc\rd\0e\x81\x5C\xFF", 14);
  Put("bin.dat", bytes);
  EXPECT_EQ(Get("bin.dat"), bytes);
  EXPECT_EQ(kc::Fs().FileSize(P("bin.dat")), 14);
  EXPECT_EQ(ReadBytes(dir_.file("bin.dat")), bytes);
  std::string none;
  EXPECT_FALSE(kc::ReadWholeFile(P("missing.dat"), none));
}

TEST_F(PlatformFiles, ExistenceAndSize) {
  Put("f.txt", "12345");
  ASSERT_TRUE(kc::Fs().CreateDir(P("d")));
  EXPECT_TRUE(kc::Fs().FileExists(P("f.txt")));
  EXPECT_FALSE(kc::Fs().FileExists(P("d")));
  EXPECT_FALSE(kc::Fs().FileExists(P("nothing")));
  EXPECT_TRUE(kc::Fs().DirectoryExists(P("d")));
  EXPECT_FALSE(kc::Fs().DirectoryExists(P("f.txt")));
  EXPECT_EQ(kc::Fs().FileSize(P("f.txt")), 5);
  EXPECT_EQ(kc::Fs().FileSize(P("nothing")), -1);
  EXPECT_EQ(kc::Fs().FileSize(P("d")), -1);
}

// Japanese names, among them characters whose second byte is 0x5C ("表",
// "ソ"), which must not be taken for a separator.
TEST_F(PlatformFiles, JapaneseNamesWithBackslashTrailBytes) {
  const std::string sub = P("表示\\ソフト");
  ASSERT_TRUE(kc::Fs().ForceDirectories(sub));
  EXPECT_TRUE(kc::Fs().DirectoryExists(P("表示")));
  ASSERT_TRUE(kc::WriteWholeFile(sub + "\\番組表.csv", "x"));
  auto found = kc::Fs().FindFiles(sub + "\\*.csv", kc::faAnyFile);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Name, "番組表.csv");
  EXPECT_EQ(kc::ExtractFileName(sub + "\\番組表.csv"), "番組表.csv");
  EXPECT_EQ(kc::ExtractFilePath(P("表")), dir_.winPath() + "\\");
}

TEST_F(PlatformFiles, FindWithWildcardsAndAttributes) {
  for (const char* n : {"a1.txt", "a2.TXT", "b1.txt", "ab.csv", "tvmurok1", "tvmurok2.dat",
                        "tvmurok3.csv.bak", "番組.txt"})
    Put(n, n);
  ASSERT_TRUE(kc::Fs().CreateDir(P("sub.txt")));
  const unsigned files = kc::faAnyFile;
  const unsigned all = kc::faAnyFile | kc::faDirectory;
  struct Case {
    const char* pattern;
    unsigned mask;
    std::set<std::string> want;
  } cases[] = {
      {"*.txt", files, {"a1.txt", "a2.TXT", "b1.txt", "番組.txt"}},
      {"*.TXT", files, {"a1.txt", "a2.TXT", "b1.txt", "番組.txt"}},
      {"*.txt", all, {"a1.txt", "a2.TXT", "b1.txt", "番組.txt", "sub.txt"}},
      {"*.txt", kc::faDirectory, {"sub.txt"}},
      {"a?.txt", files, {"a1.txt", "a2.TXT"}},
      {"A*", files, {"a1.txt", "a2.TXT", "ab.csv"}},
      {"?b.csv", files, {"ab.csv"}},
      {"tvmurok*.*", files, {"tvmurok1", "tvmurok2.dat", "tvmurok3.csv.bak"}},
      {"番*", files, {"番組.txt"}},
      {"番?.txt", files, {"番組.txt"}},  // a double-byte character is one "?"
      {"x*", files, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Names(kc::Fs().FindFiles(P(c.pattern), c.mask)), c.want) << c.pattern;
  }
  auto everything = kc::Fs().FindFiles(P("*"), all);
  EXPECT_EQ(everything.size(), 9u);  // never "." or ".."
  for (const auto& f : everything) {
    if (f.Name == "sub.txt") {
      EXPECT_TRUE(f.Attr & kc::faDirectory);
    } else {
      EXPECT_FALSE(f.Attr & kc::faDirectory) << f.Name;
      EXPECT_EQ(f.Size, static_cast<std::int64_t>(f.Name.size())) << f.Name;
    }
  }
  EXPECT_TRUE(kc::Fs().FindFiles(P("nofolder\\*"), all).empty());
}

TEST_F(PlatformFiles, DeleteCopyRename) {
  Put("src.txt", "source");
  Put("old.txt", "old");
  // delete
  Put("gone.txt", "x");
  EXPECT_TRUE(kc::Fs().DeleteFile(P("gone.txt")));
  EXPECT_FALSE(kc::Fs().FileExists(P("gone.txt")));
  EXPECT_FALSE(kc::Fs().DeleteFile(P("gone.txt")));
  ASSERT_TRUE(kc::Fs().CreateDir(P("dir")));
  EXPECT_FALSE(kc::Fs().DeleteFile(P("dir")));
  // copy
  EXPECT_TRUE(kc::Fs().CopyFile(P("src.txt"), P("new.txt"), false));
  EXPECT_EQ(Get("new.txt"), "source");
  EXPECT_FALSE(kc::Fs().CopyFile(P("src.txt"), P("old.txt"), false));
  EXPECT_EQ(Get("old.txt"), "old");
  EXPECT_TRUE(kc::Fs().CopyFile(P("src.txt"), P("old.txt"), true));
  EXPECT_EQ(Get("old.txt"), "source");
  EXPECT_FALSE(kc::Fs().CopyFile(P("none.txt"), P("x.txt"), true));
  EXPECT_FALSE(kc::Fs().FileExists(P("x.txt")));
  // rename
  EXPECT_TRUE(kc::Fs().RenameFile(P("new.txt"), P("renamed.txt")));
  EXPECT_FALSE(kc::Fs().FileExists(P("new.txt")));
  EXPECT_EQ(Get("renamed.txt"), "source");
  Put("other.txt", "other");
  EXPECT_FALSE(kc::Fs().RenameFile(P("renamed.txt"), P("other.txt")));
  EXPECT_EQ(Get("renamed.txt"), "source");
  EXPECT_EQ(Get("other.txt"), "other");
  EXPECT_FALSE(kc::Fs().RenameFile(P("none.txt"), P("y.txt")));
  // replace: over an existing file, to a new name, never over a folder
  EXPECT_TRUE(kc::Fs().ReplaceFile(P("renamed.txt"), P("other.txt")));
  EXPECT_FALSE(kc::Fs().FileExists(P("renamed.txt")));
  EXPECT_EQ(Get("other.txt"), "source");
  EXPECT_TRUE(kc::Fs().ReplaceFile(P("other.txt"), P("fresh.txt")));
  EXPECT_EQ(Get("fresh.txt"), "source");
  EXPECT_FALSE(kc::Fs().ReplaceFile(P("none.txt"), P("fresh.txt")));
  EXPECT_FALSE(kc::Fs().ReplaceFile(P("fresh.txt"), P("dir")));
  EXPECT_EQ(Get("fresh.txt"), "source");
}

TEST_F(PlatformFiles, CopyKeepsTheLastWriteTime) {
  Put("src.txt", "source");
  const kc::TDateTime when = kc::EncodeDate(2010, 12, 6) + kc::EncodeTime(12, 34, 56, 0);
  ASSERT_TRUE(kc::Fs().SetFileAge(P("src.txt"), when));
  ASSERT_TRUE(kc::Fs().CopyFile(P("src.txt"), P("copy.txt"), true));
  kc::TDateTime age = 0;
  ASSERT_TRUE(kc::Fs().FileAge(P("copy.txt"), age));
  EXPECT_NEAR(age, when, 1.0 / 86400);
}

TEST_F(PlatformFiles, Folders) {
  EXPECT_FALSE(kc::Fs().CreateDir(P("a\\b")));  // parent missing
  EXPECT_TRUE(kc::Fs().ForceDirectories(P("a\\b\\c")));
  EXPECT_TRUE(kc::Fs().DirectoryExists(P("a\\b\\c")));
  EXPECT_TRUE(kc::Fs().ForceDirectories(P("a\\b\\c")));  // already there
  EXPECT_TRUE(kc::Fs().ForceDirectories(P("a\\d\\")));   // trailing backslash
  EXPECT_TRUE(kc::Fs().DirectoryExists(P("a\\d")));
  EXPECT_TRUE(kc::Fs().CreateDir(P("a\\e")));
  EXPECT_FALSE(kc::Fs().CreateDir(P("a\\e")));
  Put("file", "x");
  EXPECT_FALSE(kc::Fs().ForceDirectories(P("file\\sub")));
}

TEST_F(PlatformFiles, AgeIsLocalTime) {
  Put("f.txt", "x");
  kc::TDateTime age = 0;
  ASSERT_TRUE(kc::Fs().FileAge(P("f.txt"), age));
  EXPECT_NEAR(age, kc::Now(), 2.0 / 1440);  // within two minutes of the local clock
  const kc::TDateTime when = kc::EncodeDate(2009, 7, 1) + kc::EncodeTime(23, 59, 58, 0);
  ASSERT_TRUE(kc::Fs().SetFileAge(P("f.txt"), when));
  ASSERT_TRUE(kc::Fs().FileAge(P("f.txt"), age));
  EXPECT_NEAR(age, when, 0.5 / 86400);
  auto found = kc::Fs().FindFiles(P("f.txt"), kc::faAnyFile);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NEAR(found[0].LastWrite, when, 0.5 / 86400);
  EXPECT_FALSE(kc::Fs().FileAge(P("missing"), age));
  EXPECT_FALSE(kc::Fs().SetFileAge(P("missing"), when));
}

TEST_F(PlatformFiles, OpenModes) {
  EXPECT_EQ(kc::Fs().Open(P("missing"), kc::OpenMode::Read), nullptr);
  EXPECT_EQ(kc::Fs().Open(P("nofolder\\x"), kc::OpenMode::Rewrite), nullptr);
  {
    auto f = kc::Fs().Open(P("log.txt"), kc::OpenMode::Append);  // created
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->Write("one\r\n", 5));
    EXPECT_TRUE(f->Flush());
    // A reader may look at it while it is open for appending.
    auto r = kc::Fs().Open(P("log.txt"), kc::OpenMode::Read);
    ASSERT_NE(r, nullptr);
    char buf[16];
    EXPECT_EQ(r->Read(buf, sizeof buf), 5);
    EXPECT_EQ(r->Read(buf, sizeof buf), 0);
    EXPECT_EQ(r->Size(), 5);
  }
  {
    auto f = kc::Fs().Open(P("log.txt"), kc::OpenMode::Append);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->Write("two\r\n", 5));
    EXPECT_EQ(f->Size(), 10);
    EXPECT_TRUE(f->Close());
    EXPECT_FALSE(f->Write("x", 1));  // closed
  }
  EXPECT_EQ(Get("log.txt"), "one\r\ntwo\r\n");
  {
    auto f = kc::Fs().Open(P("log.txt"), kc::OpenMode::Rewrite);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Size(), 0);
    EXPECT_TRUE(f->Write("new", 3));
  }
  EXPECT_EQ(Get("log.txt"), "new");
}

TEST_F(PlatformFiles, CurrentFolderAndProgram) {
  const std::string before = kc::Fs().GetCurrentDir();
  ASSERT_FALSE(before.empty());
  ASSERT_TRUE(kc::Fs().SetCurrentDir(dir_.winPath()));
  Put("here.txt", "x");
  EXPECT_TRUE(kc::Fs().FileExists("here.txt"));  // relative to the current folder
  EXPECT_FALSE(kc::Fs().SetCurrentDir(P("missing")));
  ASSERT_TRUE(kc::Fs().SetCurrentDir(before));

  std::string exe = kc::LowerAscii(kc::ExtractFileName(kc::ProgramFileName()));
  EXPECT_EQ(kc::ChangeFileExt(exe, ""), "test_platform_conformance");
  std::string folder = kc::ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(folder.back() == '\\' || folder.back() == '/');
  EXPECT_TRUE(kc::Fs().DirectoryExists(folder));
}

// ---------------------------------------------------------------- path helpers

TEST(PlatformPaths, Helpers) {
  struct Case {
    const char* path;
    const char* name;
    const char* folder;
    const char* ext;
  } cases[] = {
      {"C:\\x\\..\\hoz.ini", "hoz.ini", "C:\\x\\..\\", ".ini"},
      {"..\\tvdata1.csv", "tvdata1.csv", "..\\", ".csv"},
      {"plain", "plain", "", ""},
      {"a.b\\c", "c", "a.b\\", ""},
      {"C:name.txt", "name.txt", "C:", ".txt"},
      {"/tmp/x.tar.gz", "x.tar.gz", "/tmp/", ".gz"},
      {"表\\ソ.txt", "ソ.txt", "表\\", ".txt"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kc::ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(kc::ExtractFilePath(c.path), c.folder) << c.path;
    EXPECT_EQ(kc::ExtractFileExt(c.path), c.ext) << c.path;
  }
  EXPECT_EQ(kc::ChangeFileExt("a\\tvskypch.csv", ".old"), "a\\tvskypch.old");
  EXPECT_EQ(kc::ChangeFileExt("a.b\\c", ".old"), "a.b\\c.old");
  EXPECT_EQ(kc::IncludeTrailingBackslash("C:\\temp"), "C:\\temp\\");
  EXPECT_EQ(kc::IncludeTrailingBackslash("C:\\temp\\"), "C:\\temp\\");
  EXPECT_EQ(kc::IncludeTrailingBackslash("表"), "表\\");  // its trail byte is no "\"
  EXPECT_EQ(kc::IncludeTrailingBackslash(""), "\\");
}

// ---------------------------------------------------------------- code page

TEST(PlatformCodePage, RoundTrips) {
  struct Case {
    std::u16string wide;
    std::string sjis;
  } cases[] = {
      {u"abc 123", "abc 123"},
      {u"日本語", "\x93\xFA\x96\x7B\x8C\xEA"},
      {u"ｶﾀｶﾅ", "\xB6\xC0\xB6\xC5"},
      {u"表示", "\x95\x5C\x8E\xA6"},
      {u"①Ⅱ", "\x87\x40\x87\x55"},
      {u"髙", "\xFB\xFC"},
      {u"～", "\x81\x60"},
      {u"－", "\x81\x7C"},
      {u"∥", "\x81\x61"},
      {u"￢", "\x81\xCA"},
      {u"\\~", "\\~"},
      {u"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kc::WideToCp932(c.wide), c.sjis);
    EXPECT_EQ(kc::Cp932ToWide(c.sjis), c.wide);
    EXPECT_EQ(kc::Utf8ToCp932(kc::WideToUtf8(c.wide)), c.sjis);
    EXPECT_EQ(kc::Cp932ToUtf8(c.sjis), kc::WideToUtf8(c.wide));
  }
}

TEST(PlatformCodePage, CharactersWithoutAFormBecomeQuestionMarks) {
  EXPECT_EQ(kc::WideToCp932(u"caf\u00E9"), "caf?");
  EXPECT_EQ(kc::WideToCp932(u"\uAC00\u65E5"), "?\x93\xFA");
  EXPECT_EQ(kc::WideToCp932(u"\u20AC5"), "?5");
  EXPECT_EQ(kc::Utf8ToCp932("\xED\x95\x9C\xEA\xB5\xAD"), "??");  // Hangul
  // One "?" per UTF-16 unit: a character outside the BMP gives two.
  EXPECT_EQ(kc::WideToCp932(u"\U0001F600x"), "??x");
  EXPECT_EQ(kc::WideToCp932(std::u16string({0xDC00, u'a', 0xD800})), "?a?");
}

TEST(PlatformCodePage, SingleBytesOutsideTheCharacterSet) {
  // These bytes have code points of their own and come back unchanged.
  const std::string bytes = "\x80\xA0\xFD\xFE\xFF";
  const std::u16string wide = {0x0080, 0xF8F0, 0xF8F1, 0xF8F2, 0xF8F3};
  EXPECT_EQ(kc::Cp932ToWide(bytes), wide);
  EXPECT_EQ(kc::WideToCp932(wide), bytes);
}

TEST(PlatformCodePage, BrokenDoubleByteCharacters) {
  struct Case {
    std::string sjis;
    std::u16string wide;
  } cases[] = {
      {"\x85\x40", u"\u30FB"},       // a pair the code page leaves undefined
      {"a\x81\x20" "b", u"a\u30FBb"},  // a lead byte takes the next byte along
      {"\x81\x7F", u"\u30FB"},
      {"\xF0\x40", u"\uE000"},       // user-defined area
      {"ab\x81", u"ab\u30FB"},        // a lead byte alone at the end
  };
  for (const Case& c : cases) EXPECT_EQ(kc::Cp932ToWide(c.sjis), c.wide);
}

TEST(PlatformCodePage, Utf8AndUtf16) {
  EXPECT_EQ(kc::Utf8ToWide(u8"日本\U0001F600"), u"日本\U0001F600");
  EXPECT_EQ(kc::WideToUtf8(u"日本\U0001F600"), u8"日本\U0001F600");
  EXPECT_EQ(kc::Utf8ToWide("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(kc::Utf8ToWide("a\xE6\x97"), u"a\uFFFD");  // cut short
}

// The whole code page, both ways: every single byte, every lead byte with
// every second byte, and every UTF-16 unit outside the surrogates. The
// checksum is that of the system's own conversion (taken under Wine); both
// backends must give it.
TEST(PlatformCodePage, WholeTableMatchesTheSystem) {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a
  auto mix = [&h](unsigned v) {
    for (int k = 0; k < 4; ++k) {
      h ^= (v >> (8 * k)) & 0xFF;
      h *= 1099511628211ull;
    }
  };
  auto mixWide = [&](const std::u16string& w) {
    for (char16_t c : w) mix(c);
    mix(0xFFFFFFFFu);
  };
  for (int b = 0; b < 256; ++b) mixWide(kc::Cp932ToWide(std::string(1, static_cast<char>(b))));
  for (int l = 0x81; l <= 0xFC; ++l) {
    if (!kc::IsSjisLeadByte(static_cast<unsigned char>(l))) continue;
    for (int t = 0; t < 256; ++t) {
      std::string two{static_cast<char>(l), static_cast<char>(t)};
      mixWide(kc::Cp932ToWide(two));
    }
  }
  for (unsigned c = 0; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    for (unsigned char b : kc::WideToCp932(std::u16string(1, static_cast<char16_t>(c)))) mix(b);
    mix(0xFFFFFFFFu);
  }
  EXPECT_EQ(h, 5152003090625981416ull);
}

TEST(PlatformCodePage, LeadByteTestAgreesForEveryByte) {
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(kc::IsCp932LeadByteSystem(static_cast<unsigned char>(b)),
              kc::IsSjisLeadByte(static_cast<unsigned char>(b)))
        << "byte " << b;
}

// ---------------------------------------------------------------- environment

TEST(PlatformEnv, NamesMatchWithoutCase) {
  ScopedEnv set("KcConfVar", "some value");
  EXPECT_EQ(kc::GetEnv("KcConfVar"), "some value");
  EXPECT_EQ(kc::GetEnv("KCCONFVAR"), "some value");
  EXPECT_EQ(kc::GetEnv("kcconfvar"), "some value");
  EXPECT_EQ(kc::GetEnv("KcConfVa"), "");
  ScopedEnv unset("KcConfMissing");
  EXPECT_EQ(kc::GetEnv("KcConfMissing"), "");
}

TEST(PlatformEnv, LongValuesAreReadWhole) {
  ScopedEnv set("KcConfLong", std::string(300, 'x'));
  EXPECT_EQ(kc::GetEnv("KcConfLong"), std::string(300, 'x'));
  ScopedEnv longer("KcConfLonger", std::string(30000, 'y'));
  EXPECT_EQ(kc::GetEnv("KcConfLonger"), std::string(30000, 'y'));
}

TEST(PlatformEnv, SystemTempFolderExists) {
  std::string t = kc::SystemTempFolder();
  ASSERT_FALSE(t.empty());
  EXPECT_TRUE(kc::Fs().DirectoryExists(t));
}

// ---------------------------------------------------------------- clock

TEST(PlatformClock, OverrideAndSleep) {
  {
    kc::test::FakeClock clock(2010, 12, 6, 5, 0, 0);
    EXPECT_EQ(kc::Now(), kc::EncodeDate(2010, 12, 6) + kc::EncodeTime(5, 0, 0, 0));
  }
  kc::TDateTime now = kc::Now();
  EXPECT_GT(now, kc::EncodeDate(2020, 1, 1));
  std::uint64_t t0 = kc::TickMs();
  kc::SleepMs(30);
  // Timer granularity under Wine can shorten a sleep noticeably; it must
  // still pass time.
  EXPECT_GE(kc::TickMs() - t0, 10u);
}

// ---------------------------------------------------------------- processes

TEST(PlatformProcesses, StartAndEnd) {
#ifdef _WIN32
  const std::string quick = "cmd /c exit 0";
  const std::string slow = "ping -n 30 127.0.0.1";
#else
  const std::string quick = "true";
  const std::string slow = "sleep 30";
#endif
  auto p = kc::Processes().Start(quick, kc::SW_Hide, kc::ProgramFolder());
  ASSERT_NE(p, nullptr);
  std::uint64_t t0 = kc::TickMs();
  while (p->Running() && kc::TickMs() - t0 < 20000) kc::SleepMs(10);
  EXPECT_FALSE(p->Running());
  p->Terminate();  // harmless once ended

  auto s = kc::Processes().Start(slow, kc::SW_Hide, "");
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->Running());
  s->Terminate();
  EXPECT_FALSE(s->Running());

  EXPECT_EQ(kc::Processes().Start("kc-no-such-program-xyz", kc::SW_Hide, ""), nullptr);
}

// ---------------------------------------------------------------- guard

TEST(PlatformGuard, OneHolderPerName) {
  const std::string name = "KcConfGuard";
  EXPECT_FALSE(kc::NamedGuardExists(name));
  ASSERT_TRUE(kc::TryCreateNamedGuard(name));
  EXPECT_TRUE(kc::NamedGuardExists(name));
  kc::ReleaseNamedGuard();
  EXPECT_FALSE(kc::NamedGuardExists(name));
  ASSERT_TRUE(kc::TryCreateNamedGuard(name));
  kc::ReleaseNamedGuard();
}

}  // namespace

// ---------------------------------------------------------------- profiles

namespace {

class PlatformProfile : public ::testing::Test {
 protected:
  // A fresh file name per use: the system keeps recently used profile files
  // in memory and may not notice a rewrite within the same instant.
  std::string NewFile(const std::string& content) {
    std::string f = dir_.winPath() + "\\p" + std::to_string(++count_) + ".ini";
    EXPECT_TRUE(WriteBytes(dir_.file("p" + std::to_string(count_) + ".ini"), content));
    return f;
  }
  std::string Bytes(const std::string& file) {
    return ReadBytes(kc::test::ToPlatformPath(file));
  }
  TempDir dir_;
  int count_ = 0;
};

const char kSample[] =
    "[Main]\r\n"
    "Key1=Value1\r\n"
    "key2 = spaced value  \r\n"
    "  Key3=\t leading\r\n"
    "Quoted=\"quoted value\"\r\n"
    "Single='single'\r\n"
    "Half=\"half\r\n"
    "Mixed=\"mixed'\r\n"
    "Inner=a \"b\" c\r\n"
    "Empty=\r\n"
    "Blank=   \r\n"
    ";Comment=ignored\r\n"
    "Dup=first\r\n"
    "Dup=second\r\n"
    "\x93\xFA\x96\x7B=\x92\x6C\x82\xC5\x82\xB7\r\n"  // 日本=値です
    "Path=C:\\Program Files\\\x95\x5C\r\n"             // ends in 表
    "Eq=a=b\r\n"
    "\r\n"
    "[Other]\r\n"
    "Key1=other\r\n"
    "[\x94\xD4\x91\x67]\r\n"  // [番組]
    "Ch=1\r\n"
    "[main]\r\n"
    "Late=x\r\n";

}  // namespace

TEST_F(PlatformProfile, Lookups) {
  const std::string f = NewFile(kSample);
  struct Case {
    const char* section;
    const char* key;
    const char* want;
  } cases[] = {
      {"Main", "Key1", "Value1"},
      {"MAIN", "KEY1", "Value1"},       // names in any case
      {"main", "key1", "Value1"},
      {" Main ", " Key1 ", "Value1"},   // blanks around the asked names
      {"Main", "key2", "spaced value"},
      {"Main", "Key3", "leading"},
      {"Main", "Quoted", "quoted value"},
      {"Main", "Single", "single"},
      {"Main", "Half", "\"half"},       // no closing quote: kept
      {"Main", "Mixed", "\"mixed'"},    // quotes of two kinds: kept
      {"Main", "Inner", "a \"b\" c"},
      {"Main", "Empty", ""},            // present but empty: not the default
      {"Main", "Blank", ""},
      {"Main", "Comment", "DEF"},
      {"Main", "Dup", "first"},         // the first of duplicates wins
      {"Main", "\x93\xFA\x96\x7B", "\x92\x6C\x82\xC5\x82\xB7"},
      {"Main", "Path", "C:\\Program Files\\\x95\x5C"},
      {"Main", "Eq", "a=b"},
      {"Main", "Missing", "DEF"},
      {"Other", "Key1", "other"},
      {"other", "KEY1", "other"},
      {"\x94\xD4\x91\x67", "Ch", "1"},
      {"Main", "Late", "DEF"},          // only the first [Main] counts
      {"Nowhere", "Key1", "DEF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kc::ReadProfileString(f, c.section, c.key, "DEF"), c.want)
        << "[" << c.section << "] " << c.key;
  }
}

TEST_F(PlatformProfile, DefaultsAndMissingFile) {
  const std::string f = NewFile(kSample);
  EXPECT_EQ(kc::ReadProfileString(f, "Main", "Missing", ""), "");
  EXPECT_EQ(kc::ReadProfileString(f, "Main", "Missing", "def  "), "def");  // trailing blanks go
  EXPECT_EQ(kc::ReadProfileString(f, "Main", "Missing", "  def"), "  def");
  const std::string none = dir_.winPath() + "\\none.ini";
  EXPECT_EQ(kc::ReadProfileString(none, "Main", "Key1", "DEF"), "DEF");
  EXPECT_TRUE(kc::ReadProfileKeys(none, "Main").empty());
  EXPECT_TRUE(kc::ReadProfileSections(none).empty());
  EXPECT_FALSE(kc::Fs().FileExists(none));  // reading does not create it
  EXPECT_EQ(kc::ReadProfileString(dir_.winPath() + "\\nofolder\\x.ini", "A", "B", "D"), "D");
}

TEST_F(PlatformProfile, KeysAndSectionsInFileOrder) {
  const std::string f = NewFile(kSample);
  const kc::StringList keys = {"Key1",  "key2",  "Key3", "Quoted", "Single", "Half",
                               "Mixed", "Inner", "Empty", "Blank", "Dup",    "Dup",
                               "\x93\xFA\x96\x7B", "Path", "Eq"};
  EXPECT_EQ(kc::ReadProfileKeys(f, "Main"), keys);
  EXPECT_EQ(kc::ReadProfileKeys(f, "MAIN"), keys);
  EXPECT_EQ(kc::ReadProfileKeys(f, "Other"), kc::StringList{"Key1"});
  EXPECT_TRUE(kc::ReadProfileKeys(f, "Nowhere").empty());
  EXPECT_EQ(kc::ReadProfileSections(f),
            (kc::StringList{"Main", "Other", "\x94\xD4\x91\x67", "main"}));
}

TEST_F(PlatformProfile, OddLines) {
  const std::string f = NewFile(
      "[ Spaced ]\r\n"
      "x=1\r\n"
      "[B]\r\n"
      "NoEquals\r\n"
      ";c=1\r\n"
      "[Unclosed\r\n"
      "y=2\r\n"
      "[C]\r\n");
  EXPECT_EQ(kc::ReadProfileString(f, "Spaced", "x", "DEF"), "1");  // blanks inside [] go
  EXPECT_EQ(kc::ReadProfileString(f, "B", "NoEquals", "DEF"), "DEF");
  EXPECT_EQ(kc::ReadProfileString(f, "B", ";c", "DEF"), "1");  // asked for by its name
  EXPECT_EQ(kc::ReadProfileString(f, "B", "c", "DEF"), "DEF");
  EXPECT_EQ(kc::ReadProfileString(f, "B", "y", "DEF"), "2");  // no new section
  EXPECT_EQ(kc::ReadProfileString(f, "B", "Missing", "\"quoted\""), "quoted");
  EXPECT_EQ(kc::ReadProfileKeys(f, "B"), kc::StringList{"y"});
  EXPECT_TRUE(kc::ReadProfileKeys(f, "C").empty());
  EXPECT_EQ(kc::ReadProfileSections(f), (kc::StringList{"Spaced", "B", "C"}));
}

TEST_F(PlatformProfile, EmptyFileAndFileWithoutSections) {
  const std::string e = NewFile("");
  EXPECT_EQ(kc::ReadProfileString(e, "A", "B", "D"), "D");
  EXPECT_TRUE(kc::ReadProfileKeys(e, "A").empty());
  const std::string n = NewFile("Key=1\r\nOther=2\r\n[S]\r\nKey=3\r\n");
  EXPECT_EQ(kc::ReadProfileString(n, "S", "Key", "D"), "3");
  EXPECT_EQ(kc::ReadProfileKeys(n, "S"), kc::StringList{"Key"});
  const std::string lf = NewFile("[S]\nKey=lf\n[T]\rKey=cr");  // other line ends
  EXPECT_EQ(kc::ReadProfileString(lf, "S", "Key", "D"), "lf");
  EXPECT_EQ(kc::ReadProfileString(lf, "T", "Key", "D"), "cr");
}

// A write changes only its own line; every other line stays byte for byte.
TEST_F(PlatformProfile, WriteReplacesOnlyItsLine) {
  const std::string before =
      "[Main]\r\n"
      "Alpha=1\r\n"
      ";note about beta\r\n"
      "Beta=\x92\x6C\r\n"
      "Gamma=\"q\"\r\n"
      "[Other]\r\n"
      "Beta=keep\r\n";
  const std::string f = NewFile(before);
  ASSERT_TRUE(kc::WriteProfileString(f, "main", "BETA", "\x90\x56\x82\xB5\x82\xA2"));
  kc::FlushProfile(f);
  std::string want = before;
  const std::string from = "Beta=\x92\x6C\r\n";
  want.replace(want.find(from), from.size(), "Beta=\x90\x56\x82\xB5\x82\xA2\r\n");
  EXPECT_EQ(Bytes(f), want);
  EXPECT_EQ(kc::ReadProfileString(f, "Main", "Beta", ""), "\x90\x56\x82\xB5\x82\xA2");
  EXPECT_EQ(kc::ReadProfileString(f, "Other", "Beta", ""), "keep");
}

TEST_F(PlatformProfile, NewKeyGoesAtTheEndOfItsSection) {
  const std::string f = NewFile(
      "[A]\r\n"
      "One=1\r\n"
      "[B]\r\n"
      "Two=2\r\n");
  ASSERT_TRUE(kc::WriteProfileString(f, "A", "New", "n"));
  ASSERT_TRUE(kc::WriteProfileString(f, "b", "Other", "o"));
  kc::FlushProfile(f);
  EXPECT_EQ(Bytes(f),
            "[A]\r\n"
            "One=1\r\n"
            "New=n\r\n"
            "[B]\r\n"
            "Two=2\r\n"
            "Other=o\r\n");
  EXPECT_EQ(kc::ReadProfileKeys(f, "A"), (kc::StringList{"One", "New"}));
}

TEST_F(PlatformProfile, NewKeyGoesAfterTheSectionsLastLine) {
  const std::string f = NewFile(
      "[A]\r\n"
      "One=1\r\n"
      ";about two\r\n"
      "[B]\r\n"
      "[C]\r\n"
      "x=1");  // no line break at the end
  ASSERT_TRUE(kc::WriteProfileString(f, "A", "Two", "2"));  // after the comment
  ASSERT_TRUE(kc::WriteProfileString(f, "B", "First", "f"));  // after the header
  ASSERT_TRUE(kc::WriteProfileString(f, "C", "y", "2"));
  kc::FlushProfile(f);
  EXPECT_EQ(Bytes(f),
            "[A]\r\n"
            "One=1\r\n"
            ";about two\r\n"
            "Two=2\r\n"
            "[B]\r\n"
            "First=f\r\n"
            "[C]\r\n"
            "x=1\r\n"
            "y=2\r\n");
}

TEST_F(PlatformProfile, WrittenNamesAndValues) {
  const std::string f = NewFile("[A]\r\nx=1\r\nNoEquals\r\nKEY=old\r\n");
  ASSERT_TRUE(kc::WriteProfileString(f, "a", "x", "  lead"));    // leading blanks dropped
  ASSERT_TRUE(kc::WriteProfileString(f, "A", "key", "new"));     // the file's spelling stays
  ASSERT_TRUE(kc::WriteProfileString(f, "A", "NoEquals", "v"));  // the bare line gets it
  ASSERT_TRUE(kc::WriteProfileString(f, " A ", "q", "\"quoted\""));
  kc::FlushProfile(f);
  EXPECT_EQ(Bytes(f), "[A]\r\nx=lead\r\nNoEquals=v\r\nKEY=new\r\nq=\"quoted\"\r\n");
  EXPECT_EQ(kc::ReadProfileString(f, "A", "q", ""), "quoted");
}

TEST_F(PlatformProfile, KeysAboveEverySection) {
  const std::string f = NewFile("k=1\r\n[A]\r\nx=1\r\n");
  EXPECT_EQ(kc::ReadProfileString(f, "A", "k", "DEF"), "DEF");
  ASSERT_TRUE(kc::WriteProfileString(f, "A", "x", "2"));
  kc::FlushProfile(f);
  EXPECT_EQ(Bytes(f), "k=1\r\n[A]\r\nx=2\r\n");
}

TEST_F(PlatformProfile, DuplicateSectionsWriteToTheFirst) {
  const std::string f = NewFile("[A]\r\n[B]\r\nx=1\r\n[a]\r\nx=3\r\n");
  ASSERT_TRUE(kc::WriteProfileString(f, "A", "x", "2"));
  kc::FlushProfile(f);
  EXPECT_EQ(Bytes(f), "[A]\r\nx=2\r\n[B]\r\nx=1\r\n[a]\r\nx=3\r\n");
}

TEST_F(PlatformProfile, NewSectionGoesAtTheEndOfTheFile) {
  const std::string f = NewFile("[A]\r\nOne=1\r\n");
  ASSERT_TRUE(kc::WriteProfileString(f, "\x94\xD4\x91\x67", "Key", "v"));
  kc::FlushProfile(f);
  EXPECT_EQ(Bytes(f), "[A]\r\nOne=1\r\n[\x94\xD4\x91\x67]\r\nKey=v\r\n");
  EXPECT_EQ(kc::ReadProfileSections(f), (kc::StringList{"A", "\x94\xD4\x91\x67"}));
}

TEST_F(PlatformProfile, WriteCreatesTheFile) {
  const std::string f = dir_.winPath() + "\\created.ini";
  ASSERT_TRUE(kc::WriteProfileString(f, "DLL", "DLL_SkyptE2", "True"));
  ASSERT_TRUE(kc::WriteProfileString(f, "DLL", "Count", "3"));
  kc::FlushProfile(f);
  EXPECT_EQ(Bytes(f), "[DLL]\r\nDLL_SkyptE2=True\r\nCount=3\r\n");
  EXPECT_FALSE(kc::WriteProfileString(dir_.winPath() + "\\nofolder\\x.ini", "A", "B", "C"));
}

TEST_F(PlatformProfile, WrittenValuesReadBackByteForByte) {
  const std::string f = dir_.winPath() + "\\values.ini";
  const char* values[] = {"", "plain", "with blanks inside", "\x83\x5C\x83\x74\x83\x67",
                          "\x87\x40\xFB\xFC", "a;b", "=lead", "x=y"};
  int i = 0;
  for (const char* v : values)
    ASSERT_TRUE(kc::WriteProfileString(f, "V", "K" + std::to_string(i++), v));
  kc::FlushProfile(f);
  i = 0;
  for (const char* v : values)
    EXPECT_EQ(kc::ReadProfileString(f, "V", "K" + std::to_string(i++), "DEF"), v);
  // Overwriting with a new value, then with the same value again.
  ASSERT_TRUE(kc::WriteProfileString(f, "V", "K1", "second"));
  ASSERT_TRUE(kc::WriteProfileString(f, "V", "K1", "second"));
  EXPECT_EQ(kc::ReadProfileString(f, "V", "K1", ""), "second");
  EXPECT_EQ(kc::ReadProfileKeys(f, "V").size(), 8u);
  // Longer than any first guess of a buffer.
  std::string longValue;
  for (int k = 0; k < 1500; ++k) longValue += "\x93\xFA" + std::to_string(k % 10);
  ASSERT_TRUE(kc::WriteProfileString(f, "Long", "K", longValue));
  EXPECT_EQ(kc::ReadProfileString(f, "Long", "K", ""), longValue);
  for (int k = 0; k < 600; ++k)
    ASSERT_TRUE(kc::WriteProfileString(f, "Many", "Key" + std::to_string(k), "v"));
  const kc::StringList many = kc::ReadProfileKeys(f, "Many");
  ASSERT_EQ(many.size(), 600u);
  EXPECT_EQ(many.back(), "Key599");
}

// ---------------------------------------------------------------- version values

TEST(PlatformVersion, OwnValues) {
  auto v = kc::OwnVersionValues();
  EXPECT_EQ(v["ProductName"], "Kanalia(CS)\x83\x76\x83\x89\x83\x4F\x83\x43\x83\x93");  // プラグイン
  // The version a release carries in its name (scripts/package reads the same header).
  EXPECT_EQ(v["FileVersion"], KC_VER_FILEVERSION);
  EXPECT_EQ(v["OriginalFilename"], "kanaliacs.exe");
  for (const char* name : {"CompanyName", "FileDescription", "LegalCopyright", "ProductVersion"})
    EXPECT_FALSE(v[name].empty()) << name;
  EXPECT_EQ(v.count("NoSuchValue"), 0u);
}
