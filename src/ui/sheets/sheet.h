#pragma once

#include <QWidget>

class QBoxLayout;
class QLabel;
class QPushButton;
class ThemedLabel;

// The content of a card over the main window: it asks to be closed (saved, cancelled, Escape)
// with closeRequested(), and whoever shows it closes it. Return and Enter press the default
// button while it is enabled, unless another button has the focus (then that one is pressed);
// Escape presses the cancel button. Its fields and lists lie on the surface colour, which sets
// them off from the card in both schemes.
class Sheet : public QWidget {
  Q_OBJECT

 public:
  explicit Sheet(QWidget* parent = nullptr);

 signals:
  void closeRequested();

 protected:
  void setDefaultButton(QPushButton* button);
  void setCancelButton(QPushButton* button);
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

  // Parts every sheet is made of.
  static QLabel* makeTitle(const QString& text, QWidget* parent);
  static ThemedLabel* makeMessage(const QString& objectName, QWidget* parent);
  // Right-aligned buttons, with `leading` (may be null) alone at the left.
  static QBoxLayout* makeButtonRow(QWidget* leading, std::initializer_list<QPushButton*> buttons);

 private:
  void followScheme();

  QPushButton* defaultButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};
