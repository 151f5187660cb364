#pragma once

#include <QAbstractButton>
#include <QVariantAnimation>

// An on/off switch (Qt Widgets has none): a track in the accent colour while on, a knob that
// slides across. It is a checkable button: Space flips it when it has the focus, `clicked`
// tells of the user's flips only, and setChecked shows a state without reporting one.
class ToggleSwitch : public QAbstractButton {
  Q_OBJECT

 public:
  explicit ToggleSwitch(QWidget* parent = nullptr);

  QSize sizeHint() const override { return {42, 24}; }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // 0 off … 1 on, where the knob is drawn.
  double position_ = 0;
  QVariantAnimation slide_;
};
