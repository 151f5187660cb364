#pragma once

#include <QLabel>

#include "ui/style/theme.h"

// Plain text in a theme colour (a message in `danger`, a note in `sub`), resolved at each paint
// so that a switch of the appearance shows without touching the label. Plain text always: a
// dictionary name holding "<" stays text.
class ThemedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ThemedLabel(const ThemeColor& color, const QString& text = {},
                       QWidget* parent = nullptr);

  const ThemeColor& color() const { return color_; }
  void setColor(const ThemeColor& color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ThemeColor color_;
};
