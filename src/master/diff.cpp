#include "master/diff.h"

#include <unordered_map>

#include "master/entry_index.h"
#include "model/part_of_speech.h"
#include "platform/text.h"

// The comparison is defined by linear searches; hash indexes give the same
// result (same entries, same pairs, same order) in linear time, so two
// 100,000-word files differ in milliseconds.
namespace Diff {
namespace {

struct Hashed {
  const std::vector<DictEntry>& entries;
  std::vector<std::size_t> hashes;
};

Hashed hashed(const std::vector<DictEntry>& entries) {
  Hashed h{entries, {}};
  h.hashes.reserve(entries.size());
  for (const DictEntry& e : entries) h.hashes.push_back(DictEntryHash{}(e));
  return h;
}

// Positions of `list` left after taking out, for each entry in order, an
// equal one of `minus` while any is left: of the entries of one value, the
// first as many as `minus` holds go.
std::vector<std::size_t> remainingPositions(const Hashed& list, const Hashed& minus) {
  struct Count {
    const DictEntry* entry;
    std::size_t left;
  };
  std::vector<Count> counts;
  counts.reserve(minus.entries.size());
  EntryIndex index(minus.entries.size());
  constexpr std::size_t ahead = 16;
  for (std::size_t i = 0; i < minus.entries.size(); ++i) {
    if (i + ahead < minus.entries.size()) index.prefetch(minus.hashes[i + ahead]);
    const DictEntry& e = minus.entries[i];
    const std::size_t found = index.find(
        minus.hashes[i], [&](std::size_t position) { return *counts[position].entry == e; });
    if (found == EntryIndex::none) {
      index.insert(minus.hashes[i], counts.size());
      counts.push_back({&e, 1});
    } else {
      ++counts[found].left;
    }
  }
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    if (i + ahead < list.entries.size()) index.prefetch(list.hashes[i + ahead]);
    const DictEntry& e = list.entries[i];
    const std::size_t found = index.find(
        list.hashes[i], [&](std::size_t position) { return *counts[position].entry == e; });
    if (found != EntryIndex::none && counts[found].left > 0) {
      --counts[found].left;
    } else {
      kept.push_back(i);
    }
  }
  return kept;
}

DictionaryDiff compare(const std::string& name, const UserDictionary* old,
                       const UserDictionary* new_) {
  static const std::vector<DictEntry> none;
  const std::vector<DictEntry>& before = old != nullptr ? old->entries : none;
  const std::vector<DictEntry>& after = new_ != nullptr ? new_->entries : none;

  DictionaryDiff diff;
  diff.name = name;
  diff.dictionaryAdded = old == nullptr;
  diff.dictionaryRemoved = new_ == nullptr;
  if (before == after) return diff;

  const Hashed oldSide = hashed(before);
  const Hashed newSide = hashed(after);
  const std::vector<std::size_t> removed = remainingPositions(oldSide, newSide);
  const std::vector<std::size_t> added = remainingPositions(newSide, oldSide);

  // The unpaired removed entries of each key, chained in order: the head is
  // always the first entry of `removed` with that key still unpaired.
  constexpr std::size_t end = EntryIndex::none;
  struct Chain {
    std::size_t head;
    std::size_t tail;
  };
  std::vector<Chain> chains;
  std::vector<std::size_t> nextWithKey(removed.size(), end);
  EntryIndex byKey(removed.size());
  for (std::size_t r = 0; r < removed.size(); ++r) {
    const DictEntry& e = before[removed[r]];
    const std::size_t hash = DictEntryKeyHash{}(e);
    const std::size_t found = byKey.find(hash, [&](std::size_t c) {
      return DictEntryKeyEqual{}(before[removed[chains[c].tail]], e);
    });
    if (found == EntryIndex::none) {
      byKey.insert(hash, chains.size());
      chains.push_back({r, r});
    } else {
      nextWithKey[chains[found].tail] = r;
      chains[found].tail = r;
    }
  }

  std::vector<bool> paired(removed.size(), false);
  std::vector<std::size_t> pairedNew;  // positions in `after`
  for (const std::size_t a : added) {
    const DictEntry& e = after[a];
    if (chains.empty()) break;
    const std::size_t found = byKey.find(DictEntryKeyHash{}(e), [&](std::size_t c) {
      return DictEntryKeyEqual{}(before[removed[chains[c].tail]], e);
    });
    if (found == EntryIndex::none || chains[found].head == end) continue;
    const std::size_t r = chains[found].head;
    chains[found].head = nextWithKey[r];
    paired[r] = true;
    diff.changed.push_back({before[removed[r]], e});
    pairedNew.push_back(a);
  }

  for (std::size_t r = 0; r < removed.size(); ++r) {
    if (!paired[r]) diff.removed.push_back(before[removed[r]]);
  }
  // Every added entry equal to a paired one goes, not only the paired one.
  EntryIndex pairedIndex(pairedNew.size());
  for (std::size_t p = 0; p < pairedNew.size(); ++p) {
    const std::size_t a = pairedNew[p];
    const auto same = [&](std::size_t q) { return after[pairedNew[q]] == after[a]; };
    if (pairedIndex.find(newSide.hashes[a], same) == EntryIndex::none) {
      pairedIndex.insert(newSide.hashes[a], p);
    }
  }
  for (const std::size_t a : added) {
    const auto same = [&](std::size_t q) { return after[pairedNew[q]] == after[a]; };
    if (pairedNew.empty() || pairedIndex.find(newSide.hashes[a], same) == EntryIndex::none) {
      diff.added.push_back(after[a]);
    }
  }
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
  std::vector<DictEntry> result;
  for (const std::size_t i : remainingPositions(hashed(list), hashed(minus))) {
    result.push_back(list[i]);
  }
  return result;
}

std::vector<DictionaryDiff> between(const UserDictionaryFile& old, const UserDictionaryFile& new_) {
  struct Sides {
    const std::string* name = nullptr;
    const UserDictionary* old = nullptr;
    const UserDictionary* new_ = nullptr;
  };
  // Names in order of first appearance, old file first; NFC name -> its place.
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
