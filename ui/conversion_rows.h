// The rows of the channel number conversion window: per channel of the
// settings window's list the site's number (old), the number to use
// instead (new) and the list entry, and a current row whose new number the
// window's cell editor changes. A change stays pending until it is stored
// (Enter, another row chosen, saving) or dropped (Escape). While the editor
// is empty the new number is blank; a blank one is saved as 0.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/stringlist.h"

namespace kc {

class ConversionRows {
 public:
  // The rows of the entries (only the ticked ones unless allEntries) with
  // the pairs stored in file; a pending change is dropped and the first row
  // becomes current.
  void Load(const std::string& file, const StringList& entries, const std::vector<bool>& ticked,
            bool allEntries);
  // Writes the pair of every row into file, a pending change stored first;
  // then the first row becomes current.
  void Save(const std::string& file);

  int Count() const { return static_cast<int>(rows_.size()); }
  // -1 when there are no rows.
  int Current() const { return current_; }
  // Makes row current (a row outside the rows is ignored); a pending
  // change is stored first.
  void GoTo(int row);

  bool Editing() const { return editing_; }
  // A pending new number for the current row (nullopt: blank).
  void Change(std::optional<int> newCh);
  void Store();
  void Drop();
  // The current row leaves with its pending change; the row that takes its
  // place, or the new last row, becomes current.
  void DeleteCurrent();

  int OldCh(int row) const { return rows_.at(static_cast<std::size_t>(row)).OldCh; }
  // The current row's pending number, if any, else the stored one.
  std::optional<int> NewCh(int row) const;
  const std::string& Entry(int row) const { return rows_.at(static_cast<std::size_t>(row)).Entry; }
  // The cells as the grid shows them: the new number ("" when blank), the
  // entry.
  std::vector<StringList> Cells() const;

 private:
  struct Row {
    int OldCh;
    std::optional<int> NewCh;
    std::string Entry;
  };
  std::vector<Row> rows_;
  int current_ = -1;
  bool editing_ = false;
  std::optional<int> pending_;
};

// The text of a new number as the grid and the editor show it.
std::string NewChText(std::optional<int> newCh);

}  // namespace kc
