#pragma once

#include <QLabel>

#include "ui/style/theme.h"

// Plain text in a theme colour other than `ink` alone (a message in `danger`, a note in `sub`),
// again whenever the scheme it is drawn in changes. Plain text always: a dictionary name or a
// path holding "<" stays text.
class ThemedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ThemedLabel(const ThemeColor& color, const QString& text = {},
                       QWidget* parent = nullptr);

  const ThemeColor& color() const { return color_; }
  void setColor(const ThemeColor& color);

 protected:
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void applyColor();

  ThemeColor color_;
};
