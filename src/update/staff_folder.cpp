#include "update/staff_folder.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#include "platform/home.h"

namespace UpdatePrompt {
namespace {

const QString staffRoot = QStringLiteral("ソラブネ/Works-Sorabune/_社内ツール（Mac アプリ）/");

QString home() {
  return QString::fromStdString(platform::homeDirectory().string());
}

QUrl folderOf(const QUrl& url) {
  return url.resolved(QUrl(QStringLiteral(".")));
}

void openFolder(const QUrl& folder) {
  QDesktopServices::openUrl(folder);
}

}  // namespace

QUrl staffFolder(const QString& path) {
  QStringList candidates{home() + QStringLiteral("/Dropbox")};
  const QDir cloud(home() + QStringLiteral("/Library/CloudStorage"));
  for (const QString& name :
       cloud.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted)) {
    if (name.startsWith(QLatin1String("Dropbox"))) candidates << cloud.filePath(name);
  }
  for (const QString& candidate : candidates) {
    const QString folder = candidate + u'/' + staffRoot + path;
    if (QFileInfo(folder).isDir()) return QUrl::fromLocalFile(folder);
  }
  return {};
}

QUrl newestZip(const QUrl& folder) {
  const QDir dir(folder.toLocalFile());
  QString newest;
  QDateTime newestTime;
  for (const QFileInfo& entry :
       dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted)) {
    if (!entry.fileName().endsWith(QLatin1String(".tar.gz"))) continue;
    // An unreadable time counts as the distant past.
    const QDateTime time = entry.lastModified();
    if (newest.isEmpty() || (time.isValid() && (!newestTime.isValid() || time > newestTime))) {
      newest = entry.filePath();
      newestTime = time;
    }
  }
  return newest.isEmpty() ? QUrl() : QUrl::fromLocalFile(newest);
}

QUrl fallbackURL(const std::optional<Source>& source) {
  if (!source) return {};
  if (const auto* staff = std::get_if<StaffFolderSource>(&*source)) return staffFolder(staff->path);
  return folderOf(std::get<RemoteSource>(*source).url);
}

void openPage(const QUrl& url) {
  if (url.isEmpty()) return;
  if (!url.isLocalFile()) {
    QDesktopServices::openUrl(url);
    return;
  }
  const QUrl archive = newestZip(url);
  if (archive.isEmpty()) {
    openFolder(url);
    return;
  }
  // The file manager's ShowItems selects the archive in its folder; without a file manager that
  // offers it, the folder alone opens.
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    openFolder(url);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"),
      QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{archive.toString()} << QString();
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [watcher, url] {
    if (watcher->isError()) openFolder(url);
    watcher->deleteLater();
  });
}

}  // namespace UpdatePrompt
