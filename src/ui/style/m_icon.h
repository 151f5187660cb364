#pragma once

#include <QString>
#include <QWidget>

#include "ui/style/theme.h"

// An icon of the symbol font as a widget of its own: `size` × `size`, the glyph centred, in a
// theme colour resolved at each paint (default `ink`). Without the font it shows a bullet.
class MIcon : public QWidget {
  Q_OBJECT

 public:
  explicit MIcon(const QString& name, double size = 18, QWidget* parent = nullptr);

  const QString& name() const { return name_; }
  double iconSize() const { return size_; }
  bool fill() const { return fill_; }
  double weight() const { return weight_; }
  const ThemeColor& color() const { return color_; }

  void setName(const QString& name);
  void setIconSize(double size);
  void setFill(bool fill);
  void setWeight(double weight);
  void setColor(const ThemeColor& color);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString name_;
  double size_;
  bool fill_ = false;
  double weight_ = 400;
  ThemeColor color_ = Theme::ink;
};
