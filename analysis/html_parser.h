// The page tokenizer: turns a downloaded page (held as lines of bytes) into a
// flat list of tags and text pieces in document order. It builds no tree and
// rejects nothing; callers walk the list and keep their own state. Every byte
// it looks for is ASCII, so UTF-8 pages and Shift-JIS text read alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/stringlist.h"

namespace kc {

// Common root of the two element kinds in THTMLParser::Elements. Tell them
// apart with Kind() (or AsTag/AsText below, or dynamic_cast).
class THTMLElement {
 public:
  enum class ElementKind { Tag, Text };
  virtual ~THTMLElement() = default;
  ElementKind Kind() const { return kind_; }
  bool IsTag() const { return kind_ == ElementKind::Tag; }
  bool IsText() const { return kind_ == ElementKind::Text; }

 protected:
  explicit THTMLElement(ElementKind kind) : kind_(kind) {}

 private:
  ElementKind kind_;
};

// One parameter of a tag, e.g. class="cell genre-100000".
class THTMLParam {
 public:
  std::string Raw;    // as found, quotes included
  std::string Name;   // before the first "=", ASCII upper-cased (all of Raw without "=")
  std::string Value;  // after the first "=", one pair of enclosing double quotes removed

  void Parse(const std::string& raw);
};

class THTMLTag : public THTMLElement {
 public:
  THTMLTag() : THTMLElement(ElementKind::Tag) {}
  std::string Name;  // up to the first blank, ASCII upper-cased; may be empty
  std::string Raw;   // everything between "<" and ">"
  std::vector<THTMLParam> Params;

  void Parse(const std::string& raw);
  // First parameter whose Name equals name exactly (give it upper-cased);
  // nullptr when absent.
  const THTMLParam* FindParam(const std::string& name) const;
};

class THTMLText : public THTMLElement {
 public:
  THTMLText() : THTMLElement(ElementKind::Text) {}
  std::string Raw;   // as gathered, line breaks (LF) included
  std::string Text;  // LF -> blank, blank runs collapsed, references decoded

  void Parse(const std::string& raw);
};

inline const THTMLTag* AsTag(const THTMLElement* e) {
  return e && e->IsTag() ? static_cast<const THTMLTag*>(e) : nullptr;
}
inline const THTMLText* AsText(const THTMLElement* e) {
  return e && e->IsText() ? static_cast<const THTMLText*>(e) : nullptr;
}

// THTMLParser::Elements. Each element is kept as its raw text (what Parse
// is given) in one buffer, and is parsed into a fresh THTMLTag or THTMLText
// each time it is read: a page costs a few bytes per page byte, whatever it
// holds (even one empty tag per byte), instead of objects and strings per
// element. Read it as a list of owning pointers:
//   for (const auto& e : parser.Elements) if (const THTMLTag* t = AsTag(e.get())) ...
// Each element read is a new object that lives as long as the pointer that
// came with it.
class THTMLElementList {
 public:
  using value_type = std::unique_ptr<THTMLElement>;

  class const_iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = THTMLElementList::value_type;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = value_type;
    const_iterator(const THTMLElementList* list, std::size_t i) : list_(list), i_(i) {}
    value_type operator*() const { return (*list_)[i_]; }
    const_iterator& operator++() {
      ++i_;
      return *this;
    }
    bool operator==(const const_iterator& o) const { return i_ == o.i_; }
    bool operator!=(const const_iterator& o) const { return i_ != o.i_; }

   private:
    const THTMLElementList* list_;
    std::size_t i_;
  };

  std::size_t size() const { return starts_.size(); }
  bool empty() const { return starts_.empty(); }
  // Element i (below size()), parsed from its raw text.
  value_type operator[](std::size_t i) const;
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, size()); }

  // Room for that many more elements and raw bytes, so that the list never
  // needs twice its size while it grows.
  void reserve(std::size_t elements, std::size_t rawBytes);
  void AppendTag(const std::string& raw) { Append(raw, false); }
  void AppendText(const std::string& raw) { Append(raw, true); }
  void clear();

 private:
  void Append(const std::string& raw, bool text);
  std::string raw_;                   // every element's raw text, in order
  std::vector<std::uint64_t> starts_;  // offset into raw_ << 1, | 1 for text
};

class THTMLParser {
 public:
  // Called after every byte Execute reads. processMessages is true when the
  // bytes still to be read on the line are a multiple of ten (zero
  // included): a caller that keeps a window responsive during a page
  // handles its messages then.
  using YieldFn = std::function<void(bool processMessages)>;

  THTMLParser() = default;
  ~THTMLParser();
  THTMLParser(const THTMLParser&) = delete;
  THTMLParser& operator=(const THTMLParser&) = delete;

  StringList Lines;  // input: one entry per line, without its line break
  THTMLElementList Elements;

  // Tokenizes Lines, appending to Elements, calling yield (when given)
  // after every byte. Run once per parser.
  void Execute(const YieldFn& yield = nullptr);

 private:
  void FlushText();
  void CloseTag();
  std::string text_;
  std::string tag_;
  bool inTag_ = false;
};

// Named references, searched in this order: the four markup names first,
// then the Latin-1 names for codes 160 to 255 in code order. Each gives the
// numeric reference that replaces it ("&nbsp;" -> "&#160;").
struct EntityNameEntry {
  const char* Name;     // with "&" and ";", compared exactly
  const char* Numeric;  // "&#" + decimal code + ";"
};
constexpr int kEntityNameCount = 100;
extern const EntityNameEntry EntityNameTable[kEntityNameCount];

// Byte for a decoded character code 0 to 255: codes 0-31 and 160 give a
// blank, every other code its own value. (The tokenizer writes codes 128 to
// 255 other than 160 as their UTF-8 bytes instead, since pages are UTF-8.)
extern const unsigned char EntityCharTable[256];

// Fills lines from a whole file as the callers load a page: split at CR LF,
// LF or CR (no empty last line after a final line break); a 0 byte ends the
// text there. Existing entries are replaced. Throws kc::Error when the file
// cannot be read.
void LoadLinesFromFile(const std::string& path, StringList& lines);
// The same split over bytes already in memory.
void SetLinesFromBytes(const std::string& bytes, StringList& lines);

}  // namespace kc
