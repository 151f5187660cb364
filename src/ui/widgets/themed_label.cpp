#include "ui/widgets/themed_label.h"

#include <QEvent>

ThemedLabel::ThemedLabel(const ThemeColor& color, const QString& text, QWidget* parent)
    : QLabel(text, parent), color_(color) {
  setTextFormat(Qt::PlainText);
  // The role the colour is set in; on an item view's viewport a label would otherwise draw in
  // the Text role.
  setForegroundRole(QPalette::WindowText);
  applyColor();
}

void ThemedLabel::setColor(const ThemeColor& color) {
  color_ = color;
  applyColor();
}

void ThemedLabel::changeEvent(QEvent* event) {
  // A new application palette, or an ancestor forced into another scheme, arrives here.
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) {
    applyColor();
  }
  QLabel::changeEvent(event);
}

void ThemedLabel::paintEvent(QPaintEvent* event) {
  // The scheme can change without a new palette reaching this label (a dialog forced into a
  // scheme inherits no palette from its parent window): check it where it shows.
  applyColor();
  QLabel::paintEvent(event);
}

void ThemedLabel::applyColor() {
  QPalette p = palette();
  const QColor wanted = color_.in(this);
  if (p.color(QPalette::WindowText) == wanted && p.resolveMask() & (1ULL << QPalette::WindowText)) {
    return;
  }
  p.setColor(QPalette::Active, QPalette::WindowText, wanted);
  p.setColor(QPalette::Inactive, QPalette::WindowText, wanted);
  // Disabled text reads as secondary whatever its colour when enabled.
  p.setColor(QPalette::Disabled, QPalette::WindowText, Theme::sub.in(this));
  setPalette(p);
}
