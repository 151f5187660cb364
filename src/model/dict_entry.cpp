#include "model/dict_entry.h"

#include <functional>

#include "platform/text.h"

namespace {

std::size_t combine(std::size_t seed, std::size_t value) {
  return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

}  // namespace

std::string DictEntry::key() const {
  std::string key;
  key.reserve(reading.size() + 1 + word.size());
  key.append(reading);
  key.push_back('\t');
  key.append(word);
  return key;
}

bool operator==(const DictEntry& a, const DictEntry& b) {
  return DictEntryView(a) == DictEntryView(b);
}

bool operator==(const DictEntryView& a, const DictEntryView& b) {
  return a.posCode == b.posCode && platform::canonicallyEqual(a.reading, b.reading) &&
         platform::canonicallyEqual(a.word, b.word) &&
         platform::canonicallyEqual(a.comment, b.comment);
}

std::size_t DictEntryHash::operator()(const DictEntryView& entry) const {
  std::size_t seed = platform::canonicalHash(entry.reading);
  seed = combine(seed, platform::canonicalHash(entry.word));
  seed = combine(seed, std::hash<std::int64_t>{}(entry.posCode));
  return combine(seed, platform::canonicalHash(entry.comment));
}

std::size_t DictEntryKeyHash::operator()(const DictEntryView& entry) const {
  return combine(platform::canonicalHash(entry.reading), platform::canonicalHash(entry.word));
}

bool DictEntryKeyEqual::operator()(const DictEntryView& a, const DictEntryView& b) const {
  return platform::canonicallyEqual(a.reading, b.reading) &&
         platform::canonicallyEqual(a.word, b.word);
}
