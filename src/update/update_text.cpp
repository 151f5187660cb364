#include "update/update_text.h"

#include <QCoreApplication>
#include <QLocale>

namespace UpdatePrompt {
namespace {

std::function<QString(const QString&)>& localizer() {
  static std::function<QString(const QString&)> value;
  return value;
}

}  // namespace

QString L(const QString& key) {
  const QStringList languages = QLocale::system().uiLanguages();
  if (!languages.isEmpty() && !languages.first().startsWith(QLatin1String("ja"))) {
    const QByteArray utf8 = key.toUtf8();
    const QString translated = QCoreApplication::translate("UpdatePrompt", utf8.constData());
    if (translated != key) return translated;
  }
  return localizer() ? localizer()(key) : key;
}

void setLocalize(std::function<QString(const QString&)> localize) {
  localizer() = std::move(localize);
}

QString format(const QString& pattern, const QStringList& arguments) {
  QString out;
  qsizetype from = 0;
  for (const QString& argument : arguments) {
    const qsizetype at = pattern.indexOf(QLatin1String("%@"), from);
    if (at < 0) break;
    out += pattern.mid(from, at - from) + argument;
    from = at + 2;
  }
  return out + pattern.mid(from);
}

QString join(const QString& a, const QString& b) {
  if (a.isEmpty()) return b;
  static const QString stops = QStringLiteral("。．！？");
  if (stops.contains(a.back())) return a + b;
  return a + u' ' + b;
}

}  // namespace UpdatePrompt
