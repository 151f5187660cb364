#include "platform/text.h"

#include <utf8proc.h>

#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>

namespace platform {
namespace {

// Decodes one code point at `pos` strictly; returns -1 on malformed input.
int32_t decodeStrict(std::string_view s, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b0 = byte(pos);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int length;
  int32_t cp;
  int32_t minimum;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2, cp = b0 & 0x1F, minimum = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3, cp = b0 & 0x0F, minimum = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4, cp = b0 & 0x07, minimum = 0x10000;
  } else {
    return -1;
  }
  if (pos + length > s.size()) return -1;
  for (int i = 1; i < length; ++i) {
    const unsigned char b = byte(pos + i);
    if ((b & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  pos += length;
  return cp;
}

// utf8proc marks a code point that can be the second half of a canonical
// composition with the top bit of its composition index.
bool isCompositionSecond(const utf8proc_property_t* p) {
  return p->comb_index != UINT16_MAX && (p->comb_index & 0x8000) != 0;
}

bool isStableByItself(int32_t cp) {
  if (cp >= 0x1100 && cp <= 0x11FF) return false;  // Hangul jamo compose algorithmically
  if (cp >= 0xAC00 && cp <= 0xD7A3) return false;  // Hangul syllables take trailing jamo
  const utf8proc_property_t* p = utf8proc_get_property(cp);
  if (p->combining_class != 0 || isCompositionSecond(p)) return false;
  if (p->decomp_seqindex == UINT16_MAX) return true;
  // Singletons and composition exclusions change under NFC even on their own.
  utf8proc_int32_t out[8];
  utf8proc_ssize_t len = utf8proc_decompose_char(
      cp, out, 8, static_cast<utf8proc_option_t>(UTF8PROC_DECOMPOSE), nullptr);
  if (len < 0 || len > 8) return false;
  len = utf8proc_normalize_utf32(
      out, len, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
  return len == 1 && out[0] == cp;
}

// One bit per code point, "in NFC whatever its neighbours", computed lazily per
// block of 256 so that a short-lived process pays only for the scripts it meets.
class StableTable {
 public:
  bool isStable(int32_t cp) {
    if (cp < 0x300) return true;
    const std::size_t index = static_cast<std::size_t>(cp) >> 8;
    const Block* block = blocks_[index].load(std::memory_order_acquire);
    if (block == nullptr) {
      auto fresh = std::make_unique<Block>();
      const int32_t base = static_cast<int32_t>(index << 8);
      for (int i = 0; i < 256; ++i) fresh->set(i, isStableByItself(base + i));
      const Block* expected = nullptr;
      if (blocks_[index].compare_exchange_strong(expected, fresh.get(),
                                                 std::memory_order_acq_rel)) {
        block = fresh.release();
      } else {
        block = expected;
      }
    }
    return block->test(static_cast<std::size_t>(cp & 0xFF));
  }

 private:
  using Block = std::bitset<256>;
  std::array<std::atomic<const Block*>, 0x1100> blocks_{};
};

StableTable& stableTable() {
  static StableTable* table = new StableTable;  // intentionally immortal: used from static hashes
  return *table;
}

// True when every character is ASCII, hiragana U+3041–3096, katakana
// U+30A1–30FA, the long vowel mark U+30FC or a CJK ideograph U+4E00–9FFF: the
// texts a Japanese dictionary is mostly made of. None of them is a combining
// mark or the second half of a composition, and NFC maps each to itself, so
// such a text is in NFC without a look at the normalisation tables.
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

}  // namespace

std::size_t firstInvalidUtf8(std::string_view bytes) {
  if (isValidUtf8(bytes)) return std::string_view::npos;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t start = pos;
    if (decodeStrict(bytes, pos) < 0) return start;
  }
  return std::string_view::npos;
}

std::string printable(std::string_view bytes) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t start = pos;
    const int32_t cp = decodeStrict(bytes, pos);
    if (cp < 0) {
      const auto b = static_cast<unsigned char>(bytes[start]);
      out += "\\x";
      out += hex[b >> 4];
      out += hex[b & 0xF];
      pos = start + 1;
    } else if (cp == '\t') {
      out += "\\t";
    } else if (cp == '\n') {
      out += "\\n";
    } else if (cp == '\r') {
      out += "\\r";
    } else if (cp < 0x20 || cp == 0x7F) {
      out += "\\x";
      out += hex[cp >> 4];
      out += hex[cp & 0xF];
    } else if (cp >= 0x80 && cp <= 0x9F) {
      out += "\\u00";
      out += hex[cp >> 4];
      out += hex[cp & 0xF];
    } else {
      out.append(bytes.substr(start, pos - start));
    }
  }
  return out;
}

bool isQuickNfc(std::string_view utf8) {
  if (isPlainJapanese(utf8)) return true;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    if (static_cast<unsigned char>(utf8[pos]) < 0x80) {
      ++pos;
      continue;
    }
    const int32_t cp = decodeStrict(utf8, pos);
    if (cp < 0 || !stableTable().isStable(cp)) return false;
  }
  return true;
}

std::string nfc(std::string_view utf8) {
  if (isQuickNfc(utf8)) return std::string(utf8);
  utf8proc_uint8_t* out = nullptr;
  const utf8proc_ssize_t n =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(utf8.data()),
                   static_cast<utf8proc_ssize_t>(utf8.size()), &out,
                   static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
  if (n < 0) return std::string(utf8);
  std::string result(reinterpret_cast<const char*>(out), static_cast<std::size_t>(n));
  std::free(out);
  return result;
}

bool canonicallyEqual(std::string_view a, std::string_view b) {
  if (a == b) return true;
  if (isQuickNfc(a) && isQuickNfc(b)) return false;
  return nfc(a) == nfc(b);
}

std::size_t canonicalHash(std::string_view utf8) {
  if (isQuickNfc(utf8)) return std::hash<std::string_view>{}(utf8);
  return std::hash<std::string>{}(nfc(utf8));
}

std::string trimSpaces(std::string_view utf8) {
  const auto isTrimmed = [](int32_t cp) {
    return cp == '\t' || utf8proc_category(cp) == UTF8PROC_CATEGORY_ZS;
  };
  std::size_t begin = 0;
  std::size_t end = utf8.size();
  while (begin < end) {
    std::size_t next = begin;
    const int32_t cp = decodeStrict(utf8, next);
    if (cp < 0 || !isTrimmed(cp)) break;
    begin = next;
  }
  while (end > begin) {
    std::size_t start = end - 1;
    while (start > begin && (static_cast<unsigned char>(utf8[start]) & 0xC0) == 0x80) --start;
    std::size_t probe = start;
    const int32_t cp = decodeStrict(utf8, probe);
    if (cp < 0 || probe != end || !isTrimmed(cp)) break;
    end = start;
  }
  return std::string(utf8.substr(begin, end - begin));
}

}  // namespace platform
