#include "ui/settings/section_box.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "ui/setup/divider.h"
#include "ui/style/theme.h"

SectionBox::SectionBox(QWidget* parent) : QWidget(parent), rows_(new QVBoxLayout(this)) {
  rows_->setContentsMargins(16, 12, 16, 12);
  rows_->setSpacing(12);
}

void SectionBox::addRow(QWidget* row) {
  if (count_++ > 0) rows_->addWidget(new Divider);
  rows_->addWidget(row);
}

void SectionBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath box;
  box.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), Theme::radius, Theme::radius);
  painter.fillPath(box, Theme::surface.in(this));
  painter.setPen(QPen(Theme::line.in(this), 1));
  painter.drawPath(box);
}
