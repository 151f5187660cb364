#include "ui/setup/symbol_check_box.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "ui/style/material_symbols.h"
#include "ui/style/theme.h"

namespace {

constexpr int box = 20;
constexpr int gap = 8;

}  // namespace

SymbolCheckBox::SymbolCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

QSize SymbolCheckBox::sizeHint() const {
  const QFontMetrics metrics(font());
  return {box + gap + metrics.horizontalAdvance(text()) + 2, std::max(box, metrics.height()) + 4};
}

bool SymbolCheckBox::hitButton(const QPoint& position) const {
  return rect().contains(position);
}

void SymbolCheckBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const bool on = isChecked();
  const ThemeColor& mark = !isEnabled() ? Theme::line : on ? Theme::accent : Theme::sub;
  const QRectF square(0, (height() - box) / 2.0, box, box);
  MaterialSymbols::draw(
      painter, square, on ? QStringLiteral("check_box") : QStringLiteral("check_box_outline_blank"),
      box, mark.in(this), on);

  const QRect textRect(box + gap, 0, width() - box - gap, height());
  painter.setPen((isEnabled() ? Theme::ink : Theme::sub).in(this));
  painter.setFont(font());
  painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());
  if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
    painter.setPen(QPen(Theme::accent.in(this), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(square.adjusted(1, 1, -1, -1), 3, 3);
  }
}
