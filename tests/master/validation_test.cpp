#include "master/validation.h"

#include <gtest/gtest.h>

#include "master/master_format.h"
#include "master_test_support.h"
#include "platform/ime_platform.h"

namespace {

using Level = ValidationIssue::Level;

TEST(Validation, EmptyReadingOrWordIsAnErrorAndNothingElse) {
  const std::vector<ValidationIssue> issues = Validation::check(
      {{"A", {{"あ", "", 1, ""}, {"あ", "", 1, ""}}}, {"B", {{"", "亜", 1, ""}}}});
  const std::vector<ValidationIssue> expected{
      {Level::error, "A", "よみか単語が空の語があります（よみ「あ」単語「」）"},
      {Level::error, "A", "よみか単語が空の語があります（よみ「あ」単語「」）"},
      {Level::error, "B", "よみか単語が空の語があります（よみ「」単語「亜」）"}};
  EXPECT_EQ(issues, expected);
  EXPECT_TRUE(Validation::check({}).empty());
  EXPECT_TRUE(Validation::check({{"A", {}}}).empty());
}

TEST(Validation, DuplicatesInOneDictionaryCompareWithTheFirstOccurrence) {
  EXPECT_EQ(Validation::check({{"A", {{"あ", "亜", 1, ""}, {"あ", "亜", 1, "別"}}}}),
            (std::vector<ValidationIssue>{{Level::error, "A", "あ → 亜: 同じ語が 2つあります"}}));
  EXPECT_EQ(
      Validation::check({{"A", {{"あ", "亜", 1, ""}, {"あ", "亜", 5, ""}, {"あ", "亜", 9, ""}}}}),
      (std::vector<ValidationIssue>{
          {Level::error, "A", "あ → 亜: 同じ語が品詞違いで 2つあります（名詞・人名）"},
          {Level::error, "A", "あ → 亜: 同じ語が品詞違いで 2つあります（名詞・地名）"}}));
  // Codes outside the table all read "?", so they are the same part of speech.
  EXPECT_EQ(
      Validation::check({{"A", {{"あ", "亜", 0, ""}, {"あ", "亜", 99, ""}, {"あ", "亜", 1, ""}}}}),
      (std::vector<ValidationIssue>{
          {Level::error, "A", "あ → 亜: 同じ語が 2つあります"},
          {Level::error, "A", "あ → 亜: 同じ語が品詞違いで 2つあります（?・名詞）"}}));
  // Keys compare by canonical equivalence.
  EXPECT_EQ(Validation::check({{"A", {{"が", "ガ", 1, ""}, {"が", decomposedGa, 1, ""}}}}).size(),
            1u);
}

TEST(Validation, TheSameWordInLaterDictionariesIsAWarningNamingTheFirst) {
  const DictEntry a{"あ", "亜", 1, ""};
  EXPECT_EQ(
      Validation::check({{"A", {a}}, {"B", {a}}, {"C", {a}}}),
      (std::vector<ValidationIssue>{{Level::warning, "B", "あ → 亜: 辞書「A」にもあります"},
                                    {Level::warning, "C", "あ → 亜: 辞書「A」にもあります"}}));
  EXPECT_EQ(
      Validation::check({{"A", {a}}, {"B", {{"い", "胃", 1, ""}, a, a}}}),
      (std::vector<ValidationIssue>{{Level::warning, "B", "あ → 亜: 辞書「A」にもあります"},
                                    {Level::error, "B", "あ → 亜: 同じ語が 2つあります"},
                                    {Level::warning, "B", "あ → 亜: 辞書「A」にもあります"}}));
  // Two dictionaries whose names are the same text in other forms are one.
  EXPECT_EQ(Validation::check({{"ガ", {a}}, {decomposedGa, {{"あ", "亜", 1, "x"}}}}).size(), 0u);
}

TEST(Validation, WordsTheImeWillNotOfferAreWarningsNamingTheirLine) {
  ScopedPlatformWords linux(ImePlatform::mozc().words);
  const DictEntry kanji{"漢字", "感じ", 1, ""};
  const std::vector<ValidationIssue> issues = Validation::check(
      {{"A", {{"あ", "亜", 1, ""}, kanji}},
       {"B", {{"", "空", 1, ""}, {"い", "胃", 1, std::string(301, 'c')}, kanji, kanji}}});
  const std::string kanjiReason =
      "漢字 → 感じ: Mozc では使われません（よみに使えない文字「漢」があります）";
  EXPECT_EQ(issues, (std::vector<ValidationIssue>{
                        {Level::warning, "A", "2行目 " + kanjiReason},
                        // An empty word is an error already, and nothing more.
                        {Level::error, "B", "よみか単語が空の語があります（よみ「」単語「空」）"},
                        {Level::warning, "B",
                         "2行目 い → 胃: Mozc では使われません（コメントが 301 バイトで、300 "
                         "バイトを超えています）"},
                        {Level::warning, "B", "3行目 " + kanjiReason},
                        {Level::warning, "B", "漢字 → 感じ: 辞書「A」にもあります"},
                        {Level::warning, "B", "4行目 " + kanjiReason},
                        {Level::error, "B", "漢字 → 感じ: 同じ語が 2つあります"},
                        {Level::warning, "B", "漢字 → 感じ: 辞書「A」にもあります"}}));
}

// A name comes from a file name; one Mozc cannot hold would be written into
// its file and break every later reflect.
TEST(Validation, ANameMozcCannotHoldIsAnErrorNamedPrintably) {
  const std::string notUtf8 =
      "ファイル名が UTF-8 ではないので、辞書の名前にできません。ファイル名を変えてください";
  const std::string control =
      "ファイル名にタブや改行などの制御文字があるので、辞書の名前にできません。"
      "ファイル名を変えてください";
  const std::string tooLong =
      "名前が長すぎて Mozc の辞書の名前にできません（300 バイトまで）。ファイル名を変えてください";
  const struct {
    std::string name;
    std::string shown;
    std::string message;
  } cases[] = {
      {"bad\xFF", "bad\\xFF", notUtf8},
      {"半分\xE3\x81", "半分\\xE3\\x81", notUtf8},
      {"a\tb", "a\\tb", control},
      {"a\nb", "a\\nb", control},
      {"a\rb", "a\\rb", control},
      {"a\x01", "a\\x01", control},
      {"a\x7F", "a\\x7F", control},
      {"a\u0085", "a\\u0085", control},
      {std::string(301, 'a'), std::string(301, 'a'), tooLong},
  };
  const DictEntry a{"あ", "亜", 1, ""};
  for (const auto& c : cases) {
    // Its words are not looked at: they cannot reach the IME anyway.
    EXPECT_EQ(Validation::check({{c.name, {a, a, {"", "空", 1, ""}}}, {"B", {a}}}),
              (std::vector<ValidationIssue>{{Level::error, c.shown, c.message}}))
        << c.shown;
  }
  for (const std::string& name :
       {std::string("人名 (仕事)"), std::string("a\u00A0b"), std::string(300, 'a')}) {
    EXPECT_TRUE(Validation::check({{name, {a}}}).empty()) << name;
  }
}

// The reflect checks the master with its words still encoded: the findings
// and the words the IME will not offer must be those of the decoded words.
TEST(Validation, EncodedWordsGiveTheSameFindings) {
  const DictEntry a{"あ", "亜", 1, ""};
  const DictEntry kanji{"漢字", "感じ", 1, ""};
  const std::vector<std::vector<MasterDictionary>> masters = {
      {{"A", {{"あ", "", 1, ""}, {"あ", "", 1, ""}}}, {"B", {{"", "亜", 1, ""}}}},
      {{"A", {a, {"あ", "亜", 5, ""}, {"あ", "亜", 9, ""}, {"が", decomposedGa, 1, ""}}}},
      {{"A", {a}}, {"B", {{"い", "胃", 1, ""}, a, a}}, {"C", {a}}},
      {{"ガ", {a}}, {decomposedGa, {{"あ", "亜", 1, "x"}}}},
      {{"A", {a, kanji}},
       {"B", {{"", "空", 1, ""}, {"い", "胃", 1, std::string(301, 'c')}, kanji, kanji}}},
      {{"bad\xFF", {a, a}}, {"a\tb", {a}}, {"B", {a, kanji}}},
  };
  for (std::size_t i = 0; i < masters.size(); ++i) {
    SCOPED_TRACE("master " + std::to_string(i));
    EncodedMaster encoded;
    for (const MasterDictionary& d : masters[i]) {
      encoded.add(d.name, Master::text(d.entries), d.name + ".txt");
    }
    std::vector<IgnoredWord> ignored, ignoredEncoded;
    EXPECT_EQ(Validation::check(encoded, ignoredEncoded), Validation::check(masters[i], ignored));
    EXPECT_EQ(ignoredEncoded, ignored);
  }
}

}  // namespace
