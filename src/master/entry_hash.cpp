#include "master/entry_hash.h"

#include <functional>

#include "platform/text.h"

namespace {

// True when every character is ASCII, hiragana U+3041–3096, katakana
// U+30A1–30FA, the long vowel mark U+30FC or a CJK ideograph U+4E00–9FFF.
// None of them is a combining mark or the second half of a composition, and
// NFC maps each to itself.
bool isPlainJapanese(std::string_view utf8) {
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char b = s[i];
    if (b < 0x80) {
      ++i;
      continue;
    }
    if (i + 2 >= n || (s[i + 1] & 0xC0) != 0x80 || (s[i + 2] & 0xC0) != 0x80) return false;
    const unsigned cp = (static_cast<unsigned>(b & 0x0F) << 12) |
                        (static_cast<unsigned>(s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
    const bool plain = (b >= 0xE4 && b <= 0xE9) ||  // U+4000–9FFF, ideographs from U+4E00
                       (b == 0xE3 && ((cp >= 0x3041 && cp <= 0x3096) ||
                                      (cp >= 0x30A1 && cp <= 0x30FA) || cp == 0x30FC));
    if (!plain || (b == 0xE4 && cp < 0x4E00)) return false;
    i += 3;
  }
  return true;
}

std::size_t combine(std::size_t seed, std::size_t value) {
  return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

}  // namespace

std::size_t quickCanonicalHash(std::string_view utf8) {
  if (isPlainJapanese(utf8)) return std::hash<std::string_view>{}(utf8);
  return platform::canonicalHash(utf8);
}

std::size_t QuickEntryHash::operator()(const DictEntry& entry) const {
  std::size_t seed = quickCanonicalHash(entry.reading);
  seed = combine(seed, quickCanonicalHash(entry.word));
  seed = combine(seed, std::hash<std::int64_t>{}(entry.posCode));
  return combine(seed, quickCanonicalHash(entry.comment));
}

std::size_t QuickKeyHash::operator()(const DictEntry& entry) const {
  return combine(quickCanonicalHash(entry.reading), quickCanonicalHash(entry.word));
}
