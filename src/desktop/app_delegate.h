#pragma once

#include <QObject>
#include <memory>

#include "app/app_context.h"
#include "app/app_model.h"
#include "menus/standard_menus.h"

class MainWindow;
class TerminationSignals;

// The windowed application once its QApplication exists: the model, the main window with its
// menus, the reflects at launch and on activation, and the end on a termination signal.
class AppDelegate : public QObject {
  Q_OBJECT

 public:
  explicit AppDelegate(AppContext context = AppContext::process(), QObject* parent = nullptr);
  ~AppDelegate() override;

  // Creates the model, the menus and the main window, then starts the first reload and reflect,
  // or the documentation snapshots when they are asked for.
  void start();

  AppModel* model() const { return model_.get(); }
  MainWindow* window() const { return window_.get(); }
  // The standard menus' description of this application.
  StandardMenus::Config menuConfig();

  // The menu commands.
  void reloadAll();
  void openMaster();
  void chooseFolder();
  void openSettings();
  // Brings the main window to the front, out of the dock or taskbar if minimised.
  void bringForward();

 private:
  void buildMainMenu();
  void onApplicationStateChanged(Qt::ApplicationState state);

  AppContext context_;
  bool snapshot_ = false;
  // From the launch's reflect until the application's state first changes.
  bool launching_ = false;
  std::unique_ptr<AppModel> model_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<TerminationSignals> signals_;
};
