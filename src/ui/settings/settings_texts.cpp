#include "ui/settings/settings_texts.h"

#include "background/app_info.h"
#include "platform/ime_platform.h"

namespace SettingsTexts {

QString title() {
  return QStringLiteral("設定");
}
QString syncTab() {
  return QStringLiteral("反映と通知");
}
QString filesTab() {
  return QStringLiteral("場所とバックアップ");
}
QString autoSync() {
  return QStringLiteral("自動で反映（アプリを閉じていても）");
}
QString autoSyncOn() {
  return QString::fromStdString("アプリを閉じていても、マスターが変われば" +
                                platformWords().thisComputer("の辞書へ反映します"));
}
QString autoSyncOff() {
  return QStringLiteral("オフのあいだは、このアプリを開いたときだけ反映します");
}
QString notificationsOn() {
  return QStringLiteral("オン（反映が停止したら通知します）");
}
QString notificationsOff() {
  return QStringLiteral("オフ（反映が停止しても通知されません）");
}
QString openNotificationSettings() {
  return QStringLiteral("通知の設定を開く");
}
QString checksHeading() {
  return QStringLiteral("反映の前に確認する変更");
}
QString checks() {
  return QStringLiteral("・辞書が丸ごと削除される\n・語が半分より少なくなる");
}
QString checksFixed() {
  return QStringLiteral("決まった基準です（変えられません）");
}
QString master() {
  return QStringLiteral("マスター");
}
QString backups() {
  return QStringLiteral("辞書のバックアップ");
}
QString history() {
  return QStringLiteral("マスターの履歴");
}
QString open() {
  return QStringLiteral("開く");
}
QString keepBackups(int count) {
  return QString::number(count) + QStringLiteral(" 件を残す");
}
QString keepHistory(int count) {
  return QString::number(count) + QStringLiteral("件を残す（_履歴）");
}
QString changeFolder() {
  return QStringLiteral("同期に使うフォルダを変更…");
}
QString footer() {
  return QString::fromStdString(AppInfo::name() + "・バージョン " + AppInfo::version());
}

}  // namespace SettingsTexts
