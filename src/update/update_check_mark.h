#pragma once

#include <QPainterPath>
#include <QWidget>

// The "up to date" mark before the title: a disc with a check cut out of it, in the window's
// `ok` colour.
class UpdateCheckMark : public QWidget {
  Q_OBJECT

 public:
  explicit UpdateCheckMark(QWidget* parent = nullptr);

  // The mark's outline on a 32 × 32 square (y downwards), scaled when drawn.
  static QPainterPath shape();

  QSize sizeHint() const override { return {16, 16}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
};
