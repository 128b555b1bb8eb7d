// The table CSV format, written. The host reads these files too (the
// channel table, and the programme lines it merges into its datasets), so
// every byte of the output is fixed: header of display names, every
// non-null value quoted, the record delimiter after the last column, CR LF,
// and the four escapes %0 %n %c %%.
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

#include "core/byte_scan.h"
#include "core/datetime.h"
#include "core/error.h"
#include "core/text.h"
#include "platform/platform.h"
#include "storage/memtable.h"

namespace kc {

namespace {

bool IsEscaped(char c) { return c == '\0' || c == '\n' || c == '\r' || c == '%'; }

bool NeedsEscapes(std::string_view s) {
  static const ByteSet<4> escaped('\0', '\n', '\r', '%');
  return escaped.Find(s.data(), s.size()) < s.size();
}

// Copies the runs between escaped bytes whole.
void AppendEscaped(std::string& out, std::string_view s) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (!IsEscaped(c)) continue;
    out.append(s, run, i - run);
    out += '%';
    out += c == '\0' ? '0' : c == '\n' ? 'n' : c == '\r' ? 'c' : '%';
    run = i + 1;
  }
  out.append(s.substr(run));
}

}  // namespace

// Reaches into MemTable for its fields and records in their order.
class CsvWriter {
 public:
  static bool Written(const Field& f, unsigned options) {
    if (!f.Visible() && !(options & SaveNonVisible)) return false;
    switch (f.Kind()) {
      case FieldKind::Data: return (options & SaveData) != 0;
      case FieldKind::Lookup: return (options & SaveLookup) != 0;
      default: return (options & SaveCalculated) != 0;
    }
  }

  // The output being built: bytes written through a pointer into room made
  // beforehand, so that a value costs no check per byte.
  class Output {
   public:
    // At least n bytes to write at the returned position; Commit(end) then
    // keeps what was written up to end.
    char* Room(std::size_t n) {
      if (cap_ - size_ < n) {
        const std::size_t cap = std::max(cap_ * 2, size_ + n + 4096);
        std::unique_ptr<char[]> grown(new char[cap]);
        if (size_ > 0) std::memcpy(grown.get(), buf_.get(), size_);
        buf_ = std::move(grown);
        cap_ = cap;
      }
      return buf_.get() + size_;
    }
    void Commit(char* end) { size_ = static_cast<std::size_t>(end - buf_.get()); }
    void Append(std::string_view text) {
      char* p = Room(text.size());
      if (!text.empty()) std::memcpy(p, text.data(), text.size());
      Commit(p + text.size());
    }
    std::string_view View() const { return std::string_view(buf_.get(), size_); }
    std::size_t Size() const { return size_; }
    void Clear() { size_ = 0; }

   private:
    std::unique_ptr<char[]> buf_;
    std::size_t size_ = 0;
    std::size_t cap_ = 0;
  };

  static char* Copy(char* p, const char* data, std::size_t n) {
    if (n > 0) std::memcpy(p, data, n);
    return p + n;
  }

  // text enclosed in the quote character, each one inside doubled (as it
  // is when there is none).
  static void PutQuoted(char q, Output& out, std::string_view text) {
    if (q == 0) {
      out.Append(text);
      return;
    }
    char* p = out.Room(2 * text.size() + 2);
    *p++ = q;
    const ByteSet<1> quote(q);
    std::size_t run = 0;
    for (std::size_t at = quote.Find(text.data(), text.size()); at < text.size();
         at += 1 + quote.Find(text.data() + at + 1, text.size() - at - 1)) {
      p = Copy(p, text.data() + run, at + 1 - run);
      *p++ = q;
      run = at + 1;
    }
    p = Copy(p, text.data() + run, text.size() - run);
    *p++ = q;
    out.Commit(p);
  }

  // A string value escaped and quoted in one pass. That gives the same
  // bytes as escaping, then quoting, as long as no escape writes the quote
  // character; for such a quote (and for none) the two steps are taken.
  // special: NUL, LF, CR, "%" and the quote character.
  static void PutString(char q, const ByteSet<5>& special, Output& out, std::string_view text,
                        std::string& scratch) {
    if (q == 0 || q == '%' || q == '0' || q == 'n' || q == 'c') {
      if (!NeedsEscapes(text)) {
        PutQuoted(q, out, text);
      } else {
        scratch.clear();
        AppendEscaped(scratch, text);
        PutQuoted(q, out, scratch);
      }
      return;
    }
    char* p = out.Room(2 * text.size() + 2);
    *p++ = q;
    std::size_t run = 0;
    for (std::size_t at = special.Find(text.data(), text.size()); at < text.size();
         at += 1 + special.Find(text.data() + at + 1, text.size() - at - 1)) {
      p = Copy(p, text.data() + run, at - run);
      const char c = text[at];
      *p++ = IsEscaped(c) ? '%' : q;
      *p++ = c == '\0' ? '0' : c == '\n' ? 'n' : c == '\r' ? 'c' : c;  // "%%" or the doubled quote
      run = at + 1;
    }
    p = Copy(p, text.data() + run, text.size() - run);
    *p++ = q;
    out.Commit(p);
  }

  // The text of a value that is not a string, in `scratch`. A date-time
  // repeats the one before it often (one programme's end is the next one's
  // start), so the last one is kept.
  struct ValueTexts {
    std::string scratch;
    bool haveLast = false;
    double lastDateTime = 0;
    std::string lastDateTimeText;
  };

