#pragma once

#include <Qt>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/entry_row.h"
#include "app/word_index.h"

// The rows the word table shows: positions in one snapshot, which they keep alive. A row is
// made into an EntryRow only when asked for, so a search over 100,000 words copies none of them.
class WordRows {
 public:
  WordRows() = default;
  WordRows(std::shared_ptr<const WordIndex> index, std::vector<RowRef> refs);

  std::size_t size() const { return refs_.size(); }
  bool empty() const { return refs_.empty(); }

  const std::vector<RowRef>& refs() const { return refs_; }
  // Absent for the rows of no snapshot.
  const std::shared_ptr<const WordIndex>& index() const { return index_; }

  // The row at `position`, read in place.
  const DictEntry& entry(std::size_t position) const { return index_->entry(refs_[position]); }
  const std::string& dictionary(std::size_t position) const {
    return index_->file(refs_[position]).name;
  }
  std::string_view posName(std::size_t position) const;
  // The row at `position` as a value the model's changes take.
  EntryRow row(std::size_t position) const;

  // Where each of `refs` is among these rows (absent when it is not shown), in one pass.
  std::vector<std::optional<std::size_t>> positions(const std::vector<RowRef>& refs) const;

  // Orders the rows by one column (WordIndex::ranks); rows that tie keep the snapshot's order.
  void sort(WordColumn column, Qt::SortOrder order);

 private:
  std::shared_ptr<const WordIndex> index_;
  std::vector<RowRef> refs_;
};
