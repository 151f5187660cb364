#pragma once

#include <QComboBox>
#include <cstdint>

// The part-of-speech menu: a section of the codes used most, then a section of every other code
// of the table in table order, each item showing the code's name. Section headings cannot be
// chosen.
class PartOfSpeechPicker : public QComboBox {
  Q_OBJECT

 public:
  explicit PartOfSpeechPicker(QWidget* parent = nullptr);

  std::int64_t code() const;
  void setCode(std::int64_t code);

 signals:
  void codeChanged();
};
