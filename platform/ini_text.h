// Profile (ini) file contents handled as text, the way the system's private
// profile services treat them. The POSIX backend reads and writes profile
// files through these; they work on the whole file's bytes (Shift-JIS).
//
// Lines end at CR LF, LF or CR. Blanks (space, tab, other white space and
// Ctrl-Z) around a line, a section name, a key name or a value are ignored.
// "[name]" starts a section (up to the last "]"); "name=value" is a key; a
// line starting with ";" is a comment, which no list of keys shows; other
// lines are kept but have no value. Names match without regard to ASCII case;
// the first matching section and, in it, the first matching key count.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/stringlist.h"

namespace kc {
namespace ini {

// The value with one pair of enclosing quotes (both " or both ') removed;
// def (its trailing blanks dropped, quotes removed likewise) when the file has
// no such key.
std::string GetString(const std::string& content, const std::string& section,
                      const std::string& key, const std::string& def);

// Key names of the first matching section in file order; comments and lines
// without "=" are left out.
kc::StringList Keys(const std::string& content, const std::string& section);
kc::StringList Sections(const std::string& content);

// Every key of the first matching section in file order, each with the
// value GetString gives for it (the first of duplicate keys wins), from one
// pass over the content.
std::vector<std::pair<std::string, std::string>> SectionValues(const std::string& content,
                                                               const std::string& section);

// The content after writing key=value (leading blanks of the value dropped):
// an existing key's line is replaced; a new key goes right after the last
// line of its section that is not blank; a new section goes at the end.
// Every other line stays byte for byte; written lines end with CR LF.
// Returns false when nothing needs to change.
bool SetString(std::string& content, const std::string& section,
               const std::string& key, const std::string& value);

}  // namespace ini
}  // namespace kc
