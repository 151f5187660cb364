#pragma once

#include <QWidget>

// A one-pixel line in the theme's `line` colour between parts of a window.
class Divider : public QWidget {
  Q_OBJECT

 public:
  explicit Divider(QWidget* parent = nullptr);

  QSize sizeHint() const override { return {1, 1}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
};
