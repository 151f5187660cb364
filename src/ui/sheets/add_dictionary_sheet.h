#pragma once

#include "ui/sheets/sheet.h"

class AppModel;
class QLineEdit;
class StyledButton;
class ThemedLabel;

// Names a new dictionary, still empty until its first word is saved. The name is checked as it
// is typed and again by AppModel::addDictionary when added; a refusal keeps the sheet open.
// The name field has the focus whenever the sheet does.
//
// Preferred size 460 × 260. Object names: name, problem, cancel, add.
class AddDictionarySheet : public Sheet {
  Q_OBJECT

 public:
  explicit AddDictionarySheet(AppModel& model, QWidget* parent = nullptr);

  QSize sizeHint() const override;

 private:
  void refresh();
  void add();
  void showProblem(const std::optional<std::string>& problem);

  AppModel& model_;
  QLineEdit* name_;
  ThemedLabel* problem_;
  StyledButton* add_;
  bool done_ = false;
};
