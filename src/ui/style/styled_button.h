#pragma once

#include <QPushButton>
#include <QString>

#include "ui/style/button_style.h"

// A push button drawn in one of the button styles, in the colours of the scheme it is shown in
// at each paint. It may carry a symbol of the icon font before its text (or alone), drawn in the
// text's colour (QPushButton's own icon is not drawn).
class StyledButton : public QPushButton {
  Q_OBJECT

 public:
  explicit StyledButton(const ButtonStyle& style, const QString& text = {},
                        QWidget* parent = nullptr);

  const ButtonStyle& buttonStyle() const { return style_; }
  void setButtonStyle(const ButtonStyle& style);

  const QString& symbol() const { return symbol_; }
  // An empty name removes the symbol.
  void setSymbol(const QString& name, double size = 18);

  // The colours drawn now.
  ButtonStyle::Colors currentColors() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ButtonStyle style_;
  QString symbol_;
  double symbolSize_ = 18;
};
