#pragma once

#include <QList>
#include <QScrollArea>
#include <QStringList>
#include <QWidget>
#include <utility>
#include <vector>

#include "menus/release_notes.h"
#include "menus/standard_menus.h"

class QLabel;

namespace StandardMenus {

// The notes read from "改定履歴.md" among the resources; a missing, unreadable or non-UTF-8 file
// gives one lead line saying so.
std::vector<NoteLine> loadReleaseNotes(const QStringList& folders);
std::vector<NoteLine> loadReleaseNotes();

// The notes as a scrolling column of selectable text in the palette's colours, which follow the
// light or dark scheme the view is drawn in.
class ReleaseNotesView : public QScrollArea {
  Q_OBJECT

 public:
  ReleaseNotesView(Palette palette, const std::vector<NoteLine>& lines, QWidget* parent = nullptr);

 protected:
  bool event(QEvent* event) override;

 private:
  void recolor();

  Palette palette_;
  std::vector<std::pair<QLabel*, ColorPair Palette::*>> labels_;
  bool recoloring_ = false;
};

// The one release-notes window, made on first use and reused until the process ends.
class ReleaseNotesWindow : public QWidget {
  Q_OBJECT

 public:
  static ReleaseNotesWindow& shared(const Config& config);

 private:
  explicit ReleaseNotesWindow(const Config& config);
};

// Shows the release-notes window in front.
void showReleaseNotes(const Config& config);

}  // namespace StandardMenus
