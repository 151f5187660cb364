#pragma once

#include <QEasingCurve>
#include <chrono>

class QVariantAnimation;

// The one animation of the windows, for small state changes.
struct Motion {
  std::chrono::milliseconds duration;
  QEasingCurve easing;

  // Ease-out over 0.12 s.
  static Motion quick();

  // Gives `animation` this duration and curve.
  void applyTo(QVariantAnimation& animation) const;
};
