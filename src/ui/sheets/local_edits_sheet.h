#pragma once

#include <QPointer>

#include "ui/sheets/sheet.h"

class AppModel;
class QListWidget;
class QMessageBox;
class QVBoxLayout;
class StyledButton;
class ThemedLabel;

// Words changed on this computer with the IME's own tools, which the reflect would not
// overwrite: the sheet lists the differences and lets the user take them into the master or
// discard them. It keeps none of them: everything shown is read from the model's state again
// whenever that changes, and a state that moved on shows that there is nothing to decide.
// Both actions wait while a reflect runs (a reflect asked for meanwhile would be dropped), and a
// discard confirmation closes when the state changes under it.
//
// Preferred size 600 × 540. Object names: explanation, lines, skipped (lines skippedItem),
// nothing, error, absorb, discard, discardNote, later.
class LocalEditsSheet : public Sheet {
  Q_OBJECT

 public:
  explicit LocalEditsSheet(AppModel& model, QWidget* parent = nullptr);

  QSize sizeHint() const override;

 private:
  void refresh();
  void absorb();
  void confirmDiscard();

  AppModel& model_;
  ThemedLabel* explanation_;
  QListWidget* lines_;
  QWidget* skipped_;
  QVBoxLayout* skippedLines_;
  ThemedLabel* nothing_;
  ThemedLabel* error_;
  StyledButton* absorb_;
  StyledButton* discard_;
  QPointer<QMessageBox> discardBox_;
  bool done_ = false;
};
