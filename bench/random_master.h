#pragma once

// A master of random words as people register them, for benchmarks of what the windows do with
// large masters.
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "master/master_format.h"
#include "platform/files.h"

namespace RandomMaster {

inline constexpr int files = 20;

inline std::vector<std::string> letters(std::string_view utf8) {
  std::vector<std::string> out;
  while (!utf8.empty()) {
    const auto lead = static_cast<unsigned char>(utf8[0]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    out.emplace_back(utf8.substr(0, length));
    utf8.remove_prefix(length);
  }
  return out;
}

inline std::string randomText(std::mt19937& random, const std::vector<std::string>& alphabet,
                              int least, int most) {
  std::string out;
  for (int n = least + static_cast<int>(random() % (most - least + 1)); n > 0; --n) {
    out += alphabet[random() % alphabet.size()];
  }
  return out;
}

// Words as people register them: hiragana readings, kanji and katakana words, one in ten a Latin
// name with capitals, a comment now and then.
inline void write(const std::filesystem::path& dir, int words) {
  static const auto hiragana = letters(
      "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわん"
      "がぎぐげござじずぜぞだでどばびぶべぼぱぴぷぺぽゃゅょっー");
  static const auto kanji = letters(
      "山川田中村本小林高橋佐藤伊藤渡辺加藤吉田山口松井清水森池野原石井東京都大阪府名古屋市"
      "株式会社研究所技術部課長様日本語入力辞書変換候補登録単語読");
  static const auto katakana = letters(
      "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン"
      "ガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポャュョッー");
  static const auto latin = letters("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  std::mt19937 random(static_cast<unsigned>(words));
  std::filesystem::create_directories(dir);
  for (int f = 0; f < files; ++f) {
    std::vector<DictEntry> entries;
    for (int i = 0; i < words / files; ++i) {
      DictEntry e;
      std::string number = std::to_string(f * (words / files) + i);
      number.insert(0, 7 - number.size(), '0');
      e.reading = randomText(random, hiragana, 2, 7) + number;
      const unsigned kind = random() % 10;
      e.word = randomText(random, kind == 0 ? latin : kind < 4 ? katakana : kanji, 1, 6);
      if (random() % 5 == 0) e.comment = randomText(random, kanji, 2, 8);
      entries.push_back(std::move(e));
    }
    platform::writeAtomically(dir / ("辞書" + std::to_string(f + 1) + ".txt"),
                              Master::text(entries));
  }
}

}  // namespace RandomMaster
