#include "ui/main/main_window.h"

#include "background/app_info.h"
#include "ui/main/root_view.h"

MainWindow::MainWindow(AppModel& model, QWidget* parent)
    : QMainWindow(parent), root_(new RootView(model)) {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(QString::fromStdString(AppInfo::name()));
  // The palette's window colour is the theme's ground, in either scheme.
  setAutoFillBackground(true);
  setCentralWidget(root_);
  resize(1120, 620);
}
