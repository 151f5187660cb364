#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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

// A word whose texts live in a buffer someone else keeps: what a reader that
// only compares words needs, without a copy of every text.
struct DictEntryView {
  std::string_view reading;
  std::string_view word;
  std::int64_t posCode = 1;
  std::string_view comment;

  DictEntryView() = default;
  DictEntryView(std::string_view reading, std::string_view word, std::int64_t posCode,
                std::string_view comment)
      : reading(reading), word(word), posCode(posCode), comment(comment) {}
  // Implicit: owned words compare and hash through their views.
  DictEntryView(const DictEntry& entry)  // NOLINT(google-explicit-constructor)
      : reading(entry.reading), word(entry.word), posCode(entry.posCode), comment(entry.comment) {}

  DictEntry owned() const {
    return {std::string(reading), std::string(word), posCode, std::string(comment)};
  }

  // By canonical equivalence, as DictEntry.
  friend bool operator==(const DictEntryView& a, const DictEntryView& b);
};

// Owned words and views of equal words hash alike.
struct DictEntryHash {
  std::size_t operator()(const DictEntryView& entry) const;
};

// Hash and equality of `key()` without building it.
struct DictEntryKeyHash {
  std::size_t operator()(const DictEntryView& entry) const;
};
struct DictEntryKeyEqual {
  bool operator()(const DictEntryView& a, const DictEntryView& b) const;
};
