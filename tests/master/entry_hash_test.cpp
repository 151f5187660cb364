#include "master/entry_hash.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/text.h"

namespace {

std::string utf8(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

TEST(QuickCanonicalHash, IsTheCanonicalHashForEveryText) {
  // Every BMP character alone and next to a combining voiced mark, which
  // composes with kana.
  for (char32_t cp = 1; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const std::string alone = utf8(cp);
    ASSERT_EQ(quickCanonicalHash(alone), platform::canonicalHash(alone))
        << static_cast<unsigned>(cp);
    const std::string marked = alone + "\xE3\x82\x99";
    ASSERT_EQ(quickCanonicalHash(marked), platform::canonicalHash(marked))
        << static_cast<unsigned>(cp);
  }
  std::mt19937 random(5);
  const std::vector<std::string> pieces{
      "か",           "\xE3\x82\x99",     "亜",   "ア",      "ー", "a", "\xCC\x81", "\xEF\xBC\xA1",
      "\xE3\x80\x80", "\xF0\x9F\x99\x82", "\xFF", "\xE3\x81"};
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    for (std::size_t n = random() % 8; n > 0; --n) text += pieces[random() % pieces.size()];
    ASSERT_EQ(quickCanonicalHash(text), platform::canonicalHash(text)) << text;
  }
  const DictEntry composed{"が", "ガ", 1, "が"};
  const DictEntry decomposed{"か\xE3\x82\x99", "カ\xE3\x82\x99", 1, "か\xE3\x82\x99"};
  EXPECT_EQ(QuickEntryHash{}(composed), QuickEntryHash{}(decomposed));
  EXPECT_EQ(QuickEntryHash{}(composed), DictEntryHash{}(composed));
  EXPECT_EQ(QuickKeyHash{}(composed), DictEntryKeyHash{}(decomposed));
}

}  // namespace
