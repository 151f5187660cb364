#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "ui/main/overlay.h"

class AppModel;
class CardOverlay;
class MainPanel;
class QSplitter;
class QStackedLayout;
class Sheet;
class Sidebar;

// The main window's content: the setup flow while the model asks for it, else the sidebar and
// the main panel side by side. It holds what both sides share: the sheet shown over the window,
// the dictionary whose deletion awaits confirmation and the message of the last failed action.
class RootView : public QWidget {
  Q_OBJECT

 public:
  explicit RootView(AppModel& model, QWidget* parent = nullptr);

  Sidebar* sidebar() const { return sidebar_; }
  MainPanel* mainPanel() const { return panel_; }
  QSplitter* splitter() const { return splitter_; }
  // The setup flow, present while the model shows setup.
  QWidget* setupPage() const { return setup_; }
  // Where the sheets are shown.
  CardOverlay* cardOverlay() const { return cards_; }

  const std::optional<Overlay>& overlay() const { return overlay_; }
  // Opens the sheet of `overlay` in place of any other (the same id keeps the open one), or
  // closes the open sheet; focus returns to the table when it closes.
  void setOverlay(std::optional<Overlay> overlay);

  const std::optional<std::string>& actionError() const { return actionError_; }
  void setActionError(std::optional<std::string> message);

  const std::optional<std::string>& deletingDictionary() const { return deletingDictionary_; }
  // Asks whether to delete the dictionary `name`.
  void confirmDictionaryDeletion(const std::string& name);

 signals:
  void overlayChanged();

 private:
  void updatePage();
  Sheet* makeSheet(const Overlay& overlay);

  AppModel& model_;
  std::optional<Overlay> overlay_;
  std::optional<std::string> actionError_;
  std::optional<std::string> deletingDictionary_;

  QStackedLayout* pages_;
  QWidget* setup_ = nullptr;
  QSplitter* splitter_;
  Sidebar* sidebar_;
  MainPanel* panel_;
  CardOverlay* cards_;
};
