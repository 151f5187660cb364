#include "model/dict_entry.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <unordered_set>

#include "allocation_counter.h"
#include "model/part_of_speech.h"

namespace {

const std::string composedGa = "ガ";
const std::string decomposedGa = "カ\u3099";

TEST(PartOfSpeech, TableRunsFromOneToFortyFourWithoutGaps) {
  const auto& all = PartOfSpeech::all();
  ASSERT_EQ(all.size(), 44u);
  for (std::size_t i = 0; i < all.size(); ++i)
    EXPECT_EQ(all[i].code, static_cast<std::int64_t>(i + 1));
  EXPECT_EQ(PartOfSpeech::defaultCode, 1);
}

TEST(PartOfSpeech, NamesAreTheIMEsOwn) {
  const char* const expected[] = {
      "名詞",         "短縮よみ",     "サジェストのみ", "固有名詞",     "人名",
      "姓",           "名",           "組織",           "地名",         "名詞サ変",
      "名詞形動",     "数",           "アルファベット", "記号",         "顔文字",
      "副詞",         "連体詞",       "接続詞",         "感動詞",       "接頭語",
      "助数詞",       "接尾一般",     "接尾人名",       "接尾地名",     "動詞ワ行五段",
      "動詞カ行五段", "動詞サ行五段", "動詞タ行五段",   "動詞ナ行五段", "動詞マ行五段",
      "動詞ラ行五段", "動詞ガ行五段", "動詞バ行五段",   "動詞ハ行四段", "動詞一段",
      "動詞カ変",     "動詞サ変",     "動詞ザ変",       "動詞ラ変",     "形容詞",
      "終助詞",       "句読点",       "独立語",         "抑制単語",
  };
  for (std::int64_t code = 1; code <= 44; ++code) {
    const std::string_view name = expected[code - 1];
    EXPECT_EQ(PartOfSpeech::name(code), name);
    EXPECT_EQ(PartOfSpeech::code(name), code) << name;
    std::string changed(name);
    changed.back() = static_cast<char>(changed.back() ^ 1);
    EXPECT_EQ(PartOfSpeech::code(changed), std::nullopt) << name;
    EXPECT_EQ(PartOfSpeech::code(std::string(name) + "X"), std::nullopt) << name;
  }
}

TEST(PartOfSpeech, CodesOutsideTheTableHaveNoName) {
  for (std::int64_t code :
       {std::int64_t{0}, std::int64_t{-1}, std::int64_t{45},
        std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()}) {
    EXPECT_EQ(PartOfSpeech::name(code), std::nullopt) << code;
  }
  EXPECT_EQ(PartOfSpeech::name(44), "抑制単語");
  EXPECT_EQ(PartOfSpeech::name(1), "名詞");
}

TEST(PartOfSpeech, NamesMatchOnlyWholeAndCanonicallyEqual) {
  EXPECT_EQ(PartOfSpeech::code("名詞"), 1);
  EXPECT_EQ(PartOfSpeech::code("名詞 "), std::nullopt);
  EXPECT_EQ(PartOfSpeech::code(" 名詞"), std::nullopt);
  EXPECT_EQ(PartOfSpeech::code("名"), 7);
  EXPECT_EQ(PartOfSpeech::code("noun"), std::nullopt);
  EXPECT_EQ(PartOfSpeech::code(""), std::nullopt);
  EXPECT_EQ(PartOfSpeech::code("動詞" + decomposedGa + "行五段"), 32);
  EXPECT_EQ(PartOfSpeech::code("動詞カ行五段"), 26);
  // Half-width katakana is only compatibility-equivalent: a different name.
  EXPECT_EQ(PartOfSpeech::code("ｻｼﾞｪｽﾄのみ"), std::nullopt);
}

TEST(DictEntry, EqualityCoversAllFourFieldsButKeyOnlyReadingAndWord) {
  const DictEntry base{"かんじ", "漢字", 1, "メモ"};
  const DictEntry otherComment{"かんじ", "漢字", 1, "別"};
  const DictEntry otherPos{"かんじ", "漢字", 2, "メモ"};
  const DictEntry otherWord{"かんじ", "感じ", 1, "メモ"};
  const DictEntry otherReading{"かんし", "漢字", 1, "メモ"};
  for (const DictEntry* other : {&otherComment, &otherPos}) {
    EXPECT_NE(base, *other);
    EXPECT_EQ(base.key(), other->key());
    EXPECT_TRUE(DictEntryKeyEqual{}(base, *other));
    EXPECT_EQ(DictEntryKeyHash{}(base), DictEntryKeyHash{}(*other));
  }
  for (const DictEntry* other : {&otherWord, &otherReading}) {
    EXPECT_NE(base, *other);
    EXPECT_NE(base.key(), other->key());
    EXPECT_FALSE(DictEntryKeyEqual{}(base, *other));
  }
  EXPECT_EQ((DictEntry{"よみ", "語", 5}), (DictEntry{"よみ", "語", 5, ""}));
}

TEST(DictEntry, KeyIsReadingTabWord) {
  EXPECT_EQ((DictEntry{"あ", "亜"}).key(), "あ\t亜");
  EXPECT_EQ((DictEntry{"", "亜"}).key(), "\t亜");
  EXPECT_EQ((DictEntry{"", ""}).key(), "\t");
}

TEST(DictEntry, CanonicallyEquivalentTextsMakeEqualEntriesWithEqualHashes) {
  const DictEntry composed{composedGa, composedGa + "ス", 3, composedGa};
  const DictEntry readingDecomposed{decomposedGa, composedGa + "ス", 3, composedGa};
  const DictEntry allDecomposed{decomposedGa, decomposedGa + "ス", 3, decomposedGa};
  for (const DictEntry* other : {&readingDecomposed, &allDecomposed}) {
    EXPECT_EQ(composed, *other);
    EXPECT_EQ(DictEntryHash{}(composed), DictEntryHash{}(*other));
    EXPECT_TRUE(DictEntryKeyEqual{}(composed, *other));
    EXPECT_EQ(DictEntryKeyHash{}(composed), DictEntryKeyHash{}(*other));
  }
  EXPECT_NE(composed, (DictEntry{"カ", composedGa + "ス", 3, composedGa}));

  std::unordered_set<DictEntry, DictEntryHash> set{composed};
  EXPECT_TRUE(set.contains(allDecomposed));
  std::unordered_set<DictEntry, DictEntryKeyHash, DictEntryKeyEqual> keys{composed};
  EXPECT_TRUE(keys.contains(DictEntry{decomposedGa, decomposedGa + "ス", 9, "other"}));
}

TEST(DictEntry, HashDiffersWhenAFieldMovesToAnother) {
  // Hashing in field order: swapped texts are different entries and should
  // not all collide.
  EXPECT_NE(DictEntryHash{}(DictEntry{"a", "b"}), DictEntryHash{}(DictEntry{"b", "a"}));
  EXPECT_NE(DictEntryHash{}(DictEntry{"a", "", 1, "b"}),
            DictEntryHash{}(DictEntry{"a", "b", 1, ""}));
  EXPECT_NE(DictEntryKeyHash{}(DictEntry{"a", "b"}), DictEntryKeyHash{}(DictEntry{"b", "a"}));
}

TEST(DictEntry, ComparingAndHashingInNormalFormDoesNotAllocate) {
  // Long enough to be out of the small-string buffer.
  const DictEntry a{"とうきょうとちよだく", "東京都千代田区", 9, "所在地のメモ、長めの注記"};
  const DictEntry same = a;
  const DictEntry other{"とうきょうとちよだく", "東京都千代田区", 9, "所在地のメモ、長めの注記。"};
  const DictEntry ascii{"tokyo-chiyoda-ku", "Tokyo Chiyoda-ku", 9, "a longer ascii comment"};
  // The first look at a script fills the normal-form table once.
  (void)DictEntryHash{}(a);
  (void)DictEntryHash{}(ascii);
  const long before = allocationCount();
  bool equal = a == same && !(a == other) && ascii == ascii;
  std::size_t hashes = DictEntryHash{}(a) ^ DictEntryHash {}(other) ^ DictEntryHash {}(ascii) ^
                       DictEntryKeyHash {}(a) ^ DictEntryKeyHash {}(ascii);
  equal = equal && DictEntryKeyEqual{}(a, other);
  const long after = allocationCount();
  EXPECT_TRUE(equal);
  EXPECT_NE(hashes, 0u);
  EXPECT_EQ(after - before, 0);
}

}  // namespace
