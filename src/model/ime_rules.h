#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "model/dict_entry.h"

// What the IME does with a user dictionary entry. Its converter loads every
// entry of the file but quietly passes over those it cannot hold, and an entry
// whose reading has characters a user cannot type is never offered either;
// the IME's own dictionary tools refuse both. Such a word stays in the file
// (the IME's tools keep it there too), so a person must be told.
namespace ImeRules {

// Longest reading, word and comment the converter takes, in UTF-8 bytes.
inline constexpr std::size_t maxFieldBytes = 300;

enum class Field { reading, word, comment };

// Why the IME will not offer an entry.
struct Problem {
  enum class Kind {
    empty,             // no reading, or no word
    tooLong,           // over maxFieldBytes
    lineBreak,         // CR, LF or TAB
    readingCharacter,  // a character the IME does not take in a reading
  };
  Kind kind = Kind::empty;
  Field field = Field::reading;
  std::size_t bytes = 0;   // tooLong: the field's length
  char32_t character = 0;  // readingCharacter: the first such character

  bool operator==(const Problem&) const = default;

  // "よみに使えない文字「漢」があります"
  std::string reason() const;
};

// The first reason, in the order the IME checks, or nothing when it offers the entry.
std::optional<Problem> problem(const DictEntryView& entry);

// The warning the entry sheet shows before the word is saved, or nothing. Nothing either for an
// entry the sheet's own errors refuse (empty, TAB, line feed): one message per fault is enough.
std::optional<std::string> sheetWarning(const DictEntry& entry);

}  // namespace ImeRules
