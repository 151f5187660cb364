#pragma once

#include <QCheckBox>

#include "ui/style/theme.h"

// A check box drawn with the icon font's boxes in theme colours (Qt's own box nearly vanishes
// on a dark ground). Everything else is QCheckBox's: Space toggles it, a click on the text too.
class SymbolCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  // Sizes in device-independent pixels; the update window draws a smaller box in its own tint.
  struct Look {
    int box = 20;
    int gap = 8;
    int padding = 4;
    ThemeColor accent = Theme::accent;

    bool operator==(const Look&) const = default;
  };

  explicit SymbolCheckBox(const QString& text, QWidget* parent = nullptr);
  SymbolCheckBox(const QString& text, const Look& look, QWidget* parent = nullptr);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& position) const override;

 private:
  Look look_;
};
