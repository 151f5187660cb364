#pragma once

#include <cstddef>
#include <string_view>

#include "model/dict_entry.h"

// Hashes consistent with DictEntry's canonical equality, like DictEntryHash
// and DictEntryKeyHash, with a fast path for the texts a Japanese dictionary
// is made of: ASCII, kana and the common ideographs are in NFC whatever
// surrounds them, so their bytes are hashed without a look at the
// normalisation tables.
std::size_t quickCanonicalHash(std::string_view utf8);

struct QuickEntryHash {
  std::size_t operator()(const DictEntry& entry) const;
};

struct QuickKeyHash {
  std::size_t operator()(const DictEntry& entry) const;
};
