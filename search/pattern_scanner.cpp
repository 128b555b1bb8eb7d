#include "search/pattern_scanner.h"

namespace kc {

namespace pattern_messages {
const char* const kBadDoubleByte = "不正な２バイト文字コードです。";
const char* const kBackslashAtEnd = "\"\\\"の次には文字が必要です。";
const char* const kBadHex = "不正な１６進数コード表記です。";
const char* const kBadOctal = "不正な８進数コード表記です。";
const char* const kNoRightBracket = "右ブラケット\"]\"が必要です";
const char* const kBadRange = "不正なキャラクタ範囲です";
const char* const kEmptyClass = "不正なキャラクタクラス指定です。";
const char* const kNoRightParen = "右(閉じ)括弧が必要です";
const char* const kPrimaryExpected = "普通の文字、または左括弧\"(\"が必要です";
const char* const kTrailingTokens = "正規表現に余分な文字があります";
}  // namespace pattern_messages

namespace {

namespace msg = pattern_messages;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class Scanner {
 public:
  explicit Scanner(const std::string& p) : p_(p), n_(p.size()) {}

  std::vector<PatternToken> Run() {
    std::vector<PatternToken> tokens;
    while (i_ < n_) tokens.push_back(Next());
    PatternToken end;
    end.kind = TokenKind::End;
    end.begin = end.end = n_;
    tokens.push_back(end);
    return tokens;
  }

 private:
  [[noreturn]] void Fail(const char* message, std::size_t pos) const {
    throw EPatternError(message, pos);
  }

  // One plain character (not an escape) at i_.
  CharCode PlainChar() {
    unsigned char b = static_cast<unsigned char>(p_[i_]);
    if (IsSjisLeadByte(b) && i_ + 1 >= n_) Fail(msg::kBadDoubleByte, n_);
    return NextSjisChar(p_, i_);
  }

  // The character after a backslash; i_ is on the backslash.
  CharCode Escaped() {
    ++i_;
    if (i_ >= n_) Fail(msg::kBackslashAtEnd, n_);
    char c = p_[i_];
    switch (c) {
      case 'b': ++i_; return 8;
      case 'n': ++i_; return 10;
      case 'r': ++i_; return 13;
      case 't': ++i_; return 9;
      case 'x': {
        ++i_;
        CharCode v = 0;
        int digits = 0;
        while (digits < 4 && i_ < n_ && HexValue(p_[i_]) >= 0) {
          v = v * 16 + static_cast<CharCode>(HexValue(p_[i_]));
          ++i_;
          ++digits;
        }
        if (digits == 0) Fail(msg::kBadHex, i_);
        return v;
      }
      default:
        break;
    }
    if (c >= '0' && c <= '7') {
      CharCode v = 0;
      int digits = 0;
      while (digits < 6 && i_ < n_ && p_[i_] >= '0' && p_[i_] <= '7') {
        v = v * 8 + static_cast<CharCode>(p_[i_] - '0');
        ++i_;
        ++digits;
      }
      if (v > 0xFFFF) Fail(msg::kBadOctal, i_);
      return v;
    }
    return PlainChar();
  }

  CharCode Member() { return p_[i_] == '\\' ? Escaped() : PlainChar(); }

  void ScanClass(PatternToken& t) {
    while (true) {
      if (i_ >= n_) Fail(msg::kNoRightBracket, n_);
      if (p_[i_] == ']') {
        ++i_;
        if (t.items.empty()) Fail(msg::kEmptyClass, i_);
        return;
      }
      ClassItem item;
      item.begin = i_;
      item.lo = item.hi = Member();
      // A "-" right before "]" (or the end) is a member of its own.
      if (i_ + 1 < n_ && p_[i_] == '-' && p_[i_ + 1] != ']') {
        ++i_;
        item.hi = Member();
        item.range = true;
        if (item.hi < item.lo) Fail(msg::kBadRange, i_);
      }
      item.end = i_;
      t.items.push_back(item);
    }
  }

  PatternToken Next() {
    PatternToken t;
    t.begin = i_;
    char c = p_[i_];
    switch (c) {
      case '|': t.kind = TokenKind::Alt; ++i_; break;
      case '(': t.kind = TokenKind::LParen; ++i_; break;
      case ')': t.kind = TokenKind::RParen; ++i_; break;
      case '*': t.kind = TokenKind::Star; ++i_; break;
      case '+': t.kind = TokenKind::Plus; ++i_; break;
      case '?': t.kind = TokenKind::Question; ++i_; break;
      case '.': t.kind = TokenKind::Any; ++i_; break;
      case ']': t.kind = TokenKind::RBracket; ++i_; break;
      case '^': t.kind = TokenKind::LineStart; ++i_; break;
      case '$': t.kind = TokenKind::LineEnd; ++i_; break;
      case '[':
        ++i_;
        if (i_ < n_ && p_[i_] == '^') {
          t.kind = TokenKind::NegClass;
          ++i_;
        } else {
          t.kind = TokenKind::Class;
        }
        ScanClass(t);
        break;
      case '\\':
        t.kind = TokenKind::Literal;
        t.code = Escaped();
        break;
      default:
        t.kind = TokenKind::Literal;
        t.code = PlainChar();
        break;
    }
    t.end = i_;
    return t;
  }

  const std::string& p_;
  std::size_t n_;
  std::size_t i_ = 0;
};

}  // namespace

std::vector<PatternToken> ScanPattern(const std::string& pattern) {
  return Scanner(pattern).Run();
}

}  // namespace kc
