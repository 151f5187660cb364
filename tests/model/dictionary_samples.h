#pragma once

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "model/user_dictionary_file.h"

// Random dictionary files that stress the codec: empty, long and multi-byte
// texts, texts in decomposed form, disabled dictionaries, negative, extreme
// and absent versions, many dictionaries.
class DictionarySamples {
 public:
  explicit DictionarySamples(std::uint32_t seed) : random_(seed) {}

  UserDictionaryFile file() {
    UserDictionaryFile file;
    if (chance(3)) file.version = version();
    const int count = chance(20) ? below(120) : below(8);
    for (int i = 0; i < count; ++i) file.dictionaries.push_back(dictionary());
    return file;
  }

  UserDictionary dictionary() {
    UserDictionary dictionary;
    dictionary.id = chance(5)
                        ? pick<std::uint64_t>({0, 1, std::numeric_limits<std::uint64_t>::max()})
                        : std::uniform_int_distribution<std::uint64_t>()(random_);
    dictionary.enabled = !chance(3);
    do {
      dictionary.name = text();
    } while (dictionary.name.empty());
    const int count = chance(10) ? below(400) : below(30);
    for (int i = 0; i < count; ++i) dictionary.entries.push_back(entry());
    return dictionary;
  }

  DictEntry entry() {
    return DictEntry{text(), text(), 1 + below(44), chance(2) ? std::string() : text()};
  }

  std::string text() {
    static const std::vector<std::string> pieces = {
        "a",        "Z",        "0",  " ",    "\t",     "\n", std::string(1, '\0'),
        "\"",       "\\",       "'",  "\x7f", "あ",     "ん", "ガ",
        "カ\u3099", "ハ\u309A", "漢", "字",   "ー",     "・", "é",
        "e\u0301",  "ｶﾞ",       "😀",  "𠮷",   "\u212B", "한", "\u00C5",
    };
    const int length = chance(50) ? 100 + below(1500) : below(12);
    std::string text;
    for (int i = 0; i < length; ++i)
      text += pieces[static_cast<std::size_t>(below(static_cast<int>(pieces.size())))];
    return text;
  }

  std::int64_t version() {
    if (chance(3)) {
      return pick<std::int64_t>({0, -1, 1, std::numeric_limits<std::int64_t>::min(),
                                 std::numeric_limits<std::int64_t>::max()});
    }
    return std::uniform_int_distribution<std::int64_t>()(random_);
  }

  // True once in `n` times.
  bool chance(int n) { return below(n) == 0; }
  // 0 to n - 1.
  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

 private:
  template <class T>
  T pick(std::initializer_list<T> values) {
    return *(values.begin() + below(static_cast<int>(values.size())));
  }

  std::mt19937 random_;
};
