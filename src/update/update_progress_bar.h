#pragma once

#include <QProgressBar>

// The download's progress: a thin capsule track with a capsule fill. Screen readers hear it as
// "進み具合" with the whole percentage.
class UpdateProgressBar : public QProgressBar {
  Q_OBJECT

 public:
  explicit UpdateProgressBar(QWidget* parent = nullptr);

  // `fraction` 0…1 is filled; `full` draws the whole track filled whatever the fraction (the size
  // is unknown, or the download is over).
  void setProgress(double fraction, bool full);
  double fraction() const { return fraction_; }
  bool isFull() const { return full_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double fraction_ = 0;
  bool full_ = false;
};
