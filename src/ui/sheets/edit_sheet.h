#pragma once

#include <optional>
#include <string>

#include "app/entry_row.h"
#include "ui/sheets/entry_draft.h"
#include "ui/sheets/sheet.h"

class AppModel;
class QComboBox;
class QLineEdit;
class QVBoxLayout;
class PartOfSpeechPicker;
class StyledButton;
class ThemedLabel;

// Adds one word, or edits or deletes an existing one, with the model's checks shown as the user
// types. "保存" is enabled only when there is no error and, when editing, something changed.
// Saving and deleting go through AppModel::commit; a message it returns is shown and the sheet
// stays open with everything typed, success asks to close. The reading field gets the focus
// 0.15 s after the sheet is first shown.
//
// Preferred size 560 × 520 when editing, 560 × 440 when adding; taller while many problems show.
// Object names: reading, word, posCode, comment, dictionary, problems (lines problemError,
// problemWarning), saveError, deleteWord, cancel, save.
class EditSheet : public Sheet {
  Q_OBJECT

 public:
  EditSheet(AppModel& model, EditTarget target, QWidget* parent = nullptr);

  const EditTarget& target() const { return target_; }
  // What the fields hold now.
  EntryDraft draft() const;

  QSize sizeHint() const override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void refresh();
  void fillDictionaries(const QString& chosen);
  void save();
  void confirmDelete();
  void commit(const WordChange::Change& change);

  AppModel& model_;
  EditTarget target_;
  QLineEdit* reading_;
  QLineEdit* word_;
  PartOfSpeechPicker* pos_;
  QLineEdit* comment_;
  QComboBox* dictionary_;
  QWidget* problems_;
  QVBoxLayout* problemLines_;
  ThemedLabel* saveError_;
  StyledButton* save_;
  bool shownOnce_ = false;
  // While a change is written and after it was: the sheet then neither checks the word against
  // the master that now holds it, nor writes it twice on another Return while the card goes.
  bool done_ = false;
};
