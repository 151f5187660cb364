#include "update/update_progress_bar.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "update/update_look.h"

namespace {

constexpr int barHeight = 6;

void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& color) {
  QPainterPath capsule;
  capsule.addRoundedRect(rect, rect.height() / 2, rect.height() / 2);
  painter.fillPath(capsule, color);
}

// Qt's own reads out the bare number; "56%" says what it is.
class ProgressAccessible : public QAccessibleWidget {
 public:
  explicit ProgressAccessible(UpdateProgressBar* bar)
      : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) {
      return QString::number(static_cast<const UpdateProgressBar*>(widget())->value()) + u'%';
    }
    return QAccessibleWidget::text(kind);
  }
};

QAccessibleInterface* accessibleFor(const QString& className, QObject* object) {
  if (className == QLatin1String("UpdateProgressBar") && object->isWidgetType()) {
    return new ProgressAccessible(static_cast<UpdateProgressBar*>(object));
  }
  return nullptr;
}

}  // namespace

UpdateProgressBar::UpdateProgressBar(QWidget* parent) : QProgressBar(parent) {
  static const bool accessible = (QAccessible::installFactory(accessibleFor), true);
  Q_UNUSED(accessible);
  setRange(0, 100);
  setValue(0);
  setTextVisible(false);
  setFormat(QStringLiteral("%p%"));
  setAccessibleName(QStringLiteral("進み具合"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void UpdateProgressBar::setProgress(double fraction, bool full) {
  fraction_ = std::clamp(std::isfinite(fraction) ? fraction : 0.0, 0.0, 1.0);
  full_ = full;
  // Whole percent, cut rather than rounded: 99.9 % is not done yet.
  setValue(static_cast<int>(fraction_ * 100));
  update();
}

QSize UpdateProgressBar::sizeHint() const {
  return {100, barHeight};
}

void UpdateProgressBar::paintEvent(QPaintEvent*) {
  const UpdatePalette palette = UpdatePalette::current();
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF track(0, (height() - barHeight) / 2.0, width(), barHeight);
  fillCapsule(painter, track, palette.hover.in(this));
  const double filled = full_ ? track.width() : track.width() * fraction_;
  if (filled <= 0) return;
  // A sliver narrower than the capsule's ends still reads as a dot, not as nothing.
  QRectF fill = track;
  fill.setWidth(std::max(filled, static_cast<double>(barHeight)));
  fillCapsule(painter, fill, palette.accent.in(this));
}
