#pragma once

#include <QMainWindow>

class AppModel;
class RootView;

// The one main window: the root view on the ground colour, 1120 × 620, titled with the
// application's name. Start-up adds the menu bar, the saved geometry and quitting on close
// (through an event filter: the window needs no part in it).
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(AppModel& model, QWidget* parent = nullptr);

  RootView* rootView() const { return root_; }

 private:
  RootView* root_;
};
