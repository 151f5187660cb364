#include "sync/diff.h"

#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "master/entry_index.h"
#include "model/part_of_speech.h"
#include "platform/text.h"

// The comparison is defined by linear searches; hashing gives the same result
// (same pairs, same order) in linear time, so a whole 100,000-word file diffs
// in milliseconds.
namespace Diff {
namespace {

using Counts = std::unordered_map<HashedEntry, std::size_t, HashedEntryHash, HashedEntryEqual>;

HashedEntry hashed(const DictEntry& e) {
  return {&e, DictEntryHash{}(e)};
}

DictionaryDiff compare(const std::string& name, const UserDictionary* old,
                       const UserDictionary* new_) {
  static const std::vector<DictEntry> none;
  const std::vector<DictEntry>& before = old != nullptr ? old->entries : none;
  const std::vector<DictEntry>& after = new_ != nullptr ? new_->entries : none;

  DictionaryDiff diff;
  diff.name = name;
  diff.removed = remaining(before, after);
  std::vector<DictEntry> added = remaining(after, before);

  // Per key, the positions of `removed` not yet paired, in order: the front is
  // always the first unpaired entry with that key.
  std::unordered_map<HashedEntry, std::deque<std::size_t>, HashedEntryHash, HashedEntrySameKey>
      byKey;
  byKey.reserve(diff.removed.size());
  for (std::size_t i = 0; i < diff.removed.size(); ++i) {
    byKey[{&diff.removed[i], DictEntryKeyHash{}(diff.removed[i])}].push_back(i);
  }
  std::vector<bool> paired(diff.removed.size(), false);
  std::unordered_set<HashedEntry, HashedEntryHash, HashedEntryEqual> pairedNew;
  for (const DictEntry& entry : added) {
    const auto found = byKey.find({&entry, DictEntryKeyHash{}(entry)});
    if (found == byKey.end() || found->second.empty()) continue;
    const std::size_t position = found->second.front();
    found->second.pop_front();
    paired[position] = true;
    diff.changed.push_back({diff.removed[position], entry});
    pairedNew.insert(hashed(entry));
  }
  if (diff.changed.empty()) {
    diff.added = std::move(added);
  } else {
    std::vector<DictEntry> unpaired;
    for (std::size_t i = 0; i < diff.removed.size(); ++i) {
      if (!paired[i]) unpaired.push_back(std::move(diff.removed[i]));
    }
    diff.removed = std::move(unpaired);
    // Every entry equal to a paired one goes, not only the paired one itself.
    for (const DictEntry& e : added) {
      if (!pairedNew.contains(hashed(e))) diff.added.push_back(e);
    }
  }
  diff.dictionaryAdded = old == nullptr;
  diff.dictionaryRemoved = new_ == nullptr;
  return diff;
}

std::string posName(std::int64_t code) {
  return std::string(PartOfSpeech::name(code).value_or("?"));
}

std::string wordLine(std::string_view mark, const std::string& name, const DictEntry& e) {
  return std::string(mark) + " " + name + "　" + e.reading + " → " + e.word + "（" +
         posName(e.posCode) + "）";
}

}  // namespace

std::vector<DictEntry> remaining(const std::vector<DictEntry>& list,
                                 const std::vector<DictEntry>& minus) {
  Counts counts;
  counts.reserve(minus.size());
  for (const DictEntry& e : minus) ++counts[hashed(e)];
  std::vector<DictEntry> result;
  for (const DictEntry& e : list) {
    const auto found = counts.find(hashed(e));
    if (found != counts.end() && found->second > 0) {
      --found->second;
    } else {
      result.push_back(e);
    }
  }
  return result;
}

std::vector<DictionaryDiff> between(const UserDictionaryFile& old, const UserDictionaryFile& new_) {
  // NFC name -> first dictionary of that name on each side
  struct Sides {
    const std::string* name = nullptr;
    const UserDictionary* old = nullptr;
    const UserDictionary* new_ = nullptr;
  };
  std::vector<Sides> names;
  std::unordered_map<std::string, std::size_t> index;
  const auto side = [&](const UserDictionary& d) -> Sides& {
    const auto [found, isNew] = index.try_emplace(platform::nfc(d.name), names.size());
    if (isNew) names.push_back({&d.name});
    return names[found->second];
  };
  for (const UserDictionary& d : old.dictionaries) {
    Sides& s = side(d);
    if (s.old == nullptr) s.old = &d;
  }
  for (const UserDictionary& d : new_.dictionaries) {
    Sides& s = side(d);
    if (s.new_ == nullptr) s.new_ = &d;
  }

  std::vector<DictionaryDiff> diffs;
  for (const Sides& s : names) {
    DictionaryDiff diff = compare(*s.name, s.old, s.new_);
    if (!diff.isEmpty()) diffs.push_back(std::move(diff));
  }
  return diffs;
}

std::int64_t changeCount(const std::vector<DictionaryDiff>& diffs) {
  std::int64_t count = 0;
  for (const DictionaryDiff& d : diffs) {
    count += static_cast<std::int64_t>(d.added.size() + d.removed.size() + d.changed.size()) +
             (d.dictionaryAdded || d.dictionaryRemoved ? 1 : 0);
  }
  return count;
}

std::vector<std::string> lines(const std::vector<DictionaryDiff>& diffs) {
  std::vector<std::string> out;
  for (const DictionaryDiff& d : diffs) {
    if (d.dictionaryAdded) out.push_back("＋ 辞書「" + d.name + "」");
    if (d.dictionaryRemoved) out.push_back("− 辞書「" + d.name + "」");
    for (const DictEntry& e : d.added) out.push_back(wordLine("＋", d.name, e));
    for (const DictEntry& e : d.removed) out.push_back(wordLine("−", d.name, e));
    for (const ChangedEntry& c : d.changed) {
      out.push_back("～ " + d.name + "　" + c.new_.reading + " → " + c.new_.word + "（" +
                    posName(c.old.posCode) + " → " + posName(c.new_.posCode) + "）");
    }
  }
  return out;
}

}  // namespace Diff
