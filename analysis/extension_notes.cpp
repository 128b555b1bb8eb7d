// Broadcast extension notes. A summary such as "…最大延長21時30分まで…" says
// how far the programme may run over; the host shows the resulting minutes
// in the summary. Notes are free text typed by the broadcaster, so every
// form that cannot be read simply adds nothing.
#include "analysis/extension_notes.h"

#include "core/text.h"

namespace kc {

namespace {

// 1-based byte position of the first whole-character occurrence, 0 if none.
std::size_t Pos(const std::string& needle, const std::string& hay) { return SjisPos(needle, hay); }

// Bytes from 1-based position from, count bytes; empty for a count below 1.
std::string Copy(const std::string& s, std::size_t from, long long count) {
  if (count <= 0 || from < 1 || from > s.size()) return std::string();
  return s.substr(from - 1, static_cast<std::size_t>(count));
}

int ReadNumber(const std::string& s, int unreadable) {
  int v;
  return TryStrToDecimal(s, v) ? v : unreadable;
}

// Reads "h<sep>m<until>" from the note: h before sep, m between sep and the
// note's first until. A missing or unreadable hour counts 0, a missing or
// unreadable minute -1.
void ReadHourMinute(const std::string& note, std::size_t sepPos, std::size_t sepLen,
                    const std::string& until, int& h, int& m) {
  h = ReadNumber(Copy(note, 1, static_cast<long long>(sepPos) - 1), 0);
  const std::size_t untilPos = Pos(until, note);
  const long long count = static_cast<long long>(untilPos) - static_cast<long long>(sepPos + sepLen);
  m = ReadNumber(untilPos == 0 ? std::string() : Copy(note, sepPos + sepLen, count), -1);
}

}  // namespace

std::string ApplyExtensionNotes(const std::string& summary, TDateTime endDateTime) {
  std::string out = summary;
  int endHour, endMin, endSec, endMsec;
  DecodeTime(endDateTime, endHour, endMin, endSec, endMsec);

  bool limitRead = false;  // a limit time other than 00:00 was read
  static const std::string kMaxExt = "最大延長";
  if (const std::size_t p = Pos(kMaxExt, out)) {
    const std::size_t from = p + kMaxExt.size();
    // The note runs from just after "最大延長" through the summary's first
    // "分", or failing that through its first "まで".
    std::string note;
    if (const std::size_t f = Pos("分", out))
      note = Copy(out, from, static_cast<long long>(f) + 2 - static_cast<long long>(from));
    if (note.empty()) {
      if (const std::size_t u = Pos("まで", out))
        note = Copy(out, from, static_cast<long long>(u) + 4 - static_cast<long long>(from));
    }

    int h = -1, m = -1;
    std::size_t sep;
    if ((sep = Pos("・", note)) >= 2) {
      ReadHourMinute(note, sep, 2, "まで", h, m);
    } else if ((sep = Pos("：", note)) >= 2) {
      ReadHourMinute(note, sep, 2, "まで", h, m);
    } else if ((sep = Pos(":", note)) >= 1) {
      ReadHourMinute(note, sep, 1, "まで", h, m);
    } else if ((sep = Pos("時", note)) >= 1) {
      ReadHourMinute(note, sep, 2, "分", h, m);
    }

    // An hour below the end's is read on a 12-hour clock ("9時30分" in an
    // evening programme means 21:30).
    if (h != -1 && h < endHour) h += 12;
    if (h >= 0 && h <= 23 && m >= 0 && m <= 59 && (h > 0 || m > 0)) {
      limitRead = true;
      // In minutes, dates ignored; whole minutes of the end and its seconds
      // kept exact so that 21:30 after 20:54 is 36, not 35.99.
      const double endMinutes = endHour * 60.0 + endMin + endSec / 60.0 + endMsec / 60000.0;
      const double d = h * 60.0 + m - endMinutes;
      if (d >= 90) {
        out += "【延長注意90分以上】";
      } else {
        const long long n = static_cast<long long>(d + 0.5);  // toward zero
        out += "【延長注意" + IntToStr(n) + "分】";
      }
    }
  }

  static const char* const kShiftNotes[] = {
      "以降の番組繰り下げ", "(最大延長", "以降変更あり", "延長時、以降変更あり", "延長の場合あり",
  };
  bool shift = false;
  for (const char* s : kShiftNotes) shift = shift || SjisContains(out, s);
  if (shift && !limitRead && !SjisContains(out, "延長注意")) out += " 延長注意";
  return out;
}

}  // namespace kc
