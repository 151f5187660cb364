#include "ui/settings/settings_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QVBoxLayout>

#include "ui/settings/settings_texts.h"
#include "ui/settings/settings_view.h"

namespace {

const QString frameKey = QStringLiteral("LumiWordloomSettings");

}  // namespace

SettingsWindow::SettingsWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("settingsWindow"));
  setWindowTitle(SettingsTexts::title());
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowMinimizeButtonHint | Qt::CustomizeWindowHint);
  setFixedSize(640, 560);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* close = new QShortcut(QKeySequence::Close, this);
  connect(close, &QShortcut::activated, this, &QWidget::close);
}

SettingsWindow& SettingsWindow::shared() {
  // Never destroyed: start-up and menus may reach for it until the very end.
  static SettingsWindow* const instance = new SettingsWindow;
  return *instance;
}

void SettingsWindow::setModel(AppModel* model) {
  if (model == model_) return;
  if (model_) disconnect(model_, nullptr, this, nullptr);
  dropView();
  model_ = model;
  if (model_) {
    // The content refers to the model: it must not outlive it.
    connect(model_, &QObject::destroyed, this, [this] {
      dropView();
      hide();
    });
    if (isVisible()) makeView();
  }
}

void SettingsWindow::makeView() {
  if (view_ != nullptr) return;
  view_ = new SettingsView(*model_);
  connect(view_, &SettingsView::mainWindowWanted, this, &SettingsWindow::mainWindowWanted);
  layout()->addWidget(view_);
  view_->show();
}

void SettingsWindow::dropView() {
  delete view_;
  view_ = nullptr;
}

void SettingsWindow::show() {
  if (!model_) return;
  makeView();
  if (!placed_) {
    placed_ = true;
    // Where the user left it, else the middle of the screen.
    if (!restoreGeometry(QSettings().value(frameKey).toByteArray())) {
      if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
      }
    }
  }
  if (isMinimized()) showNormal();
  QWidget::show();
  raise();
  activateWindow();
}

void SettingsWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (isVisible()) saveFrame();
}

void SettingsWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  saveFrame();
}

void SettingsWindow::saveFrame() const {
  QSettings().setValue(frameKey, saveGeometry());
}
