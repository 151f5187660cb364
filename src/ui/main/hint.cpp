#include "ui/main/hint.h"

#include "ui/widgets/themed_label.h"

namespace Hint {

ThemedLabel* text(const QString& text, QWidget* parent) {
  return new ThemedLabel(color, text, parent);
}

}  // namespace Hint
