#pragma once

#include <QCheckBox>

// A check box drawn with the icon font's boxes in theme colours (Qt's own box nearly vanishes
// on a dark ground). Everything else is QCheckBox's: Space toggles it, a click on the text too.
class SymbolCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  explicit SymbolCheckBox(const QString& text, QWidget* parent = nullptr);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& position) const override;
};
