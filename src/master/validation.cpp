#include "master/validation.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "master/entry_index.h"
#include "model/part_of_speech.h"
#include "model/user_dictionary_file.h"
#include "platform/ime_platform.h"
#include "platform/text.h"

namespace Validation {
namespace {

std::string posName(std::int64_t code) {
  return std::string(PartOfSpeech::name(code).value_or("?"));
}

bool hasControlCharacter(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x20 || b == 0x7F) return true;
    // U+0080–U+009F
    if (b == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
      return true;
    }
  }
  return false;
}

// Mozc's own limit on a dictionary name, in bytes.
constexpr std::size_t longestName = 300;

// A dictionary name comes from a file name, which may hold bytes that are not
// UTF-8 and characters that Mozc refuses in a name. Written into the IME
// file, such a name would make every later reflect fail.
std::optional<std::string> nameProblem(std::string_view name) {
  if (!platform::isValidUtf8(name)) {
    return "ファイル名が UTF-8 ではないので、辞書の名前にできません。ファイル名を変えてください";
  }
  if (hasControlCharacter(name)) {
    return "ファイル名にタブや改行などの制御文字があるので、辞書の名前にできません。"
           "ファイル名を変えてください";
  }
  if (name.size() > longestName) {
    return PlatformWords::join({"名前が長すぎて", platformWords().ime,
                                "の辞書の名前にできません（" + std::to_string(longestName) +
                                    " バイトまで）。ファイル名を変えてください"});
  }
  return std::nullopt;
}

// What the run knows about one key.
struct Seen {
  std::uint32_t entry;            // the first entry with this key in `dictionary`
  std::uint32_t dictionary;       // the dictionary that `entry` belongs to
  std::uint32_t firstDictionary;  // the first dictionary holding the key at all
};

DictEntryView wordOf(const DictEntry& entry) {
  return entry;
}
DictEntryView wordOf(std::string_view message) {
  return EncodedUserDictionaryFile::entry(message);
}

template <class Dictionary>
std::vector<ValidationIssue> checkAll(const std::vector<Dictionary>& dictionaries,
                                      std::vector<IgnoredWord>& ignored) {
  using Level = ValidationIssue::Level;
  std::vector<ValidationIssue> issues;
  std::size_t total = 0;
  for (const Dictionary& d : dictionaries) total += d.entries.size();

  // One record per key. Dictionaries are taken in order, so the record's
  // entry is this dictionary's first with the key exactly when its
  // dictionary is this one.
  std::vector<Seen> seen;
  seen.reserve(total);
  EntryIndex index(total);

  // Keys are hashed a few words ahead and their slots asked for, so that a
  // table larger than the processor's cache does not stall every lookup.
  constexpr std::size_t ahead = 16;
  std::array<std::size_t, ahead> upcoming{};
  std::array<DictEntryView, ahead> upcomingWords{};
  std::size_t hashed = 0;
  std::size_t nextDictionary = 0;
  std::size_t nextEntry = 0;
  const auto hashNext = [&] {
    while (nextDictionary < dictionaries.size() &&
           nextEntry == dictionaries[nextDictionary].entries.size()) {
      ++nextDictionary;
      nextEntry = 0;
    }
    if (nextDictionary == dictionaries.size()) return;
    const DictEntryView word = wordOf(dictionaries[nextDictionary].entries[nextEntry++]);
    const std::size_t hash = DictEntryKeyHash{}(word);
    upcomingWords[hashed % ahead] = word;
    upcoming[hashed++ % ahead] = hash;
    index.prefetch(hash);
  };
  for (std::size_t i = 0; i < ahead; ++i) hashNext();

  std::size_t at = 0;
  for (std::uint32_t current = 0; current < dictionaries.size(); ++current) {
    const Dictionary& dictionary = dictionaries[current];
    // Its words can never reach the IME, so they are not looked at; the
    // name is shown so that any message can carry it.
    if (std::optional<std::string> problem = nameProblem(dictionary.name)) {
      issues.push_back({Level::error, platform::printable(dictionary.name), std::move(*problem)});
      for (std::size_t i = 0; i < dictionary.entries.size(); ++i) {
        ++at;
        hashNext();
      }
      continue;
    }
    std::size_t line = 0;
    for (std::size_t i = 0; i < dictionary.entries.size(); ++i) {
      ++line;
      const DictEntryView entry = upcomingWords[at % ahead];
      const std::size_t hash = upcoming[at++ % ahead];
      hashNext();
      if (entry.reading.empty() || entry.word.empty()) {
        issues.push_back({Level::error, dictionary.name,
                          "よみか単語が空の語があります（よみ「" + std::string(entry.reading) +
                              "」単語「" + std::string(entry.word) + "」）"});
        continue;
      }
      if (const std::optional<ImeRules::Problem> problem = ImeRules::problem(entry)) {
        ignored.push_back({dictionary.name, line, entry.owned(), *problem});
        issues.push_back({Level::warning, dictionary.name, ignored.back().message()});
      }
      const auto recorded = [&](const Seen& record) {
        return wordOf(dictionaries[record.dictionary].entries[record.entry]);
      };
      const std::size_t found = index.find(hash, [&](std::size_t position) {
        return DictEntryKeyEqual{}(recorded(seen[position]), entry);
      });
      const auto position = static_cast<std::uint32_t>(line - 1);
      if (found == EntryIndex::none) {
        index.insert(hash, seen.size());
        seen.push_back({position, current, current});
        continue;
      }
      Seen& record = seen[found];
      if (record.dictionary == current) {
        const std::string before = posName(recorded(record).posCode);
        const std::string now = posName(entry.posCode);
        issues.push_back({Level::error, dictionary.name,
                          std::string(entry.reading) + " → " + std::string(entry.word) + ": " +
                              (before == now ? "同じ語が 2つあります"
                                             : "同じ語が品詞違いで 2つあります（" + before + "・" +
                                                   now + "）")});
      } else {
        record.entry = position;
        record.dictionary = current;
      }
      const std::string& firstName = dictionaries[record.firstDictionary].name;
      if (record.firstDictionary != current &&
          !platform::canonicallyEqual(firstName, dictionary.name)) {
        issues.push_back({Level::warning, dictionary.name,
                          std::string(entry.reading) + " → " + std::string(entry.word) +
                              ": 辞書「" + firstName + "」にもあります"});
      }
    }
  }
  return issues;
}

}  // namespace

std::vector<ValidationIssue> check(const std::vector<MasterDictionary>& dictionaries) {
  std::vector<IgnoredWord> ignored;
  return check(dictionaries, ignored);
}

std::vector<ValidationIssue> check(const std::vector<MasterDictionary>& dictionaries,
                                   std::vector<IgnoredWord>& ignored) {
  return checkAll(dictionaries, ignored);
}

std::vector<ValidationIssue> check(const EncodedMaster& master, std::vector<IgnoredWord>& ignored) {
  return checkAll(master.dictionaries, ignored);
}

}  // namespace Validation
