#include "ui/conversion_rows.h"

#include <algorithm>
#include <utility>

#include "core/text.h"
#include "download/conversion_file.h"

namespace kc {

void ConversionRows::Load(const std::string& file, const StringList& entries,
                          const std::vector<bool>& ticked, bool allEntries) {
  std::vector<Row> rows;
  for (ChannelConversionRow& r : LoadConversions(file, entries, ticked, allEntries))
    rows.push_back(Row{r.OldCh, r.NewCh, std::move(r.Entry)});
  Drop();
  rows_ = std::move(rows);
  current_ = rows_.empty() ? -1 : 0;
}

void ConversionRows::Save(const std::string& file) {
  Store();
  std::vector<std::pair<int, int>> pairs;
  for (const Row& r : rows_) pairs.emplace_back(r.OldCh, r.NewCh.value_or(0));
  SaveConversions(file, pairs);
  current_ = rows_.empty() ? -1 : 0;
}

void ConversionRows::GoTo(int row) {
  if (row < 0 || row >= Count()) return;
  Store();
  current_ = row;
}

void ConversionRows::Change(std::optional<int> newCh) {
  if (current_ < 0) return;
  pending_ = newCh;
  editing_ = true;
}

void ConversionRows::Store() {
  if (editing_) rows_[static_cast<std::size_t>(current_)].NewCh = pending_;
  Drop();
}

void ConversionRows::Drop() {
  editing_ = false;
  pending_.reset();
}

void ConversionRows::DeleteCurrent() {
  if (current_ < 0) return;
  Drop();
  rows_.erase(rows_.begin() + current_);
  current_ = std::min(current_, Count() - 1);
}

std::optional<int> ConversionRows::NewCh(int row) const {
  if (editing_ && row == current_) return pending_;
  return rows_.at(static_cast<std::size_t>(row)).NewCh;
}

std::vector<StringList> ConversionRows::Cells() const {
  std::vector<StringList> cells;
  for (int i = 0; i < Count(); ++i) cells.push_back({NewChText(NewCh(i)), Entry(i)});
  return cells;
}

std::string NewChText(std::optional<int> newCh) { return newCh ? IntToStr(*newCh) : std::string(); }

}  // namespace kc
