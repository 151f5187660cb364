#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

// One word of a user dictionary. Texts compare by canonical equivalence, so an
// entry read from the IME file and one typed on another computer in another
// normalisation form are the same word.
struct DictEntry {
  std::string reading;
  std::string word;
  std::int64_t posCode = 1;
  std::string comment;

  DictEntry() = default;
  // Spelled out so that emplace_back(reading, word, ...) builds with every
  // compiler, not only those with parenthesised aggregate initialisation.
  DictEntry(std::string reading, std::string word, std::int64_t posCode = 1,
            std::string comment = {})
      : reading(std::move(reading)),
        word(std::move(word)),
        posCode(posCode),
        comment(std::move(comment)) {}

  // reading, TAB, word: names the same word regardless of part of speech and comment.
  std::string key() const;

  friend bool operator==(const DictEntry& a, const DictEntry& b);
};

struct DictEntryHash {
  std::size_t operator()(const DictEntry& entry) const;
};

// Hash and equality of `key()` without building it.
struct DictEntryKeyHash {
  std::size_t operator()(const DictEntry& entry) const;
};
struct DictEntryKeyEqual {
  bool operator()(const DictEntry& a, const DictEntry& b) const;
};
