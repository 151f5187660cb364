#pragma once

#include <QLabel>

#include "ui/style/theme.h"

// A label whose text takes a theme colour other than `ink` (secondary text, errors, notes),
// again whenever the scheme it is drawn in changes. Plain text only, so that a "<" in a path or
// a message stays a "<".
class ThemedLabel : public QLabel {
  Q_OBJECT

 public:
  ThemedLabel(const QString& text, const QFont& font, const ThemeColor& color,
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
