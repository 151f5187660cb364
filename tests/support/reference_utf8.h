#pragma once

#include <string_view>

// A strict UTF-8 check written the plain way, one character at a time: the
// reference the fast validator is held to.
inline bool referenceIsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char b0 = static_cast<unsigned char>(s[i]);
    int length = 1;
    char32_t cp = b0;
    char32_t minimum = 0;
    if (b0 >= 0x80) {
      if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2, cp = b0 & 0x1F, minimum = 0x80;
      } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3, cp = b0 & 0x0F, minimum = 0x800;
      } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4, cp = b0 & 0x07, minimum = 0x10000;
      } else {
        return false;
      }
      if (i + length > s.size()) return false;
      for (int k = 1; k < length; ++k) {
        const unsigned char b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (b & 0x3F);
      }
      if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    }
    i += static_cast<std::size_t>(length);
  }
  return true;
}
