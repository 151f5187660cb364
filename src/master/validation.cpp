#include "master/validation.h"

#include <algorithm>
#include <array>

#include "master/entry_hash.h"
#include "master/entry_index.h"
#include "model/part_of_speech.h"
#include "platform/text.h"

namespace Validation {
namespace {

std::string posName(std::int64_t code) {
  return std::string(PartOfSpeech::name(code).value_or("?"));
}

// What the run knows about one key.
struct Seen {
  const DictEntry* entry;       // the first entry with this key in `dictionary`
  std::size_t dictionary;       // the dictionary that `entry` belongs to
  std::size_t firstDictionary;  // the first dictionary holding the key at all
};

}  // namespace

std::vector<ValidationIssue> check(const std::vector<MasterDictionary>& dictionaries) {
  using Level = ValidationIssue::Level;
  std::vector<ValidationIssue> issues;
  std::size_t total = 0;
  for (const MasterDictionary& d : dictionaries) total += d.entries.size();

  // One record per key. Dictionaries are taken in order, so the record's
  // entry is this dictionary's first with the key exactly when its
  // dictionary is this one.
  std::vector<Seen> seen;
  seen.reserve(total);
  EntryIndex index(total);

  struct Item {
    const DictEntry* entry;
    std::size_t dictionary;
  };
  std::vector<Item> items;
  items.reserve(total);
  for (std::size_t d = 0; d < dictionaries.size(); ++d) {
    for (const DictEntry& e : dictionaries[d].entries) items.push_back({&e, d});
  }
  // Keys are hashed a few words ahead and their slots asked for, so that a
  // table larger than the processor's cache does not stall every lookup.
  constexpr std::size_t ahead = 16;
  std::array<std::size_t, ahead> upcoming{};
  const auto prepare = [&](std::size_t i) {
    upcoming[i % ahead] = QuickKeyHash{}(*items[i].entry);
    index.prefetch(upcoming[i % ahead]);
  };
  for (std::size_t i = 0; i < std::min(ahead, total); ++i) prepare(i);

  for (std::size_t i = 0; i < total; ++i) {
    const std::size_t hash = upcoming[i % ahead];
    if (i + ahead < total) prepare(i + ahead);
    const DictEntry& entry = *items[i].entry;
    const std::size_t current = items[i].dictionary;
    const MasterDictionary& dictionary = dictionaries[current];
    if (entry.reading.empty() || entry.word.empty()) {
      issues.push_back({Level::error, dictionary.name,
                        "よみか単語が空の語があります（よみ「" + entry.reading + "」単語「" +
                            entry.word + "」）"});
      continue;
    }
    const std::size_t found = index.find(hash, [&](std::size_t position) {
      return DictEntryKeyEqual{}(*seen[position].entry, entry);
    });
    if (found == EntryIndex::none) {
      index.insert(hash, seen.size());
      seen.push_back({&entry, current, current});
      continue;
    }
    Seen& record = seen[found];
    if (record.dictionary == current) {
      const std::string before = posName(record.entry->posCode);
      const std::string now = posName(entry.posCode);
      issues.push_back(
          {Level::error, dictionary.name,
           entry.reading + " → " + entry.word + ": " +
               (before == now ? "同じ語が 2つあります"
                              : "同じ語が品詞違いで 2つあります（" + before + "・" + now + "）")});
    } else {
      record.entry = &entry;
      record.dictionary = current;
    }
    const std::string& firstName = dictionaries[record.firstDictionary].name;
    if (record.firstDictionary != current &&
        !platform::canonicallyEqual(firstName, dictionary.name)) {
      issues.push_back(
          {Level::warning, dictionary.name,
           entry.reading + " → " + entry.word + ": 辞書「" + firstName + "」にもあります"});
    }
  }
  return issues;
}

}  // namespace Validation
