#pragma once

#include <QList>
#include <QWidget>

#include "update/release_notes.h"

class QScrollArea;
class QVBoxLayout;

// What changed since the running version: a scrolling box of selectable text on the surface
// colour, each version's section with its date and items, a line between sections. Before the
// notes are in it says they are loading; without notes, where to read them.
class UpdateNotesBox : public QWidget {
  Q_OBJECT

 public:
  explicit UpdateNotesBox(QWidget* parent = nullptr);

  void setNotes(const QList<UpdateReleaseNote>& notes, bool loaded);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void styleScrollBar();
  void addSection(QWidget* content, QVBoxLayout* column, const UpdateReleaseNote& note);

  QScrollArea* area_;
};
