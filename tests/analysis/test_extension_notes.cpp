// Overrun warnings from the broadcaster's notes in a programme summary.
#include "analysis/extension_notes.h"

#include <gtest/gtest.h>

#include <string>

#include "analysis/text_rules.h"
#include "core/datetime.h"

namespace kc {
namespace {

TDateTime At(int hour, int minute, int second = 0) {
  return EncodeDate(2010, 12, 6) + EncodeTime(hour, minute, second, 0);
}

TEST(ExtensionNotes, Cases) {
  struct {
    const char* summary;
    int endHour, endMinute, endSecond;
    const char* added;  // what the summary gains
  } cases[] = {
      // Limit notes in their forms.
      {"最大延長21時30分まで【延長注意】", 20, 54, 0, "【延長注意36分】"},
      {"…最大延長9時30分…", 20, 54, 0, "【延長注意36分】"},  // 12-hour reading
      {"最大延長21:30まで", 18, 0, 0, "【延長注意90分以上】"},
      {"最大延長21・30まで", 21, 0, 0, "【延長注意30分】"},
      {"最大延長21：15まで", 21, 0, 0, "【延長注意15分】"},
      {"最大延長 21時 5分", 21, 0, 0, "【延長注意5分】"},  // leading blanks
      {"最大延長0時30分", 23, 0, 0, "【延長注意-629分】"},
      {"最大延長5時30分", 18, 0, 0, "【延長注意-29分】"},
      {"最大延長22時29分", 21, 0, 0, "【延長注意89分】"},
      {"最大延長22時30分", 21, 0, 0, "【延長注意90分以上】"},
      {"最大延長21時00分", 0, 0, 0, "【延長注意90分以上】"},
      // Minutes round half up; the end's seconds count.
      {"最大延長21時30分", 21, 30, 0, "【延長注意0分】"},
      {"最大延長21時30分", 21, 29, 30, "【延長注意1分】"},
      {"最大延長21時30分", 21, 0, 30, "【延長注意30分】"},
      // The first "分" lies before the note: the note ends at "まで".
      {"10分遅れ 最大延長21:30まで", 21, 0, 0, "【延長注意30分】"},
      // "・" at the very start does not count; "時" is read instead.
      {"最大延長・0時30分", 12, 0, 0, "【延長注意30分】"},
      // Unreadable notes add nothing.
      {"最大延長21時まで", 21, 0, 0, ""},        // no minute
      {"最大延長21・30", 21, 0, 0, ""},          // no "まで" for the minute
      {"最大延長２１時３０分まで", 20, 0, 0, ""},  // full-width digits
      {"最大延長21時x1E分", 21, 0, 0, ""},        // decimal only
      {"最大延長25時00分", 21, 0, 0, ""},        // hour out of range
      {"最大延長11時30分", 23, 0, 0, "【延長注意30分】"},
      {"最大延長10時61分", 9, 0, 0, ""},         // minute out of range
      {"最大延長00時00分", 0, 0, 0, ""},         // 00:00 reads as no limit
      {"最大延長00時00分", 1, 0, 0, "【延長注意90分以上】"},  // 12:00
      {"最大延長21時", 20, 0, 0, ""},            // neither "分" nor "まで"
      {"最大延長まもなく", 20, 0, 0, ""},
      // Shift notes.
      {"以降変更あり", 20, 0, 0, " 延長注意"},
      {"以降の番組繰り下げ", 20, 0, 0, " 延長注意"},
      {"延長の場合あり", 20, 0, 0, " 延長注意"},
      {"延長注意 以降変更あり", 20, 0, 0, ""},
      {"最大延長21時まで 以降変更あり", 21, 0, 0, " 延長注意"},
      {"最大延長21時30分まで 以降変更あり", 21, 0, 0, "【延長注意30分】"},
      {"", 20, 0, 0, ""},
      {"ニュース", 20, 0, 0, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ApplyExtensionNotes(c.summary, At(c.endHour, c.endMinute, c.endSecond)),
              std::string(c.summary) + c.added)
        << c.summary;
  }
}

// The summary reaches the notes after the title marks, which add
// 【延長注意】 for any "最大延長"; a "(最大延長" note then never adds the
// shift warning.
TEST(ExtensionNotes, AfterTitleMarks) {
  struct {
    const char* memo;
    int endHour, endMinute;
    const char* result;
  } cases[] = {
      {"最大延長21時30分まで", 20, 54, "最大延長21時30分まで【延長注意】【延長注意36分】"},
      {"(最大延長あり)", 20, 0, "(最大延長あり)【延長注意】"},
      {"[最大延長21:30まで]", 18, 0, "【最大延長21:30まで】【延長注意】【延長注意90分以上】"},
  };
  for (const auto& c : cases) {
    std::string title = "x", memo = c.memo;
    ApplyTitleMarks(title, memo);
    EXPECT_EQ(ApplyExtensionNotes(memo, At(c.endHour, c.endMinute)), c.result) << c.memo;
  }
}

}  // namespace
}  // namespace kc
