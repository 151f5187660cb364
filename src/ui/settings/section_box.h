#pragma once

#include <QWidget>

class QVBoxLayout;

// A rounded box on the `surface` colour holding one group of settings, its rows parted by lines.
class SectionBox : public QWidget {
  Q_OBJECT

 public:
  explicit SectionBox(QWidget* parent = nullptr);

  // Adds a row, with a line above it unless it is the first.
  void addRow(QWidget* row);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QVBoxLayout* rows_;
  int count_ = 0;
};
