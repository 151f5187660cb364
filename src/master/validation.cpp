#include "master/validation.h"

#include <unordered_map>

#include "master/entry_index.h"
#include "model/part_of_speech.h"
#include "platform/text.h"

namespace Validation {
namespace {

std::string posName(std::int64_t code) {
  return std::string(PartOfSpeech::name(code).value_or("?"));
}

std::string wordLabel(const DictEntry& e) {
  return e.reading + " → " + e.word + ": ";
}

}  // namespace

std::vector<ValidationIssue> check(const std::vector<MasterDictionary>& dictionaries) {
  using Level = ValidationIssue::Level;
  std::vector<ValidationIssue> issues;
  std::size_t total = 0;
  for (const MasterDictionary& d : dictionaries) total += d.entries.size();

  // key -> index of the first dictionary holding it
  std::unordered_map<HashedEntry, std::size_t, HashedEntryHash, HashedEntrySameKey> firstSeen;
  firstSeen.reserve(total);
  // key -> first entry with it in the current dictionary
  std::unordered_map<HashedEntry, const DictEntry*, HashedEntryHash, HashedEntrySameKey> inThis;

  for (std::size_t index = 0; index < dictionaries.size(); ++index) {
    const MasterDictionary& dictionary = dictionaries[index];
    inThis.clear();
    inThis.reserve(dictionary.entries.size());
    for (const DictEntry& entry : dictionary.entries) {
      if (entry.reading.empty() || entry.word.empty()) {
        issues.push_back({Level::error, dictionary.name,
                          "よみか単語が空の語があります（よみ「" + entry.reading + "」単語「" +
                              entry.word + "」）"});
        continue;
      }
      const HashedEntry key{&entry, DictEntryKeyHash{}(entry)};

      const auto [earlier, isFirst] = inThis.try_emplace(key, &entry);
      if (!isFirst) {
        const std::string before = posName(earlier->second->posCode);
        const std::string now = posName(entry.posCode);
        issues.push_back({Level::error, dictionary.name,
                          wordLabel(entry) + (before == now ? "同じ語が 2つあります"
                                                            : "同じ語が品詞違いで 2つあります（" +
                                                                  before + "・" + now + "）")});
      }

      const auto [seen, isNew] = firstSeen.try_emplace(key, index);
      if (!isNew && seen->second != index) {
        const std::string& firstName = dictionaries[seen->second].name;
        if (!platform::canonicallyEqual(firstName, dictionary.name)) {
          issues.push_back(
              {Level::warning, dictionary.name,
               entry.reading + " → " + entry.word + ": 辞書「" + firstName + "」にもあります"});
        }
      }
    }
  }
  return issues;
}

}  // namespace Validation
