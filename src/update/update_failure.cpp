#include "update/update_failure.h"

#include "platform/ime_platform.h"
#include "update/update_text.h"

namespace UpdateInstaller {
namespace {

using UpdatePrompt::L;

QString again() {
  return L(QStringLiteral("ダウンロードページから、もう一度インストールしてください。"));
}

}  // namespace

Failure Failure::workFolder(const QString& error) {
  return {L(QStringLiteral("作業用のフォルダを作れませんでした。")), error};
}

Failure Failure::localArchiveMissing() {
  const std::string headline =
      "アップデートのファイルが、まだ" + platformWords().thisComputer("にありません。");
  return {L(QString::fromStdString(headline)),
          L(QStringLiteral("Dropbox の同期が終わってから、もう一度お試しください。"))};
}

Failure Failure::localArchiveUnreadable(const QString& error) {
  return {L(QStringLiteral("アップデートのファイルを読み込めませんでした。")), error};
}

Failure Failure::download(const QString& error) {
  return {L(QStringLiteral("ダウンロードできませんでした。")), error};
}

Failure Failure::downloadStatus(int status) {
  return download(
      UpdatePrompt::format(L(QStringLiteral("サーバーの応答: %@")), {QString::number(status)}));
}

Failure Failure::unpack(const QString& output) {
  return {L(QStringLiteral("ダウンロードしたファイルを展開できませんでした。")), output};
}

Failure Failure::notThisApplication() {
  return {L(QStringLiteral("ダウンロードしたファイルに、このアプリが入っていませんでした。")),
          again()};
}

Failure Failure::notNewer(const QString& version) {
  return {L(QStringLiteral("ダウンロードしたものが、新しいバージョンではありませんでした。")),
          UpdatePrompt::format(L(QStringLiteral("中身のバージョン: %@")),
                               {version.isEmpty() ? QStringLiteral("?") : version})};
}

Failure Failure::signature() {
  return {L(QStringLiteral("署名を確認できませんでした。")),
          L(QStringLiteral(
              "ダウンロードしたものが、開発元の署名と一致しません。ダウンロードページから、"
              "もう一度インストールしてください。"))};
}

Failure Failure::cannotStart() {
  return {L(QStringLiteral("新しいバージョンを起動できませんでした。")), again()};
}

Failure Failure::workFolderNotFound(const QString& path) {
  return {QStringLiteral("作業用のフォルダが見つかりません"), path};
}

Failure Failure::cannotReplace(const QString& error) {
  return {L(QStringLiteral("アプリを差し替えられませんでした。")), error};
}

}  // namespace UpdateInstaller
