#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "app/entry_check.h"
#include "app/entry_row.h"
#include "app/word_change.h"
#include "model/dict_entry.h"

class AppModel;

// What the word sheet holds: the texts as typed, the part of speech and the dictionary chosen.
struct EntryDraft {
  std::string reading;
  std::string word;
  std::int64_t posCode = 2;
  std::string comment;
  // Empty until one is chosen.
  std::string dictionary;

  bool operator==(const EntryDraft&) const = default;

  // The row's word and dictionary; for a new word empty texts, 短縮よみ and the target's
  // dictionary.
  static EntryDraft from(const EditTarget& target);

  // The word as it is saved: the three texts without surrounding spaces and tabs.
  DictEntry entry() const;

  // What stops or warns before saving: the model's checks of `entry()`, then what a master
  // line cannot hold that the model lets through (a lone carriage return, a leading byte-order
  // mark), then a missing dictionary. Each message once, errors first; a warning that is also
  // an error is left out.
  EntryProblems problems(const AppModel& model, const std::optional<EntryRow>& row) const;

  // Saving does something: a new word, or a change of the row's word or dictionary.
  bool differsFrom(const std::optional<EntryRow>& row) const;

  // The change that saves it: an edit of `row`, or the new word added.
  WordChange::Change change(const std::optional<EntryRow>& row) const;
};

// The parts of speech offered first, in this order: 短縮よみ, 名詞, 固有名詞, 人名, 地名, 組織,
// サジェストのみ, 抑制単語.
inline constexpr std::array<std::int64_t, 8> frequentPosCodes{2, 1, 4, 5, 9, 8, 3, 44};
