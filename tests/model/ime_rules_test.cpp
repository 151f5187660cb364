#include "model/ime_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/ime_platform.h"

namespace {

struct Case {
  DictEntry entry;
  std::optional<std::string> reason;  // nothing: the IME offers the word
};

void expectReasons(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const std::optional<ImeRules::Problem> problem = ImeRules::problem(c.entry);
    EXPECT_EQ(problem ? std::optional(problem->reason()) : std::nullopt, c.reason)
        << "reading「" << c.entry.reading << "」word「" << c.entry.word << "」";
  }
}

TEST(ImeRules, ReadingsTakeWhatTheImeFoldsToKanaAsciiAndItsMarks) {
  const auto reading = [](std::string text) { return DictEntry{std::move(text), "語"}; };
  const auto refused = [](std::string shown) {
    return "よみに使えない文字" + shown + "があります";
  };
  expectReasons({
      {reading("わーど・るーむ、。「」『』〜ゔゕゖ゛゜"), std::nullopt},
      {reading("word-loom!~{}"), std::nullopt},
      // Katakana up to ヴ fold to hiragana; ヵ, ヶ and ヷ have no hiragana and stay.
      {reading("ワードルームヴァ"), std::nullopt},
      {reading("ケヶ"), refused("「ヶ」")},
      {reading("ヷ"), refused("「ヷ」")},
      {reading("ﾜｰﾄﾞﾙｰﾑ｡｢｣､･ﾞﾟｦﾞ"), std::nullopt},
      // Full-width ASCII folds, except the forms missing from the IME's table.
      {reading("ＡＢＣ１２３！＃｛｝”’−￥"), std::nullopt},
      {reading("＂"), refused("「＂」")},
      {reading("～"), refused("「～」")},
      {reading("よみ漢字"), refused("「漢」")},
      {reading("ゝ"), refused("「ゝ」")},
      {reading("あ\U0001F600"), refused("「\U0001F600」")},
      // Characters that do not show on their own are named by their code.
      {reading("わーど るーむ"), refused("（U+0020）")},
      {reading("わーど\u3000るーむ"), refused("（U+3000）")},
      {reading("あ\x07"), refused("（U+0007）")},
      {reading("あ\u200B"), refused("（U+200B）")},
      {reading("あ\u0301"), refused("（U+0301）")},
      {reading("か\u3099"), "よみの濁点・半濁点が前の文字と分かれています"},
      {reading("あ\xFF"), refused("「\uFFFD」")},
  });
}

TEST(ImeRules, FieldsOverThreeHundredBytesOrWithLineBreaksAreSkipped) {
  const std::string bytes300(300, 'a');
  const std::string bytes301(301, 'a');
  std::string kana300;
  for (int i = 0; i < 100; ++i) kana300 += "か";
  expectReasons({
      {{kana300, bytes300, 1, bytes300}, std::nullopt},
      {{bytes301, "語"}, "よみが 301 バイトで、300 バイトを超えています"},
      {{"よみ", kana300 + "か"}, "単語が 303 バイトで、300 バイトを超えています"},
      {{"よみ", "語", 1, bytes301}, "コメントが 301 バイトで、300 バイトを超えています"},
      {{"よ\rみ", "語"}, "よみに改行かタブがあります"},
      {{"よみ", "語\t"}, "単語に改行かタブがあります"},
      {{"よみ", "語", 1, "注\r"}, "コメントに改行かタブがあります"},
      {{"よみ", "長い単語の\r途中", 1, ""}, "単語に改行かタブがあります"},
      {{"よみ", "語", 1, "終わりに改行\n"}, "コメントに改行かタブがあります"},
      {{"よみ", "語", 1, "1234567\r"}, "コメントに改行かタブがあります"},
      {{"", "語"}, "よみが空です"},
      {{"よみ", ""}, "単語が空です"},
      // The IME takes other control characters in a word or comment as they are.
      {{"よみ", "語\x07\x7F", 1, "\x01"}, std::nullopt},
      {{"よみ", std::string("語\0語", 7)}, std::nullopt},
  });
}

TEST(ImeRules, TheFirstReasonIsTheOneTheImeChecksFirst) {
  expectReasons({
      {{std::string(301, 'a') + "\r", "語\r"}, "よみが 302 バイトで、300 バイトを超えています"},
      {{"漢\r", "語"}, "よみに改行かタブがあります"},
      // Length and line breaks of every field come before the characters of the reading.
      {{"漢", "", 1, ""}, "単語が空です"},
      {{"漢", "語", 1, "\r"}, "コメントに改行かタブがあります"},
  });
}

TEST(ImeRules, TheSheetWarnsOnlyOfWhatItsOwnErrorsLeave) {
  ScopedPlatformWords linux(ImePlatform::mozc().words);
  EXPECT_EQ(ImeRules::sheetWarning({"漢字", "語"}),
            "この語は Mozc では使われません（よみに使えない文字「漢」があります）");
  EXPECT_EQ(ImeRules::sheetWarning({"よみ", "語", 1, "注\r"}),
            "この語は Mozc では使われません（コメントに改行かタブがあります）");
  for (const DictEntry& entry : std::vector<DictEntry>{{"よみ", "語"},
                                                       {"", "語"},
                                                       {"漢", ""},
                                                       {"漢\t", "語"},
                                                       {"漢", "語\n"},
                                                       {"漢", "語", 1, "\t"}}) {
    EXPECT_EQ(ImeRules::sheetWarning(entry), std::nullopt) << entry.reading << entry.word;
  }
}

}  // namespace
