#pragma once

#include <map>
#include <string>
#include <vector>

#include "master/master_snapshot.h"
#include "model/dict_entry.h"
#include "master/diff.h"

// What taking this computer's direct edits into the master would change, in
// the shape MasterStore::save takes.
struct AbsorbPlan {
  std::map<std::string, std::vector<DictEntry>> changes;
  std::map<std::string, std::vector<DictEntry>> newDictionaries;
  std::vector<std::string> skipped;

  bool operator==(const AbsorbPlan&) const = default;
  // Messages alone do not count.
  bool isEmpty() const { return changes.empty() && newDictionaries.empty(); }
};

namespace Absorb {

// `firstRun`: the diffs were made against the master, not a previous reflect,
// so nothing is removed or changed in the master.
AbsorbPlan plan(const std::vector<DictionaryDiff>& diffs, const MasterSnapshot& into,
                bool firstRun);

}  // namespace Absorb
