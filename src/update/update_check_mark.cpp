#include "update/update_check_mark.h"

#include <QPainter>
#include <QPainterPathStroker>

#include "update/update_look.h"

UpdateCheckMark::UpdateCheckMark(QWidget* parent) : QWidget(parent) {
  setFixedSize(16, 16);
}

QPainterPath UpdateCheckMark::shape() {
  QPainterPath disc;
  disc.addEllipse(QRectF(2, 2, 28, 28));
  QPainterPath check;
  check.moveTo(9, 32 - 16.5);
  check.lineTo(14, 32 - 11.5);
  check.lineTo(23, 32 - 21);
  QPainterPathStroker stroker;
  stroker.setWidth(3.2);
  stroker.setCapStyle(Qt::RoundCap);
  stroker.setJoinStyle(Qt::RoundJoin);
  return disc.subtracted(stroker.createStroke(check));
}

void UpdateCheckMark::paintEvent(QPaintEvent*) {
  static const QPainterPath mark = shape();
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(width() / 32.0, height() / 32.0);
  painter.fillPath(mark, UpdatePalette::current().ok.in(this));
}
