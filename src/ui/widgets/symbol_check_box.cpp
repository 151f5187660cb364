#include "ui/widgets/symbol_check_box.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "ui/style/material_symbols.h"

SymbolCheckBox::SymbolCheckBox(const QString& text, QWidget* parent)
    : SymbolCheckBox(text, Look{}, parent) {}

SymbolCheckBox::SymbolCheckBox(const QString& text, const Look& look, QWidget* parent)
    : QCheckBox(text, parent), look_(look) {}

QSize SymbolCheckBox::sizeHint() const {
  const QFontMetrics metrics(font());
  return {look_.box + look_.gap + metrics.horizontalAdvance(text()) + 2,
          std::max(look_.box, metrics.height()) + look_.padding};
}

bool SymbolCheckBox::hitButton(const QPoint& position) const {
  return rect().contains(position);
}

void SymbolCheckBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const bool on = isChecked();
  const int box = look_.box;
  const ThemeColor& mark = !isEnabled() ? Theme::line : on ? look_.accent : Theme::sub;
  const QRectF square(0, (height() - box) / 2.0, box, box);
  MaterialSymbols::draw(
      painter, square, on ? QStringLiteral("check_box") : QStringLiteral("check_box_outline_blank"),
      box, mark.in(this), on);

  const QRect textRect(box + look_.gap, 0, width() - box - look_.gap, height());
  painter.setPen((isEnabled() ? Theme::ink : Theme::sub).in(this));
  painter.setFont(font());
  painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());
  if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
    painter.setPen(QPen(look_.accent.in(this), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(square.adjusted(1, 1, -1, -1), 3, 3);
  }
}
