#include "ui/main/hint.h"

#include "ui/widgets/themed_label.h"

namespace Hint {

ThemedLabel* text(const QString& text, QWidget* parent) {
  auto* label = new ThemedLabel(color, text, parent);
  // On a view's viewport a label would draw in the Text role, which the colour does not set.
  label->setForegroundRole(QPalette::WindowText);
  return label;
}

}  // namespace Hint
