#include "ui/style/motion.h"

#include <QPointF>
#include <QVariantAnimation>

Motion Motion::quick() {
  // The standard ease-out curve of the desktop toolkits: cubic Bézier (0, 0) (0.58, 1) (1, 1).
  QEasingCurve easeOut(QEasingCurve::BezierSpline);
  easeOut.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
  return {std::chrono::milliseconds(120), easeOut};
}

void Motion::applyTo(QVariantAnimation& animation) const {
  animation.setDuration(static_cast<int>(duration.count()));
  animation.setEasingCurve(easing);
}
