#pragma once

#include <QCheckBox>

// A check box in the update window's palette, its box drawn with the icon font (Qt's own box
// nearly vanishes on a dark ground). Space toggles it, and a click on the text as well.
class UpdateCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  explicit UpdateCheckBox(const QString& text, QWidget* parent = nullptr);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& position) const override;
};
