#include "menus/localization.h"

#include <QCoreApplication>
#include <QLocale>

namespace StandardMenus {

std::function<QString(const QString&)> localize = [](const QString& key) { return key; };

namespace {

bool readsJapaneseFirst() {
  // The default locale, not the system's: a host (and a test) may set it.
  const QStringList languages = QLocale().uiLanguages();
  return languages.isEmpty() || languages.constFirst().startsWith(QStringLiteral("ja"));
}

}  // namespace

QString L(const char* key) {
  const QString text = QString::fromUtf8(key);
  if (readsJapaneseFirst()) return text;
  const QString translated = QCoreApplication::translate("StandardMenus", key);
  return translated != text ? translated : localize(text);
}

QString fill(QString format, const QStringList& values) {
  qsizetype from = 0;
  for (const QString& value : values) {
    const qsizetype at = format.indexOf(QStringLiteral("%@"), from);
    if (at < 0) break;
    format.replace(at, 2, value);
    from = at + value.size();
  }
  return format;
}

}  // namespace StandardMenus
