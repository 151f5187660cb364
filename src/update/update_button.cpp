#include "update/update_button.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include "update/update_look.h"

namespace {

constexpr int paddingY = 6;

}  // namespace

UpdateButton::UpdateButton(Kind kind, const QString& text, QWidget* parent)
    : QPushButton(text, parent), kind_(kind) {
  setFont(UpdateLook::font(13, kind == Kind::main ? QFont::DemiBold : QFont::Normal));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setCursor(Qt::PointingHandCursor);
}

int UpdateButton::paddingX() const {
  return kind_ == Kind::text ? 4 : 14;
}

QSize UpdateButton::sizeHint() const {
  const QFontMetrics metrics(font());
  return {2 * paddingX() + metrics.horizontalAdvance(text()), 2 * paddingY + metrics.height()};
}

void UpdateButton::paintEvent(QPaintEvent*) {
  const UpdatePalette palette = UpdatePalette::current();
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (isDown()) painter.setOpacity(0.8);

  const QRectF bounds(rect());
  if (kind_ != Kind::text) {
    QPainterPath background;
    background.addRoundedRect(bounds, UpdateLook::cornerRadius, UpdateLook::cornerRadius);
    painter.fillPath(background, (kind_ == Kind::main ? palette.accent : palette.hover).in(this));
  }
  // Keyboard users see where they are; a click leaves no ring.
  if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
    const bool onAccent = kind_ == Kind::main;
    const double inset = onAccent ? 2.5 : 1.0;
    painter.setPen(
        QPen((onAccent ? palette.accentInk : palette.accent).in(this), onAccent ? 1 : 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds.adjusted(inset, inset, -inset, -inset),
                            UpdateLook::cornerRadius - inset / 2,
                            UpdateLook::cornerRadius - inset / 2);
  }

  const ThemeColor& text = kind_ == Kind::main  ? palette.accentInk
                           : kind_ == Kind::sub ? palette.ink
                                                : palette.sub;
  painter.setPen(text.in(this));
  painter.setFont(font());
  painter.drawText(bounds, Qt::AlignCenter | Qt::TextSingleLine, QPushButton::text());
}
