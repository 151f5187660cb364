#include "ui/settings/toggle_switch.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/style/motion.h"
#include "ui/style/theme.h"

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
  setCheckable(true);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  Motion::quick().applyTo(slide_);
  connect(&slide_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
    position_ = value.toDouble();
    update();
  });
  connect(this, &QAbstractButton::toggled, this, [this](bool on) {
    slide_.stop();
    slide_.setStartValue(position_);
    slide_.setEndValue(on ? 1.0 : 0.0);
    slide_.start();
  });
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
  const double radius = track.height() / 2;

  QColor off = Theme::line.in(this);
  QColor on = Theme::accent.in(this);
  if (!isEnabled()) {
    off.setAlphaF(0.5f);
    on.setAlphaF(0.35f);
  }
  // The track's colour follows the knob, so a flip fades across.
  QColor fill;
  fill.setRgbF(off.redF() + (on.redF() - off.redF()) * position_,
               off.greenF() + (on.greenF() - off.greenF()) * position_,
               off.blueF() + (on.blueF() - off.blueF()) * position_,
               off.alphaF() + (on.alphaF() - off.alphaF()) * position_);
  QPainterPath path;
  path.addRoundedRect(track, radius, radius);
  painter.fillPath(path, fill);

  const double inset = 2.5;
  const double knob = track.height() - 2 * inset;
  const double x = track.left() + inset + (track.width() - knob - 2 * inset) * position_;
  painter.setPen(QPen(Theme::shadow.in(this), 0.75));
  // An off knob stays light on a dark ground, as the desktop's switches do.
  const bool dark = Theme::schemeOf(this) == ColorScheme::dark;
  painter.setBrush((isChecked() ? Theme::accentInk : dark ? Theme::sub : Theme::ground).in(this));
  painter.drawEllipse(QRectF(x, track.top() + inset, knob, knob));

  // Keyboard users see where they are; a click leaves no ring.
  if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
    painter.setPen(QPen(Theme::accent.in(this), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius + 0.5,
                            radius + 0.5);
  }
}
