#include "ui/main/themed_label.h"

#include <QEvent>

ThemedLabel::ThemedLabel(const QString& text, const ThemeColor& color, double opacity,
                         QWidget* parent)
    : QLabel(text, parent), color_(color), opacity_(opacity) {
  setTextFormat(Qt::PlainText);
  // On a view's viewport a label would draw in the Text role.
  setForegroundRole(QPalette::WindowText);
  applyColor();
}

ThemedLabel* ThemedLabel::hint(const QString& text, QWidget* parent) {
  return new ThemedLabel(text, Theme::ink, 0.3, parent);
}

void ThemedLabel::setColor(const ThemeColor& color, double opacity) {
  color_ = color;
  opacity_ = opacity;
  applyColor();
}

QColor ThemedLabel::currentColor() const {
  QColor color = color_.in(this);
  color.setAlphaF(static_cast<float>(color.alphaF() * opacity_));
  return color;
}

void ThemedLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::ApplicationPaletteChange:
    case QEvent::ParentChange:
      applyColor();
      break;
    default:
      break;
  }
}

void ThemedLabel::applyColor() {
  const QColor color = currentColor();
  // Setting the palette sends another PaletteChange; it stops here once the colour is in place.
  if (palette().color(QPalette::WindowText) == color) return;
  QPalette themed = palette();
  themed.setColor(QPalette::WindowText, color);
  setPalette(themed);
}
