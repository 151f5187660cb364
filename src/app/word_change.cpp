#include "app/word_change.h"

#include <algorithm>
#include <set>
#include <utility>

#include "platform/overloaded.h"
#include "platform/text.h"

namespace WordChange {

namespace {

using platform::Overloaded;

Plan refused(std::string message) {
  return Plan{.lists = {}, .problem = std::move(message)};
}

// The rows without repeats, in the order given.
std::vector<const EntryRow*> distinct(const std::vector<EntryRow>& rows) {
  std::set<std::pair<std::string, std::size_t>> seen;
  std::vector<const EntryRow*> result;
  for (const EntryRow& row : rows) {
    if (seen.emplace(platform::nfc(row.dictionary), row.index).second) result.push_back(&row);
  }
  return result;
}

}  // namespace

std::vector<DictEntry>& Builder::current(std::string_view dictionary) {
  std::string name = platform::nfc(dictionary);
  const auto found = lists_.find(name);
  if (found != lists_.end()) return found->second;
  const MasterFile* file = base_.file(name);
  return lists_.emplace(std::move(name), file ? file->entries : std::vector<DictEntry>{})
      .first->second;
}

bool Builder::take(const std::vector<EntryRow>& rows) {
  std::map<std::string, std::vector<const EntryRow*>> groups;
  for (const EntryRow* row : distinct(rows)) groups[platform::nfc(row->dictionary)].push_back(row);
  for (auto& [name, group] : groups) {
    std::vector<DictEntry>& list = current(name);
    std::vector<bool> gone(list.size(), false);
    for (const EntryRow* row : group) {
      if (row->index >= list.size() || gone[row->index] || !(list[row->index] == row->entry)) {
        return false;
      }
      gone[row->index] = true;
    }
    // One pass instead of one erase per row: removing thousands of rows stays linear.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (gone[i]) continue;
      if (kept != i) list[kept] = std::move(list[i]);
      ++kept;
    }
    list.resize(kept);
  }
  return true;
}

Plan plan(const Change& change, const MasterSnapshot& base) {
  Builder builder(base);
  return std::visit(
      Overloaded{
          [&](const Add& add) {
            std::vector<DictEntry>& list = builder.current(add.to);
            list.insert(list.end(), add.entries.begin(), add.entries.end());
            return Plan{builder.release(), std::nullopt};
          },
          [&](const Edit& edit) {
            std::vector<DictEntry>& list = builder.current(edit.row.dictionary);
            if (edit.row.index >= list.size() || !(list[edit.row.index] == edit.row.entry)) {
              return refused("編集する語が見つかりません。再読み込みしてください");
            }
            if (platform::canonicallyEqual(edit.in, edit.row.dictionary)) {
              list[edit.row.index] = edit.to;
            } else {
              list.erase(list.begin() + static_cast<std::ptrdiff_t>(edit.row.index));
              builder.current(edit.in).push_back(edit.to);
            }
            return Plan{builder.release(), std::nullopt};
          },
          [&](const Delete& remove) {
            if (!builder.take(remove.rows)) {
              return refused("削除する語が見つかりません。再読み込みしてください");
            }
            return Plan{builder.release(), std::nullopt};
          },
          [&](const Move& move) {
            std::vector<EntryRow> moving;
            for (const EntryRow& row : move.rows) {
              if (!platform::canonicallyEqual(row.dictionary, move.to)) moving.push_back(row);
            }
            if (moving.empty()) return Plan{};
            if (!builder.take(moving)) {
              return refused("移動する語が見つかりません。再読み込みしてください");
            }
            std::vector<DictEntry>& target = builder.current(move.to);
            for (const EntryRow* row : distinct(moving)) target.push_back(row->entry);
            return Plan{builder.release(), std::nullopt};
          },
      },
      change);
}

}  // namespace WordChange
