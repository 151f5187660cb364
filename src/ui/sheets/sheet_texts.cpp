#include "ui/sheets/sheet_texts.h"

#include <string>

#include "platform/ime_platform.h"

namespace SheetTexts {
namespace {

QString q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString editTitle() {
  return q("語を編集");
}
QString addTitle() {
  return q("語を追加");
}
QString readingLabel() {
  return q("よみ");
}
QString readingPrompt() {
  return q("ひらがな");
}
QString wordLabel() {
  return q("単語");
}
QString wordPrompt() {
  return q("変換したい文字");
}
QString posLabel() {
  return q("品詞");
}
QString frequentSection() {
  return q("よく使う");
}
QString otherSection() {
  return q("そのほか");
}
QString commentLabel() {
  return q("コメント");
}
QString dictionaryLabel() {
  return q("辞書");
}
QString dictionaryPrompt() {
  return q("選択してください");
}
QString deleteWord() {
  return q("この語を削除");
}
QString save() {
  return q("保存");
}
QString cancel() {
  return q("キャンセル");
}
QString deleteAction() {
  return q("削除");
}

QString deleteTitle(std::string_view reading, std::string_view word) {
  return q("「" + std::string(reading) + " → " + std::string(word) + "」を削除しますか？");
}

QString deleteMessage() {
  return q("削除すると、" + platformWords().otherComputers("の辞書からも削除されます"));
}

std::string chooseDictionary() {
  return "辞書を選択してください";
}
std::string lineBreak() {
  return "改行は入れられません";
}
std::string byteOrderMark() {
  return "よみや単語の先頭に見えない文字（BOM）は入れられません";
}

QString addDictionaryTitle() {
  return q("辞書を追加");
}

QString addDictionaryNote() {
  return q("最初の語を保存したときに、マスターに辞書のファイルができます。" +
           platformWords().otherComputers("にも同じ辞書ができます"));
}

QString nameLabel() {
  return q("名前");
}
QString add() {
  return q("追加");
}

QString localEditsTitle() {
  return q(platformWords().thisComputer("で直接変更した語"));
}

QString firstRunExplanation() {
  const PlatformWords& words = platformWords();
  return q(words.thisComputer(
               "ではまだ一度もこのアプリで反映していないので、マスターとの違いをそのまま出してい"
               "ます。取り込むのは「＋」（") +
           words.thisComputer("にだけある語）だけです。"));
}

QString localEditsExplanation() {
  const PlatformWords& words = platformWords();
  return q("辞書ツールや単語登録で、" +
           words.thisComputer("の辞書だけが変わっています。マスターに取り込むと、") +
           words.otherComputers("にも入ります。"));
}

QString noLocalEdits() {
  return q("いまは直接変更した語はありません");
}
QString skippedItem(std::string_view message) {
  return q("・" + std::string(message));
}
QString absorb() {
  return q("マスターに取り込む");
}
QString discard() {
  return q("変更内容を破棄してマスターに合わせる");
}
QString discardNote() {
  return q("書き込む前の辞書はバックアップに残します");
}
QString later() {
  return q("あとで");
}

QString discardTitle() {
  return q(platformWords().thisComputer("で変更した語を破棄して、マスターで上書きしますか？"));
}

QString discardAction() {
  return q("破棄");
}

}  // namespace SheetTexts
