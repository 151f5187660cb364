#include "master/ignored_words.h"

#include "platform/ime_platform.h"

std::string IgnoredWord::message() const {
  return std::to_string(line) + "行目 " + entry.reading + " → " + entry.word + ": " +
         PlatformWords::join({platformWords().ime, "では使われません（" + problem.reason() + "）"});
}

namespace IgnoredWords {

std::vector<IgnoredWord> find(const std::vector<MasterDictionary>& dictionaries) {
  std::vector<IgnoredWord> found;
  for (const MasterDictionary& dictionary : dictionaries) {
    // Each entry is one line of its file, in order.
    std::size_t line = 0;
    for (const DictEntry& entry : dictionary.entries) {
      ++line;
      if (const std::optional<ImeRules::Problem> problem = ImeRules::problem(entry)) {
        found.push_back({dictionary.name, line, entry, *problem});
      }
    }
  }
  return found;
}

}  // namespace IgnoredWords
