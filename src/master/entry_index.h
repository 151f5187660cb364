#pragma once

#include <cstddef>

#include "model/dict_entry.h"

// Hash-table keys that point at entries held elsewhere and carry their hash,
// so that each entry is hashed once however many tables it is looked up in.
struct HashedEntry {
  const DictEntry* entry = nullptr;
  std::size_t hash = 0;
};

struct HashedEntryHash {
  std::size_t operator()(const HashedEntry& e) const { return e.hash; }
};

// Same word: reading and word canonically equal.
struct HashedEntrySameKey {
  bool operator()(const HashedEntry& a, const HashedEntry& b) const {
    return DictEntryKeyEqual{}(*a.entry, *b.entry);
  }
};

// Equal in all four fields.
struct HashedEntryEqual {
  bool operator()(const HashedEntry& a, const HashedEntry& b) const { return *a.entry == *b.entry; }
};
