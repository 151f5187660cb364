#pragma once

#include <QPointer>
#include <QWidget>

#include "app/app_model.h"

class SettingsView;

// The settings window: one for the application, made on first show and kept, its position
// kept under "LumiWordloomSettings". It needs no main window; without a model it does not open.
class SettingsWindow : public QWidget {
  Q_OBJECT

 public:
  // A window of its own; the application uses shared().
  explicit SettingsWindow(QWidget* parent = nullptr);

  // The application's settings window, made on first use (after the QApplication) and kept.
  static SettingsWindow& shared();

  AppModel* model() const { return model_; }
  // Start-up hands the model over before anything may show the window. Another model replaces
  // the content; a model that goes away takes the content with it and closes the window.
  void setModel(AppModel* model);

  // Brings the window to the front, making its content on first show (nothing without a model).
  void show();

  // The content; null until first shown.
  SettingsView* view() const { return view_; }

 signals:
  // "同期に使うフォルダを変更…" was clicked: the model shows the setup, the main window should
  // come to the front.
  void mainWindowWanted();

 protected:
  void moveEvent(QMoveEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void makeView();
  void dropView();
  void saveFrame() const;

  QPointer<AppModel> model_;
  SettingsView* view_ = nullptr;
  bool placed_ = false;
};
