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

// The words of one side: owned, or still encoded in the bytes of the file
// they were read from, decoded each time they are looked at.
class Words {
 public:
  Words() = default;
  explicit Words(const std::vector<DictEntry>* owned) : owned_(owned) {}
  explicit Words(const MessageList* encoded) : encoded_(encoded) {}

  std::size_t size() const {
    return owned_ != nullptr ? owned_->size() : encoded_ != nullptr ? encoded_->size() : 0;
  }
  DictEntryView operator[](std::size_t i) const {
    return owned_ != nullptr ? DictEntryView((*owned_)[i])
                             : EncodedUserDictionaryFile::entry((*encoded_)[i]);
  }
  // Word `i` equals word `j` of `other`. Messages of the same bytes hold the
  // same word, which spares decoding the usual pair of equal words.
  bool same(std::size_t i, const Words& other, std::size_t j) const {
    if (encoded_ != nullptr && other.encoded_ != nullptr &&
        (*encoded_)[i] == (*other.encoded_)[j]) {
      return true;
    }
    return (*this)[i] == other[j];
  }
  bool operator==(const Words& other) const {
    if (size() != other.size()) return false;
    for (std::size_t i = 0; i < size(); ++i) {
      if (!same(i, other, i)) return false;
    }
    return true;
  }

 private:
  const std::vector<DictEntry>* owned_ = nullptr;
  const MessageList* encoded_ = nullptr;
};

Words words(const UserDictionary* d) {
  return d != nullptr ? Words(&d->entries) : Words();
}
Words words(const EncodedUserDictionaryFile::Dictionary* d) {
  return d != nullptr ? Words(&d->entries) : Words();
}

struct Hashed {
  Words entries;
  std::vector<std::size_t> hashes;
};

Hashed hashed(Words entries) {
  Hashed h{entries, {}};
  h.hashes.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) h.hashes.push_back(DictEntryHash{}(entries[i]));
  return h;
}

// Positions of `list` left after taking out, for each entry in order, an
// equal one of `minus` while any is left: of the entries of one value, the
// first as many as `minus` holds go.
std::vector<std::size_t> remainingPositions(const Hashed& list, const Hashed& minus) {
  struct Count {
    std::size_t position;  // in `minus`
    std::size_t left;
  };
  std::vector<Count> counts;
  counts.reserve(minus.entries.size());
  EntryIndex index(minus.entries.size());
  constexpr std::size_t ahead = 16;
  for (std::size_t i = 0; i < minus.entries.size(); ++i) {
    if (i + ahead < minus.entries.size()) index.prefetch(minus.hashes[i + ahead]);
    const std::size_t found = index.find(minus.hashes[i], [&](std::size_t c) {
      return minus.entries.same(counts[c].position, minus.entries, i);
    });
    if (found == EntryIndex::none) {
      index.insert(minus.hashes[i], counts.size());
      counts.push_back({i, 1});
    } else {
      ++counts[found].left;
    }
  }
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    if (i + ahead < list.entries.size()) index.prefetch(list.hashes[i + ahead]);
    const std::size_t found = index.find(list.hashes[i], [&](std::size_t c) {
      return minus.entries.same(counts[c].position, list.entries, i);
    });
    if (found != EntryIndex::none && counts[found].left > 0) {
      --counts[found].left;
    } else {
      kept.push_back(i);
    }
  }
  return kept;
}

DictionaryDiff compare(const std::string& name, Words before, Words after, bool hasOld,
                       bool hasNew) {
  DictionaryDiff diff;
  diff.name = name;
  diff.dictionaryAdded = !hasOld;
  diff.dictionaryRemoved = !hasNew;
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
    const DictEntryView e = before[removed[r]];
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
    const DictEntryView e = after[a];
    if (chains.empty()) break;
    const std::size_t found = byKey.find(DictEntryKeyHash{}(e), [&](std::size_t c) {
      return DictEntryKeyEqual{}(before[removed[chains[c].tail]], e);
    });
    if (found == EntryIndex::none || chains[found].head == end) continue;
    const std::size_t r = chains[found].head;
    chains[found].head = nextWithKey[r];
    paired[r] = true;
    diff.changed.push_back({before[removed[r]].owned(), e.owned()});
    pairedNew.push_back(a);
  }

  for (std::size_t r = 0; r < removed.size(); ++r) {
    if (!paired[r]) diff.removed.push_back(before[removed[r]].owned());
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
      diff.added.push_back(after[a].owned());
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
  for (const std::size_t i : remainingPositions(hashed(Words(&list)), hashed(Words(&minus)))) {
    result.push_back(list[i]);
  }
  return result;
}

namespace {

template <class Old, class New>
std::vector<DictionaryDiff> betweenFiles(const Old& old, const New& new_) {
  using OldDictionary = typename decltype(old.dictionaries)::value_type;
  using NewDictionary = typename decltype(new_.dictionaries)::value_type;
  struct Sides {
    const std::string* name = nullptr;
    const OldDictionary* old = nullptr;
    const NewDictionary* new_ = nullptr;
  };
  // Names in order of first appearance, old file first; NFC name -> its place.
  std::vector<Sides> names;
  std::unordered_map<std::string, std::size_t> index;
  const auto side = [&](const auto& d) -> Sides& {
    const auto [found, isNew] = index.try_emplace(platform::nfc(d.name), names.size());
    if (isNew) names.push_back({&d.name});
    return names[found->second];
  };
  for (const OldDictionary& d : old.dictionaries) {
    Sides& s = side(d);
    if (s.old == nullptr) s.old = &d;
  }
  for (const NewDictionary& d : new_.dictionaries) {
    Sides& s = side(d);
    if (s.new_ == nullptr) s.new_ = &d;
  }

  std::vector<DictionaryDiff> diffs;
  for (const Sides& s : names) {
    DictionaryDiff diff =
        compare(*s.name, words(s.old), words(s.new_), s.old != nullptr, s.new_ != nullptr);
    if (!diff.isEmpty()) diffs.push_back(std::move(diff));
  }
  return diffs;
}

}  // namespace

std::vector<DictionaryDiff> between(const UserDictionaryFile& old, const UserDictionaryFile& new_) {
  return betweenFiles(old, new_);
}
std::vector<DictionaryDiff> between(const EncodedUserDictionaryFile& old,
                                    const UserDictionaryFile& new_) {
  return betweenFiles(old, new_);
}
std::vector<DictionaryDiff> between(const UserDictionaryFile& old,
                                    const EncodedUserDictionaryFile& new_) {
  return betweenFiles(old, new_);
}
std::vector<DictionaryDiff> between(const EncodedUserDictionaryFile& old,
                                    const EncodedUserDictionaryFile& new_) {
  return betweenFiles(old, new_);
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
