#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/dict_entry.h"
#include "model/user_dictionary_file.h"

struct ChangedEntry {
  DictEntry old;
  DictEntry new_;

  bool operator==(const ChangedEntry&) const = default;
};

// How one dictionary differs between two states of the IME file.
struct DictionaryDiff {
  std::string name;
  std::vector<DictEntry> added;
  std::vector<DictEntry> removed;
  std::vector<ChangedEntry> changed;
  bool dictionaryAdded = false;
  bool dictionaryRemoved = false;

  bool operator==(const DictionaryDiff&) const = default;
  bool isEmpty() const {
    return added.empty() && removed.empty() && changed.empty() && !dictionaryAdded &&
           !dictionaryRemoved;
  }
};

namespace Diff {

// One diff per differing dictionary name: the old file's names in order, then
// names only in the new file. Ids, enabled flags and the version are ignored.
std::vector<DictionaryDiff> between(const UserDictionaryFile& old, const UserDictionaryFile& new_);
// The same with one side's words still encoded in the bytes it was read from.
std::vector<DictionaryDiff> between(const EncodedUserDictionaryFile& old,
                                    const UserDictionaryFile& new_);
std::vector<DictionaryDiff> between(const UserDictionaryFile& old,
                                    const EncodedUserDictionaryFile& new_);
std::vector<DictionaryDiff> between(const EncodedUserDictionaryFile& old,
                                    const EncodedUserDictionaryFile& new_);

// Multiset difference in the order of `list`.
std::vector<DictEntry> remaining(const std::vector<DictEntry>& list,
                                 const std::vector<DictEntry>& minus);

std::int64_t changeCount(const std::vector<DictionaryDiff>& diffs);

// Display lines: ＋/− whole dictionaries, then added, removed and changed words.
std::vector<std::string> lines(const std::vector<DictionaryDiff>& diffs);

}  // namespace Diff
