#pragma once

#include <QLabel>

#include "ui/style/theme.h"

// A plain-text label in a theme colour (at an opacity of its own: a dim hint is `ink` at 0.3),
// which follows a switch of the appearance and the scheme of a window it is put into.
class ThemedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ThemedLabel(const QString& text, const ThemeColor& color, double opacity = 1.0,
                       QWidget* parent = nullptr);

  void setColor(const ThemeColor& color, double opacity = 1.0);
  // The colour drawn now.
  QColor currentColor() const;

  // A dim line of help: `ink` at 30 %.
  static ThemedLabel* hint(const QString& text, QWidget* parent = nullptr);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void applyColor();

  ThemeColor color_;
  double opacity_;
};
