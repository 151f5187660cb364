#include "platform/text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using platform::canonicalHash;
using platform::canonicallyEqual;
using platform::isQuickNfc;
using platform::nfc;

TEST(Text, ComposedAndDecomposedKanaAreOneText) {
  const std::string composed = "ガ";
  const std::string decomposed = "カ\u3099";
  EXPECT_TRUE(canonicallyEqual(composed, decomposed));
  EXPECT_EQ(canonicalHash(composed), canonicalHash(decomposed));
  EXPECT_EQ(nfc(decomposed), composed);
  EXPECT_FALSE(canonicallyEqual("ガ", "カ"));
}

TEST(Text, SingletonsAndExclusionsAreNotTakenAsNormalised) {
  EXPECT_FALSE(isQuickNfc("\u212B"));  // ANGSTROM SIGN becomes Å
  EXPECT_EQ(nfc("\u212B"), "\u00C5");
  EXPECT_FALSE(isQuickNfc("\u0958"));  // composition exclusion
  EXPECT_TRUE(canonicallyEqual("\u212B", "A\u030A"));
}

// Random texts over characters that interact under normalisation: whatever the
// quick check says must agree with full normalisation.
TEST(Text, QuickCheckAndHashAgreeWithFullNormalisation) {
  const std::vector<std::string> pieces = {
      "a",  "e",  "\u0301", "\u0300", "\u0323", "カ",     "\u3099", "\u309A", "ハ",     "ガ",
      "パ", "漢", "\u212B", "A",      "\u030A", "\u00C5", "한",     "\u1100", "\u1161", "\u11A8",
      "ｶ",  "ﾞ",  "Ａ",     "\u09C7", "\u09BE", "\u0958", "𠮷",     " ",      "\t"};
  std::mt19937 random(7);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> length(0, 6);
  for (int round = 0; round < 20000; ++round) {
    std::string a;
    std::string b;
    for (int i = length(random); i > 0; --i) a += pieces[pick(random)];
    for (int i = length(random); i > 0; --i) b += pieces[pick(random)];
    if (isQuickNfc(a)) {
      ASSERT_EQ(nfc(a), a) << a;
    }
    ASSERT_EQ(nfc(nfc(a)), nfc(a)) << a;
    ASSERT_EQ(canonicallyEqual(a, b), nfc(a) == nfc(b)) << a << " / " << b;
    ASSERT_EQ(canonicalHash(a), canonicalHash(nfc(a))) << a;
  }
}

std::string utf8(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

// The quick check answers without the normalisation tables for most Japanese
// text; a wrong "yes" would make two spellings of one word hash apart. Every
// BMP character, alone and before a combining voiced mark (which composes with
// kana), must be judged no better than full normalisation judges it.
TEST(Text, QuickCheckIsNeverWrongForAnyBmpCharacter) {
  for (char32_t cp = 1; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    for (const std::string& text : {utf8(cp), utf8(cp) + "\u3099"}) {
      if (isQuickNfc(text)) {
        ASSERT_EQ(nfc(text), text) << static_cast<unsigned>(cp);
      }
      ASSERT_EQ(canonicalHash(text), canonicalHash(nfc(text))) << static_cast<unsigned>(cp);
    }
  }
}

TEST(Text, StrictUtf8RefusesMalformedSequences) {
  EXPECT_TRUE(platform::isValidUtf8(""));
  EXPECT_TRUE(platform::isValidUtf8("よみ 𠮷 abc"));
  EXPECT_FALSE(platform::isValidUtf8("\xC0\x80"));          // overlong NUL
  EXPECT_FALSE(platform::isValidUtf8("\xE0\x80\xAF"));      // overlong "/"
  EXPECT_FALSE(platform::isValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(platform::isValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(platform::isValidUtf8("\xE3\x81"));          // truncated
  EXPECT_FALSE(platform::isValidUtf8("\x80"));              // lone continuation
  EXPECT_FALSE(platform::isValidUtf8("a\xFF"));
}

TEST(Text, TheFirstBadByteIsFoundWhereTheStrictCheckFails) {
  const struct {
    std::string text;
    std::size_t bad;
  } cases[] = {
      {"よみ 𠮷 abc", std::string::npos},
      {"ab\xC0\x80", 2},
      {"よ\xED\xA0\x80", 3},
      {"\xE3\x81", 0},
      {"あい\x80う", 6},
      {"a\nb\n\xFF", 4},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::firstInvalidUtf8(c.text), c.bad) << c.text;
}

// A name that no message could hold as it is must still show which file it is.
TEST(Text, PrintableShowsControlsAndBadBytesAsEscapes) {
  const std::pair<std::string, std::string> cases[] = {
      {"人名 (仕事)", "人名 (仕事)"},
      {"a\tb\nc\rd", "a\\tb\\nc\\rd"},
      {"bad\xFF.txt", "bad\\xFF.txt"},
      {"\xE3\x81"
       "あ",
       "\\xE3\\x81あ"},
      {std::string("\0\x1F\x7F", 3), "\\x00\\x1F\\x7F"},
      {"\u0085\u009F\u00A0", "\\u0085\\u009F\u00A0"},
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(platform::printable(text), shown) << shown;
}

TEST(Text, TrimmingTakesSpaceSeparatorsAndTabsButNotLineBreaks) {
  EXPECT_EQ(platform::trimSpaces("  \u3000辞書\u3000 "), "辞書");
  EXPECT_EQ(platform::trimSpaces("\t名 前\t"), "名 前");
  EXPECT_EQ(platform::trimSpaces("\n名前\n"), "\n名前\n");
  EXPECT_EQ(platform::trimSpaces("\u2003\u00A0"), "");
  EXPECT_EQ(platform::trimSpaces(""), "");
}

}  // namespace
