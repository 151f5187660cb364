#include "master/absorb.h"

#include <algorithm>
#include <unordered_set>

#include "platform/ime_platform.h"

namespace Absorb {
namespace {

std::vector<DictEntry> merged(const DictionaryDiff& diff, const MasterFile& file, bool firstRun,
                              std::vector<std::string>& skipped) {
  std::vector<DictEntry> list = file.entries;
  const auto has = [&](const DictEntry& entry) {
    return std::find(list.begin(), list.end(), entry) != list.end();
  };
  // This computer's forms of words the master holds in another form, and its changes to words
  // the master no longer has: both stay out, and the user is told so rather than find them gone.
  std::size_t otherForm = 0;
  std::size_t deletedInMaster = 0;
  // An entry already in the master under the same key wins, whatever its
  // part of speech and comment.
  std::unordered_set<DictEntry, DictEntryKeyHash, DictEntryKeyEqual> keys(list.begin(), list.end());
  for (const DictEntry& entry : diff.added) {
    if (keys.insert(entry).second) {
      list.push_back(entry);
    } else if (!has(entry)) {
      ++otherForm;
    }
  }
  if (firstRun) {
    if (!diff.removed.empty()) {
      skipped.push_back("「" + diff.name + "」: マスターにだけある " +
                        std::to_string(diff.removed.size()) + "語は残します");
    }
    otherForm += diff.changed.size();
  } else {
    // Full equality: a word changed on another computer since the last reflect
    // is neither removed nor overwritten by this computer's edit.
    for (const DictEntry& entry : diff.removed) {
      const auto found = std::find(list.begin(), list.end(), entry);
      if (found != list.end()) list.erase(found);
    }
    for (const ChangedEntry& pair : diff.changed) {
      const auto found = std::find(list.begin(), list.end(), pair.old);
      if (found != list.end()) {
        *found = pair.new_;
      } else if (!has(pair.new_)) {
        const bool keyInMaster = std::any_of(list.begin(), list.end(), [&](const DictEntry& e) {
          return DictEntryKeyEqual{}(e, pair.new_);
        });
        ++(keyInMaster ? otherForm : deletedInMaster);
      }
    }
  }
  if (otherForm > 0) {
    skipped.push_back("「" + diff.name + "」: 品詞などが違う " + std::to_string(otherForm) +
                      "語はマスターのままにします");
  }
  if (deletedInMaster > 0) {
    skipped.push_back("「" + diff.name + "」: マスターで削除された " +
                      std::to_string(deletedInMaster) + "語は取り込みません");
  }
  return list;
}

}  // namespace

AbsorbPlan plan(const std::vector<DictionaryDiff>& diffs, const MasterSnapshot& into,
                bool firstRun) {
  AbsorbPlan result;
  for (const DictionaryDiff& diff : diffs) {
    if (diff.dictionaryRemoved) {
      result.skipped.push_back(
          "辞書「" + diff.name + "」が" +
          platformWords().thisComputer("から削除されていますが、マスターの辞書は削除しません"));
      continue;
    }
    const MasterFile* file = into.file(diff.name);
    if (file == nullptr) {
      if (diff.dictionaryAdded) {
        result.newDictionaries[diff.name] = diff.added;
      } else {
        result.skipped.push_back("辞書「" + diff.name + "」がマスターにないので取り込めません");
      }
      continue;
    }
    std::vector<DictEntry> list = merged(diff, *file, firstRun, result.skipped);
    if (list != file->entries) result.changes[diff.name] = std::move(list);
  }
  return result;
}

}  // namespace Absorb
