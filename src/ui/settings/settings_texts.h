#pragma once

#include <QString>

// The settings window's texts, with the platform's words for the computer put in.
namespace SettingsTexts {

QString title();  // "設定"
QString syncTab();
QString filesTab();
QString autoSync();
QString autoSyncOn();   // what the automatic reflect does while on
QString autoSyncOff();  // and while off
QString notificationsOn();
QString notificationsOff();
QString openNotificationSettings();
QString checksHeading();
QString checks();  // the two stop rules, one a line
QString checksFixed();
QString master();
QString backups();
QString history();
QString open();
QString keepBackups(int count);
QString keepHistory(int count);
QString changeFolder();
QString footer();  // the application's name and version

}  // namespace SettingsTexts
