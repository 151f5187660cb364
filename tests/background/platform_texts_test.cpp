// Texts that name the user's computer or the IME: Linux words on Linux, and exactly the original
// macOS texts when the Google Japanese Input description is in place.
#include <gtest/gtest.h>

#include <functional>

#include "background/ignored_words_notice.h"
#include "master/absorb.h"
#include "master/master_error.h"
#include "master/master_format.h"
#include "master/master_store_error.h"
#include "master/validation.h"
#include "model/ime_rules.h"
#include "model/user_dictionary_file.h"
#include "platform/ime_platform.h"
#include "sync/sync_error.h"

namespace {

std::string parseFailure(std::string_view text) {
  try {
    Master::parse(text, "人名.txt");
  } catch (const MasterError& error) {
    return error.what();
  }
  return "parsed";
}

std::vector<IgnoredWord> ignoredWords() {
  std::vector<IgnoredWord> ignored;
  Validation::check({{"人名", {{"あ", "亜"}, {"い", "胃"}, {"漢字", "感じ"}, {"え 4", "絵"}}}},
                    ignored);
  return ignored;
}

struct PlatformText {
  std::function<std::string()> make;
  std::string linux;
  std::string macOS;
};

TEST(PlatformTexts, NameTheComputerAndTheImeOfThePlatform) {
  const std::vector<PlatformText> texts = {
      {[]() -> std::string { return SyncError(SyncError::NoIME{}).what(); },
       "Mozc が見つかりません。インストールしてから、もう一度お試しください",
       "Google 日本語入力が見つかりません。インストールしてから、もう一度お試しください"},
      {[]() -> std::string { return SyncError(SyncError::NoUserDictionary{}).what(); },
       "Mozc "
       "のユーザー辞書がまだありません。辞書ツールで語を1つ登録してから、もう一度お試しください",
       "Google "
       "日本語入力のユーザー辞書がまだありません。辞書ツールで語を1つ登録してから、もう一度お"
       "試しください"},
      {[]() -> std::string { return SyncError(SyncError::DuplicateDictionaryName{"人名"}).what(); },
       "Mozc のユーザー辞書に同じ名前の辞書「人名」が複数あります。"
       "辞書ツールで名前を変えてから、もう一度お試しください",
       "Google 日本語入力のユーザー辞書に同じ名前の辞書「人名」が複数あります。"
       "辞書ツールで名前を変えてから、もう一度お試しください"},
      {[]() -> std::string { return SyncError(SyncError::ImeLockUnavailable{"/p/.lock"}).what(); },
       "Mozc の辞書のロックファイルを開けないため、書き込めません"
       "（持ち主か権限が違う可能性があります）: /p/.lock",
       "Google 日本語入力の辞書のロックファイルを開けないため、書き込めません"
       "（持ち主か権限が違う可能性があります）: /p/.lock"},
      {[]() -> std::string {
         return MasterStoreError(MasterStoreError::ChangedElsewhere{{"A", "B"}}).what();
       },
       "開いてから、ほかのパソコンでマスターが変わりました（A、B）。再読み込みしたので、もう一度や"
       "り直"
       "してください",
       "開いてから、ほかの Mac でマスターが変わりました（A、B）。再読み込みしたので、もう一度やり直"
       "してください"},
      {[]() -> std::string {
         return DictionaryFileError(DictionaryFileError::UnknownField{"辞書", 9}).what();
       },
       "辞書ファイルに知らない項目があります（辞書 の項目 9）。Mozc "
       "の更新で形式が変わった可能性があるので、書き換えを停止しました",
       "辞書ファイルに知らない項目があります（辞書 の項目 9）。Google "
       "日本語入力の更新で形式が変わった可能性があるので、書き換えを停止しました"},
      {[] { return parseFailure("あ\t亜\tnoun\n"); },
       "マスター「人名.txt」の 1行目: 品詞「noun」は Mozc の品詞にありません",
       "マスター「人名.txt」の 1行目: 品詞「noun」は Google 日本語入力の品詞にありません"},
      {[]() -> std::string {
         DictionaryDiff removed;
         removed.name = "A";
         removed.dictionaryRemoved = true;
         return Absorb::plan({removed}, MasterSnapshot{}, false).skipped.at(0);
       },
       "辞書「A」がこのパソコンから削除されていますが、マスターの辞書は削除しません",
       "辞書「A」がこの Mac から削除されていますが、マスターの辞書は削除しません"},
      {[] {
         return ImeRules::sheetWarning({"漢字", "感じ"}).value_or("none");
       },
       "この語は Mozc では使われません（よみに使えない文字「漢」があります）",
       "この語は Google 日本語入力では使われません（よみに使えない文字「漢」があります）"},
      {[] { return ignoredWords().front().message(); },
       "3行目 漢字 → 感じ: Mozc では使われません（よみに使えない文字「漢」があります）",
       "3行目 漢字 → 感じ: Google "
       "日本語入力では使われません（よみに使えない文字「漢」があります）"},
      {[] { return IgnoredWordsNotice::message(ignoredWords()); },
       "マスターに Mozc が使わない語が 2語あります（「人名.txt」の 3行目など）。"
       "アプリを開いて確認してください",
       "マスターに Google 日本語入力が使わない語が 2語あります（「人名.txt」の 3行目など）。"
       "アプリを開いて確認してください"},
      {[] { return IgnoredWordsNotice::lines(ignoredWords()).front(); },
       "ただし、Mozc が使わない語が 2語あります",
       "ただし、Google 日本語入力が使わない語が 2語あります"},
  };
  for (const PlatformText& text : texts) {
    {
      ScopedPlatformWords linux(ImePlatform::mozc().words);
      EXPECT_EQ(text.make(), text.linux);
    }
    ScopedPlatformWords macOS(ImePlatform::googleJapaneseInput().words);
    EXPECT_EQ(text.make(), text.macOS);
  }
}

TEST(PlatformWords, SpaceOnlyBetweenALatinWordAndKanaOrKanji) {
  const PlatformWords mac = ImePlatform::googleJapaneseInput().words;
  const PlatformWords pc = ImePlatform::mozc().words;
  EXPECT_EQ(mac.thisComputer("の辞書"), "この Mac の辞書");
  EXPECT_EQ(pc.thisComputer("の辞書"), "このパソコンの辞書");
  EXPECT_EQ(mac.otherComputers("からも"), "ほかの Mac からも");
  EXPECT_EQ(pc.otherComputers("からも"), "ほかのパソコンからも");
  EXPECT_EQ(mac.computerThen("どうしで"), "Mac どうしで");
  EXPECT_EQ(pc.computerThen("どうしで"), "パソコンどうしで");
  EXPECT_EQ(mac.imeThen("の"), "Google 日本語入力の");
  EXPECT_EQ(pc.imeThen("の"), "Mozc の");
  EXPECT_EQ(PlatformWords::join({"（ほかの", "Mac", "で始めたもの）"}),
            "（ほかの Mac で始めたもの）");
  EXPECT_EQ(PlatformWords::join({"「", "Mozc", "」、", "Mozc", "。"}), "「Mozc」、Mozc。");
  EXPECT_EQ(PlatformWords::join({"Mac", " です"}), "Mac です");
  EXPECT_EQ(PlatformWords::join({"", "Mozc", ""}), "Mozc");
}

}  // namespace
