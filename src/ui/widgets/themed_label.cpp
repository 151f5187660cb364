#include "ui/widgets/themed_label.h"

ThemedLabel::ThemedLabel(const ThemeColor& color, const QString& text, QWidget* parent)
    : QLabel(text, parent), color_(color) {
  setTextFormat(Qt::PlainText);
  setWordWrap(true);
}

void ThemedLabel::setColor(const ThemeColor& color) {
  color_ = color;
  update();
}

void ThemedLabel::paintEvent(QPaintEvent* event) {
  // The palette is the label's only way to colour its text; set it here, where the scheme the
  // label is drawn in is known, and only when it differs (setting it schedules one more paint).
  const QColor wanted = color_.in(this);
  if (palette().color(foregroundRole()) != wanted) {
    QPalette changed = palette();
    changed.setColor(foregroundRole(), wanted);
    setPalette(changed);
  }
  QLabel::paintEvent(event);
}
