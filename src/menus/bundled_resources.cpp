#include "menus/bundled_resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace StandardMenus {

QStringList resourceFolders() {
  QStringList folders;
  if (QCoreApplication::instance() != nullptr) {
    folders << QDir::cleanPath(QCoreApplication::applicationDirPath() +
                               QStringLiteral("/../share/wordloom"));
  }
  folders << QStringLiteral(WORDLOOM_SOURCE_RESOURCES);
  return folders;
}

QString findResource(const QString& name, const QStringList& folders) {
  for (const QString& folder : folders) {
    const QString path = QDir(folder).filePath(name);
    if (QFileInfo(path).isFile()) return path;
  }
  return {};
}

}  // namespace StandardMenus
