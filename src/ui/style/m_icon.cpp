#include "ui/style/m_icon.h"

#include <QPainter>
#include <cmath>

#include "ui/style/material_symbols.h"

MIcon::MIcon(const QString& name, double size, QWidget* parent)
    : QWidget(parent), name_(name), size_(size) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void MIcon::setName(const QString& name) {
  name_ = name;
  update();
}

void MIcon::setIconSize(double size) {
  size_ = size;
  updateGeometry();
  update();
}

void MIcon::setFill(bool fill) {
  fill_ = fill;
  update();
}

void MIcon::setWeight(double weight) {
  weight_ = weight;
  update();
}

void MIcon::setColor(const ThemeColor& color) {
  color_ = color;
  update();
}

QSize MIcon::sizeHint() const {
  const int side = static_cast<int>(std::ceil(size_));
  return {side, side};
}

void MIcon::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QRectF square(0, 0, size_, size_);
  square.moveCenter(QRectF(rect()).center());
  MaterialSymbols::draw(painter, square, name_, size_, color_.in(this), fill_, weight_);
}
