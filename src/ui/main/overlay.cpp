#include "ui/main/overlay.h"

QString Overlay::id() const {
  if (const auto* target = std::get_if<EditTarget>(&value)) {
    return target->id.toString(QUuid::WithoutBraces);
  }
  if (std::holds_alternative<LocalEdits>(value)) return QStringLiteral("localEdits");
  return QStringLiteral("addDictionary");
}
