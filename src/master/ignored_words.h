#pragma once

#include <cstddef>
#include <string>

#include "model/dict_entry.h"
#include "model/ime_rules.h"

// A word of the master that the IME will not offer: where it is and why.
struct IgnoredWord {
  std::string dictionary;
  std::size_t line = 0;  // in the dictionary's master file, from 1
  DictEntry entry;
  ImeRules::Problem problem;

  bool operator==(const IgnoredWord&) const = default;

  // "12行目 かんじ → 漢字: Mozc では使われません（よみに使えない文字「漢」があります）"
  std::string message() const;
};
