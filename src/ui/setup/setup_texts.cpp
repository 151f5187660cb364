#include "ui/setup/setup_texts.h"

#include <QLocale>

#include "app/cloud_place.h"
#include "app/qt_text.h"
#include "background/app_info.h"
#include "platform/ime_platform.h"

namespace {

const std::string folderName(CloudPlace::folderName);

}  // namespace

namespace SetupTexts {

QString welcome() {
  return qtText(AppInfo::name() + "へようこそ");
}
QString changingTitle() {
  return QStringLiteral("同期に使うフォルダを変更");
}
QString lead() {
  const PlatformWords& words = platformWords();
  return qtText(words.imeThen("のユーザー辞書を、") +
                words.computerThen("どうしでそろえます。2つだけ決めてください。"));
}
QString folderStep() {
  return QStringLiteral("同期に使うフォルダ");
}
QString folderNote() {
  return qtText(
      platformWords().otherComputers("からも見えるクラウドのフォルダを選択してください。中に「") +
      folderName + "」というフォルダを作ります。");
}
QString otherPlace() {
  return QStringLiteral("ほかの場所…");
}
QString found() {
  return QStringLiteral("見つかりました");
}
QString notHere() {
  return qtText(platformWords().thisComputer("にありません"));
}
QString notHereHelp(const QString& place) {
  return place + QStringLiteral("は") + notHere();
}
QString panelMessage() {
  return qtText(
      platformWords().otherComputers(
          "からも見えるフォルダを選択してください。辞書が入っていないフォルダなら、中に「") +
      folderName + "」を作ります");
}
QString panelPrompt() {
  return QStringLiteral("選択");
}
QString startStep() {
  return QStringLiteral("はじめの辞書");
}
QString fromThisComputer() {
  return qtText(platformWords().thisComputer("の辞書から作る"));
}
QString thisComputerHolds(std::size_t words, std::size_t dictionaries) {
  // The window is Japanese whatever the user's locale: its grouping goes with its words.
  const QLocale japanese(QLocale::Japanese, QLocale::Japan);
  return japanese.toString(static_cast<qulonglong>(words)) + QStringLiteral("語・辞書") +
         QString::number(dictionaries) + QStringLiteral("つ");
}
QString folderAlreadyHolds() {
  return QStringLiteral("選んだフォルダにはすでに辞書があります");
}
QString fromFolder() {
  return QStringLiteral("フォルダにある辞書を使う");
}
QString fromFolderNone() {
  return qtText(platformWords().otherComputers("で、すでに始めているとき"));
}
QString fromFolderHolds(std::size_t dictionaries) {
  return QString::number(dictionaries) + QStringLiteral("つ（") +
         qtText(platformWords().otherComputers("で始めたもの）"));
}
QString folderHoldsNone() {
  return QStringLiteral("選んだフォルダにはまだ辞書がありません");
}
QString autoSync() {
  const PlatformWords& words = platformWords();
  return qtText(words.otherComputers("の変更を、自動で") + words.thisComputer("に反映する"));
}
QString safety() {
  return QStringLiteral(
      "反映の前に、今の辞書をバックアップします。辞書が丸ごと削除される反映と、語が半分より少なく"
      "なる反映は停止します。");
}
QString cancel() {
  return QStringLiteral("キャンセル");
}
QString preparing() {
  return QStringLiteral("準備中…");
}
QString change() {
  return QStringLiteral("変更");
}
QString begin() {
  return QStringLiteral("はじめる");
}

}  // namespace SetupTexts
