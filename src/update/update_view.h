#pragma once

#include <QPointer>
#include <QWidget>

#include "update/update_button.h"
#include "update/update_phase.h"

class QLabel;
class QVBoxLayout;
class ThemedLabel;
class UpdateCheckMark;
class UpdateModel;
class UpdateNotesBox;
class UpdateProgressBar;

// What the update window shows of its model: the application's icon with the phase's title and
// subtitle, then the phase's content and buttons. It follows the model's changes; Return presses
// the main button and Escape the cancelling one.
class UpdateView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int fixedWidth = 560;

  explicit UpdateView(UpdateModel& model, QWidget* parent = nullptr);

  // The height the view needs at its width for what it shows now.
  int fittingHeight() const;

 signals:
  // What the view shows changed its height.
  void contentChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void showPhase();
  void showHeader();
  void showProgress();
  void showNotes();
  QWidget* phaseContent();
  QLayout* buttons(UpdateButton* left, UpdateButton* cancel, UpdateButton* main);
  UpdateButton* button(UpdateButton::Kind kind, const char* name, const QString& text,
                       void (UpdateModel::*action)());

  UpdateModel& model_;
  QVBoxLayout* column_;
  QLabel* icon_;
  UpdateCheckMark* checkMark_;
  ThemedLabel* title_;
  ThemedLabel* subtitle_;
  QWidget* content_ = nullptr;
  UpdatePhase::Kind shownKind_;
  QPointer<UpdateNotesBox> notes_;
  QPointer<UpdateProgressBar> bar_;
  QPointer<ThemedLabel> caption_;
  QPointer<UpdateButton> defaultButton_;
  QPointer<UpdateButton> cancelButton_;
};
