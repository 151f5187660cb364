#pragma once

#include <QMainWindow>

class AppModel;
class RootView;

// The one main window: the root view on the ground colour, 1120 × 620, titled with the
// application's name. Start-up adds the menu bar, the saved geometry and quitting on close.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(AppModel& model, QWidget* parent = nullptr);

  RootView* rootView() const { return root_; }

 signals:
  // The user closed the window (its close button, or close()); the window closes.
  void closeRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  RootView* root_;
};
