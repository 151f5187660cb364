#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/entry_row.h"
#include "master/master_snapshot.h"
#include "model/dict_entry.h"

// What the entry sheet shows before a word is saved: errors stop the save, warnings do not.
struct EntryProblems {
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
  bool operator==(const EntryProblems&) const = default;
};

namespace EntryCheck {

// The problems of saving `entry` into `dictionary`: empty or unwritable texts, and the same
// reading and word already in this dictionary (an error) or another one (a warning). The word
// `replacing` points at is the one being edited and never counts. `snapshot` may be null.
EntryProblems check(const DictEntry& entry, std::string_view dictionary, const EntryRow* replacing,
                    const MasterSnapshot* snapshot);

}  // namespace EntryCheck
