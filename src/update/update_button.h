#pragma once

#include <QPushButton>
#include <QString>

// A button of the update window, in the window's palette: `main` (the default action, on the
// accent), `sub` (on the hover colour) or `text` (a plain secondary link-like action).
class UpdateButton : public QPushButton {
  Q_OBJECT

 public:
  enum class Kind { main, sub, text };

  UpdateButton(Kind kind, const QString& text, QWidget* parent = nullptr);

  Kind kind() const { return kind_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int paddingX() const;

  Kind kind_;
};
