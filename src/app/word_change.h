#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/entry_row.h"
#include "master/master_snapshot.h"
#include "model/dict_entry.h"

// One edit of words by the user, and the complete new word lists it makes of the dictionaries
// it touches: the shape in which the master store takes changes.
namespace WordChange {

// Appends the entries to the end of dictionary `to`.
struct Add {
  std::vector<DictEntry> entries;
  std::string to;
  bool operator==(const Add&) const = default;
};
// Replaces the row's word; with `in` another dictionary, the word moves to the end of that one.
struct Edit {
  EntryRow row;
  DictEntry to;
  std::string in;
  bool operator==(const Edit&) const = default;
};
struct Delete {
  std::vector<EntryRow> rows;
  bool operator==(const Delete&) const = default;
};
// Moves the words to the end of dictionary `to`, in the order given.
struct Move {
  std::vector<EntryRow> rows;
  std::string to;
  bool operator==(const Move&) const = default;
};
using Change = std::variant<Add, Edit, Delete, Move>;

// New word lists by NFC dictionary name.
using Lists = std::map<std::string, std::vector<DictEntry>>;

// The lists of one change, built up from a snapshot: a dictionary's current list is the one
// already built, else the snapshot's, else empty (a dictionary without a file yet).
class Builder {
 public:
  explicit Builder(const MasterSnapshot& base) : base_(base) {}

  std::vector<DictEntry>& current(std::string_view dictionary);

  // Removes the rows' words, each dictionary from its highest position down so that the lower
  // positions stay right. False, with the lists unusable, when a row's word is not at its
  // position any more. A row given twice is removed once.
  bool take(const std::vector<EntryRow>& rows);

  Lists release() { return std::move(lists_); }

 private:
  const MasterSnapshot& base_;
  Lists lists_;
};

struct Plan {
  // Empty when there is nothing to write.
  Lists lists;
  // The message for the user when a row no longer matches the master.
  std::optional<std::string> problem;
  bool operator==(const Plan&) const = default;
};

Plan plan(const Change& change, const MasterSnapshot& base);

}  // namespace WordChange
