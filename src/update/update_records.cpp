#include "update/update_records.h"

#include <QSettings>

#include "update/version_rule.h"

namespace UpdatePrompt {

bool isSkipped(const QString& version) {
  const QVariant skipped = QSettings().value(QLatin1String(skippedVersionKey));
  if (!skipped.isValid() || skipped.typeId() != QMetaType::QString) return false;
  return !isNewer(version.toStdString(), skipped.toString().toStdString());
}

void skip(const QString& version) {
  QSettings().setValue(QLatin1String(skippedVersionKey), version);
}

void clearRecords() {
  QSettings settings;
  for (const char* key : {autoInstallKey, skippedVersionKey, "updatePrompt.snoozedVersion",
                          "updatePrompt.snoozedUntil"}) {
    settings.remove(QLatin1String(key));
  }
}

bool autoInstall() {
  return QSettings().value(QLatin1String(autoInstallKey), false).toBool();
}

void setAutoInstall(bool on) {
  QSettings().setValue(QLatin1String(autoInstallKey), on);
}

}  // namespace UpdatePrompt
