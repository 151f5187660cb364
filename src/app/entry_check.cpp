#include "app/entry_check.h"

#include <utility>

#include "model/ime_rules.h"
#include "platform/text.h"

namespace EntryCheck {

EntryProblems check(const DictEntry& entry, std::string_view dictionary, const EntryRow* replacing,
                    const MasterSnapshot* snapshot) {
  EntryProblems problems;
  if (entry.reading.empty()) problems.errors.push_back("よみを入力してください");
  if (entry.word.empty()) problems.errors.push_back("単語を入力してください");
  const auto anyHolds = [&](char c) {
    return entry.reading.find(c) != std::string::npos || entry.word.find(c) != std::string::npos ||
           entry.comment.find(c) != std::string::npos;
  };
  if (anyHolds('\t')) problems.errors.push_back("タブは入れられません");
  if (anyHolds('\n')) problems.errors.push_back("改行は入れられません");
  // Saved all the same: the master keeps what the user typed, but they should know before saving
  // that the IME will pass over it.
  if (std::optional<std::string> ignored = ImeRules::sheetWarning(entry)) {
    problems.warnings.push_back(std::move(*ignored));
  }
  if (snapshot == nullptr || entry.reading.empty() || entry.word.empty()) return problems;

  const DictEntryKeyEqual sameKey;
  for (const MasterFile& file : snapshot->files) {
    const bool skipsRow =
        replacing != nullptr && platform::canonicallyEqual(file.name, replacing->dictionary);
    const bool isTarget = platform::canonicallyEqual(file.name, dictionary);
    for (std::size_t i = 0; i < file.entries.size(); ++i) {
      if (skipsRow && i == replacing->index) continue;
      const DictEntry& found = file.entries[i];
      if (!sameKey(found, entry)) continue;
      const std::string pos(posNameOrUnknown(found.posCode));
      if (isTarget) {
        problems.errors.push_back("この辞書に同じ語がすでにあります（" + pos + "）");
      } else {
        problems.warnings.push_back("辞書「" + file.name + "」にも同じ語があります（" + pos + "）");
      }
    }
  }
  return problems;
}

}  // namespace EntryCheck
