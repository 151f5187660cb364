#include "update/update_check_box.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "ui/style/material_symbols.h"
#include "update/update_look.h"

namespace {

constexpr int box = 18;
constexpr int gap = 6;

}  // namespace

UpdateCheckBox::UpdateCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
  setFont(UpdateLook::font(13));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize UpdateCheckBox::sizeHint() const {
  const QFontMetrics metrics(font());
  return {box + gap + metrics.horizontalAdvance(text()) + 2, std::max(box, metrics.height()) + 2};
}

bool UpdateCheckBox::hitButton(const QPoint& position) const {
  return rect().contains(position);
}

void UpdateCheckBox::paintEvent(QPaintEvent*) {
  const UpdatePalette palette = UpdatePalette::current();
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const bool on = isChecked();
  const QRectF square(0, (height() - box) / 2.0, box, box);
  MaterialSymbols::draw(
      painter, square, on ? QStringLiteral("check_box") : QStringLiteral("check_box_outline_blank"),
      box, (on ? palette.accent : palette.sub).in(this), on);
  painter.setPen(palette.ink.in(this));
  painter.setFont(font());
  painter.drawText(QRect(box + gap, 0, width() - box - gap, height()),
                   Qt::AlignVCenter | Qt::AlignLeft, text());
  if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
    painter.setPen(QPen(palette.accent.in(this), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(square.adjusted(1, 1, -1, -1), 3, 3);
  }
}
