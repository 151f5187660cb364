#include "app/word_search.h"

#include <utf8proc.h>

#include <bitset>
#include <cstdint>

#include "platform/text.h"

namespace WordSearch {

namespace {

// Full lower-casing differs from the one-to-one mapping in a single unconditional case: İ.
constexpr utf8proc_int32_t dottedCapitalI = 0x130;

bool changesWhenLowered(utf8proc_int32_t cp) {
  return cp == dottedCapitalI || utf8proc_tolower(cp) != cp;
}

// Which blocks of 64 code points of the basic plane hold a letter that lower-casing changes.
const std::bitset<1024>& casedBlocks() {
  static const std::bitset<1024> blocks = [] {
    std::bitset<1024> found;
    for (utf8proc_int32_t cp = 0; cp < 0x10000; ++cp) {
      if (utf8proc_codepoint_valid(cp) && changesWhenLowered(cp)) found.set(cp >> 6);
    }
    return found;
  }();
  return blocks;
}

}  // namespace

std::string key(std::string_view query) {
  return lowered(platform::trimSpaces(query));
}

void appendLowered(std::string_view text, std::string& out) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
  utf8proc_ssize_t i = 0;
  while (i < size) {
    const unsigned char byte = bytes[i];
    if (byte < 0x80) {
      out.push_back(static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte));
      ++i;
      continue;
    }
    utf8proc_int32_t cp = 0;
    const utf8proc_ssize_t length = utf8proc_iterate(bytes + i, size - i, &cp);
    if (length <= 0) {
      out.push_back(static_cast<char>(byte));
      ++i;
      continue;
    }
    if (cp == dottedCapitalI) {
      out.append("i\xCC\x87");
    } else {
      utf8proc_uint8_t encoded[4];
      const utf8proc_ssize_t written = utf8proc_encode_char(utf8proc_tolower(cp), encoded);
      out.append(reinterpret_cast<const char*>(encoded), static_cast<std::size_t>(written));
    }
    i += length;
  }
}

std::string lowered(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  appendLowered(text, out);
  return out;
}

bool mayChangeWhenLowered(std::string_view text) {
  const std::bitset<1024>& blocks = casedBlocks();
  const std::size_t size = text.size();
  std::size_t i = 0;
  while (i < size) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    std::size_t block = 0;
    if (byte < 0x80) {
      if (byte >= 'A' && byte <= 'Z') return true;
      ++i;
      continue;
    }
    if (byte >= 0xC0 && byte < 0xE0) {
      block = byte & 0x1F;
      i += 2;
    } else if (byte >= 0xE0 && byte < 0xF0 && i + 1 < size) {
      block = ((byte & 0x0F) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F);
      i += 3;
    } else {
      // Beyond the basic plane, or not UTF-8: let the full lowering decide.
      return true;
    }
    if (blocks[block]) return true;
  }
  return false;
}

}  // namespace WordSearch
