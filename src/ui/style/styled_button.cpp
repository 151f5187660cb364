#include "ui/style/styled_button.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "ui/style/material_symbols.h"

namespace {

constexpr int symbolGap = 6;

}  // namespace

StyledButton::StyledButton(const ButtonStyle& style, const QString& text, QWidget* parent)
    : QPushButton(text, parent), style_(style) {}

void StyledButton::setButtonStyle(const ButtonStyle& style) {
  style_ = style;
  updateGeometry();
  update();
}

void StyledButton::setSymbol(const QString& name, double size) {
  symbol_ = name;
  symbolSize_ = size;
  updateGeometry();
  update();
}

ButtonStyle::Colors StyledButton::currentColors() const {
  const ButtonStyle::State state = !isEnabled() ? ButtonStyle::State::disabled
                                   : isDown()   ? ButtonStyle::State::pressed
                                                : ButtonStyle::State::normal;
  return style_.colors(state, Theme::schemeOf(this));
}

QSize StyledButton::sizeHint() const {
  const QFontMetrics metrics(font());
  const int textWidth = text().isEmpty() ? 0 : metrics.horizontalAdvance(text());
  const int symbolSide = symbol_.isEmpty() ? 0 : static_cast<int>(std::ceil(symbolSize_));
  const int gap = symbolSide > 0 && textWidth > 0 ? symbolGap : 0;
  const int contentHeight = std::max(text().isEmpty() ? 0 : metrics.height(), symbolSide);
  return {2 * style_.paddingX + symbolSide + gap + textWidth, 2 * style_.paddingY + contentHeight};
}

void StyledButton::paintEvent(QPaintEvent*) {
  const ButtonStyle::Colors colors = currentColors();
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);

  QPainterPath background;
  background.addRoundedRect(QRectF(rect()), Theme::radius, Theme::radius);
  painter.fillPath(background, colors.background);

  // Keyboard users see where they are; a click leaves no ring, as elsewhere in Fusion.
  if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
    const bool onAccent = style_.kind == ButtonStyle::Kind::primary;
    const ThemeColor& ringColor = onAccent ? Theme::accentInk : Theme::accent;
    const double inset = onAccent ? 2.5 : 1.0;
    painter.setPen(QPen(ringColor.in(this), onAccent ? 1.0 : 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset),
                            Theme::radius - inset / 2, Theme::radius - inset / 2);
  }

  // The content is centred as one block: symbol, gap, text.
  const QFontMetrics metrics(font());
  const int textWidth = text().isEmpty() ? 0 : metrics.horizontalAdvance(text());
  const double symbolSide = symbol_.isEmpty() ? 0 : symbolSize_;
  const double gap = symbolSide > 0 && textWidth > 0 ? symbolGap : 0;
  double x = (width() - (symbolSide + gap + textWidth)) / 2.0;
  if (symbolSide > 0) {
    const QRectF square(x, (height() - symbolSide) / 2.0, symbolSide, symbolSide);
    MaterialSymbols::draw(painter, square, symbol_, symbolSide, colors.text);
    x += symbolSide + gap;
  }
  if (textWidth > 0) {
    painter.setPen(colors.text);
    painter.setFont(font());
    painter.drawText(QRectF(x, 0, textWidth, height()), Qt::AlignVCenter | Qt::TextShowMnemonic,
                     text());
  }
}