  static std::string_view ValueText(const MemTable& t, const Field& f, const MemTable::Cell& c,
                                    ValueTexts& vt) {
    std::string& s = vt.scratch;
    s.clear();
    switch (f.DataType()) {
      case FieldType::String: s.assign(c.str, c.len); break;  // not reached: strings go through PutString
      case FieldType::Integer: AppendInt(s, static_cast<long long>(c.num)); break;
      case FieldType::Boolean: return c.num != 0 ? t.CSVTrueString : t.CSVFalseString;
      case FieldType::DateTime: {
        if (vt.haveLast && std::memcmp(&vt.lastDateTime, &c.num, sizeof(double)) == 0)
          return vt.lastDateTimeText;
        AppendTableDateTime(s, c.num, t.FileFormats);
        vt.haveLast = true;
        vt.lastDateTime = c.num;
        vt.lastDateTimeText = s;
        break;
      }
      case FieldType::Time: AppendFormatDateTime(s, t.FileFormats.LongTimeFormat, c.num, t.FileFormats); break;
      case FieldType::Date: AppendFormatDateTime(s, t.FileFormats.ShortDateFormat, c.num, t.FileFormats); break;
    }
    return s;
  }

  static void EndLine(const MemTable& t, Output& out) {
    char* p = out.Room(3);
    if (t.CSVRecordDelimiter != 0) *p++ = t.CSVRecordDelimiter;
    *p++ = '\r';
    *p++ = '\n';
    out.Commit(p);
  }

  // Hands put each line, or with a batch size, lines gathered up to about
  // that many bytes.
  static void Write(MemTable& t, unsigned options, const std::function<void(std::string_view)>& put,
                    std::size_t batch) {
    const std::size_t n = t.fields_.size();
    struct Column {
      bool written;
      FieldType type;
    };
    std::vector<Column> columns(n);
    for (std::size_t i = 0; i < n; ++i)
      columns[i] = Column{Written(*t.fields_[i], options), t.fields_[i]->DataType()};
    const char q = t.CSVQuote, fd = t.CSVFieldDelimiter;
    // Integers go straight into the line when no digit or sign is the quote.
    const bool plainIntegers = q != 0 && q != '-' && (q < '0' || q > '9');
    const ByteSet<5> special('\0', '\n', '\r', '%', q);

    Output out;
    if (!(options & SaveNoHeader)) {
      for (std::size_t i = 0; i < n; ++i) {
        if (i > 0) out.Append(std::string_view(&fd, 1));
        PutQuoted(q, out, t.fields_[i]->DisplayName());
      }
      EndLine(t, out);
      if (out.Size() >= batch) {
        put(out.View());
        out.Clear();
      }
    }
    ValueTexts vt;
    for (std::size_t idx : t.order_) {
      const MemTable::Cell* r = t.RecordCells(idx);
      for (std::size_t i = 0; i < n; ++i) {
        if (i > 0) {
          char* p = out.Room(1);
          *p = fd;
          out.Commit(p + 1);
        }
        const MemTable::Cell& c = r[i];
        if (!columns[i].written || c.null) continue;
        if (columns[i].type == FieldType::String) {
          PutString(q, special, out, std::string_view(c.str, c.len), vt.scratch);
        } else if (columns[i].type == FieldType::Integer && plainIntegers) {
          char* p = out.Room(24);
          *p++ = q;
          char digits[24];
          char* const end = digits + sizeof digits;
          char* const d = WriteIntBefore(end, static_cast<long long>(c.num));
          p = Copy(p, d, static_cast<std::size_t>(end - d));
          *p++ = q;
          out.Commit(p);
        } else {
          PutQuoted(q, out, ValueText(t, *t.fields_[i], c, vt));
        }
      }
      EndLine(t, out);
      if (out.Size() >= batch) {
        put(out.View());
        out.Clear();
      }
    }
    if (out.Size() > 0) put(out.View());
  }

  static void Write(MemTable& t, unsigned options, const std::function<void(const std::string&)>& put) {
    std::string line;
    Write(
        t, options,
        [&put, &line](std::string_view text) {
          line.assign(text.data(), text.size());
          put(line);
        },
        0);
  }
};

void MemTable::SaveToFile(const std::string& path, unsigned options) {
  std::unique_ptr<kc::File> f =
      kc::Fs().Open(path, (options & SaveAppend) ? kc::OpenMode::Append : kc::OpenMode::Rewrite);
  if (!f) throw Error(CannotCreateText(path));
  CsvWriter::Write(*this, options, [&f](const std::string& line) {
    if (!f->Write(line.data(), line.size())) throw Error("ストリームへの書き込みエラー");
  });
  // A close that fails may have lost buffered bytes; the caller must not
  // then move this file over the good one.
  if (!f->Close()) throw Error("ストリームへの書き込みエラー");
}

std::string MemTable::SaveToString(unsigned options) {
  // Gathered in pieces and joined once, so that a large table is not copied
  // again each time the text outgrows its memory.
  std::vector<std::string> pieces;
  std::size_t total = 0;
  CsvWriter::Write(
      *this, options,
      [&pieces, &total](std::string_view piece) {
        pieces.emplace_back(piece);
        total += piece.size();
      },
      1 << 20);
  if (pieces.size() == 1) return std::move(pieces.front());
  std::string out;
  out.reserve(total);
  for (const std::string& p : pieces) out += p;
  return out;
}

void MemTable::SaveToStream(unsigned options, const std::function<void(std::string_view)>& put) {
  CsvWriter::Write(*this, options, put, 1 << 20);
}

}  // namespace kc
