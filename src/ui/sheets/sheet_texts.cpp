#include "ui/sheets/sheet_texts.h"

#include <string>

#include "app/qt_text.h"
#include "platform/ime_platform.h"

namespace SheetTexts {
QString editTitle() {
  return qtText("語を編集");
}
QString addTitle() {
  return qtText("語を追加");
}
QString readingLabel() {
  return qtText("よみ");
}
QString readingPrompt() {
  return qtText("ひらがな");
}
QString wordLabel() {
  return qtText("単語");
}
QString wordPrompt() {
  return qtText("変換したい文字");
}
QString posLabel() {
  return qtText("品詞");
}
QString frequentSection() {
  return qtText("よく使う");
}
QString otherSection() {
  return qtText("そのほか");
}
QString commentLabel() {
  return qtText("コメント");
}
QString dictionaryLabel() {
  return qtText("辞書");
}
QString dictionaryPrompt() {
  return qtText("選択してください");
}
QString deleteWord() {
  return qtText("この語を削除");
}
QString save() {
  return qtText("保存");
}
QString cancel() {
  return qtText("キャンセル");
}
QString deleteAction() {
  return qtText("削除");
}

QString deleteTitle(std::string_view reading, std::string_view word) {
  return qtText("「" + std::string(reading) + " → " + std::string(word) + "」を削除しますか？");
}

QString deleteMessage() {
  return qtText("削除すると、" + platformWords().otherComputers("の辞書からも削除されます"));
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
  return qtText("辞書を追加");
}

QString addDictionaryNote() {
  return qtText("最初の語を保存したときに、マスターに辞書のファイルができます。" +
                platformWords().otherComputers("にも同じ辞書ができます"));
}

QString nameLabel() {
  return qtText("名前");
}
QString add() {
  return qtText("追加");
}

QString localEditsTitle() {
  return qtText(platformWords().thisComputer("で直接変更した語"));
}

QString firstRunExplanation() {
  const PlatformWords& words = platformWords();
  return qtText(
      words.thisComputer(
          "ではまだ一度もこのアプリで反映していないので、マスターとの違いをそのまま出してい"
          "ます。取り込むのは「＋」（") +
      words.thisComputer("にだけある語）だけです。"));
}

QString localEditsExplanation() {
  const PlatformWords& words = platformWords();
  return qtText("辞書ツールや単語登録で、" +
                words.thisComputer("の辞書だけが変わっています。マスターに取り込むと、") +
                words.otherComputers("にも入ります。"));
}

QString noLocalEdits() {
  return qtText("いまは直接変更した語はありません");
}
QString skippedItem(std::string_view message) {
  return qtText("・" + std::string(message));
}
QString absorb() {
  return qtText("マスターに取り込む");
}
QString discard() {
  return qtText("変更内容を破棄してマスターに合わせる");
}
QString discardNote() {
  return qtText("書き込む前の辞書はバックアップに残します");
}
QString later() {
  return qtText("あとで");
}

QString discardTitle() {
  return qtText(platformWords().thisComputer("で変更した語を破棄して、マスターで上書きしますか？"));
}

QString discardAction() {
  return qtText("破棄");
}

}  // namespace SheetTexts
