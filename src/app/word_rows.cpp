#include "app/word_rows.h"

#include <algorithm>
#include <cstdint>
#include <utility>

WordRows::WordRows(std::shared_ptr<const WordIndex> index, std::vector<RowRef> refs)
    : index_(std::move(index)), refs_(std::move(refs)) {}

std::string_view WordRows::posName(std::size_t position) const {
  return posNameOrUnknown(entry(position).posCode);
}

EntryRow WordRows::row(std::size_t position) const {
  const RowRef ref = refs_[position];
  return EntryRow{index_->file(ref).name, ref.index, index_->entry(ref)};
}

std::vector<std::optional<std::size_t>> WordRows::positions(const std::vector<RowRef>& refs) const {
  std::vector<std::optional<std::size_t>> found(refs.size());
  if (!index_ || refs.empty()) return found;
  constexpr std::uint32_t absent = UINT32_MAX;
  std::vector<std::uint32_t> byNumber(index_->size(), absent);
  for (std::size_t i = 0; i < refs_.size(); ++i) {
    byNumber[index_->number(refs_[i])] = static_cast<std::uint32_t>(i);
  }
  const auto& files = index_->snapshot()->files;
  for (std::size_t i = 0; i < refs.size(); ++i) {
    const RowRef ref = refs[i];
    if (ref.file >= files.size() || ref.index >= files[ref.file].entries.size()) continue;
    const std::uint32_t position = byNumber[index_->number(ref)];
    if (position != absent) found[i] = position;
  }
  return found;
}

void WordRows::sort(WordColumn column, Qt::SortOrder order) {
  if (!index_ || refs_.size() < 2) return;
  const std::vector<std::uint32_t>& ranks = index_->ranks(column);
  // One integer per row: the rank (inverted for descending) above the word's number, which
  // breaks ties in snapshot order.
  std::vector<std::pair<std::uint64_t, RowRef>> keyed;
  keyed.reserve(refs_.size());
  for (const RowRef ref : refs_) {
    const std::size_t number = index_->number(ref);
    const std::uint32_t rank = order == Qt::AscendingOrder ? ranks[number] : ~ranks[number];
    keyed.emplace_back((std::uint64_t{rank} << 32) | number, ref);
  }
  std::sort(keyed.begin(), keyed.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 0; i < keyed.size(); ++i) refs_[i] = keyed[i].second;
}
