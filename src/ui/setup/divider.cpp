#include "ui/setup/divider.h"

#include <QPainter>

#include "ui/style/theme.h"

Divider::Divider(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setFixedHeight(1);
}

void Divider::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), Theme::line.in(this));
}
