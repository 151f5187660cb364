#include "update/update_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/style/theme.h"
#include "update/update_hooks.h"
#include "update/update_log.h"
#include "update/update_model.h"
#include "update/update_text.h"
#include "update/update_view.h"

namespace {

// The test action waits until the window is on screen; a snapshot until it has been laid out and
// painted.
constexpr int testActionDelayMs = 500;
constexpr int snapshotDelayMs = 800;

QPointer<UpdateWindow>& currentWindow() {
  static QPointer<UpdateWindow> value;
  return value;
}

std::function<void()>& quitFunction() {
  static std::function<void()> value = [] { QCoreApplication::quit(); };
  return value;
}

void closeCurrent() {
  if (UpdateWindow* open = currentWindow()) open->close();
}

}  // namespace

UpdateWindow::UpdateWindow(std::unique_ptr<UpdateModel> model, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      model_(std::move(model)),
      view_(new UpdateView(*model_, this)) {
  setObjectName(QStringLiteral("updateWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(UpdatePrompt::format(UpdatePrompt::L(QStringLiteral("%@ のアップデート")),
                                      {model_->appName()}));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  model_->setQuit(quitFunction());
  connect(model_.get(), &UpdateModel::closeRequested, this, &QWidget::close);
  connect(view_, &UpdateView::contentChanged, this, &UpdateWindow::fit);
  fit();
}

UpdateWindow::~UpdateWindow() {
  // The view reads the model until it is gone.
  delete view_;
}

UpdateWindow* UpdateWindow::current() {
  return currentWindow();
}

void UpdateWindow::registerPresenter() {
  UpdatePrompt::setPresenter([](const UpdatePrompt::WindowRequest& request) { show(request); });
}

void UpdateWindow::show(const UpdatePrompt::WindowRequest& request) {
  closeCurrent();
  auto model = std::make_unique<UpdateModel>(request);
  if (UpdatePrompt::isSnapshotting()) {
    snapshot(std::move(model));
    return;
  }
  show(std::move(model));
}

void UpdateWindow::show(std::unique_ptr<UpdateModel> model) {
  closeCurrent();
  auto* window = new UpdateWindow(std::move(model));
  window->model().loadNotes();
  currentWindow() = window;
  if (const QScreen* screen = window->screen()) {
    window->move(screen->availableGeometry().center() - window->rect().center());
  }
  window->QWidget::show();
  window->raise();
  window->activateWindow();
  if (UpdatePrompt::testActionIsInstall()) {
    QTimer::singleShot(testActionDelayMs, window, [window] { window->model().install(); });
  }
}

void UpdateWindow::snapshot(std::unique_ptr<UpdateModel> model) {
  model->setPhase(UpdatePrompt::snapshotPhase(model->phase()));
  // Held by the callback until the notes are in, then by the window.
  UpdateModel* held = model.release();
  held->loadNotes([held] {
    auto* window = new UpdateWindow(std::unique_ptr<UpdateModel>(held));
    if (const auto dark = UpdatePrompt::snapshotIsDark()) {
      Theme::force(window, *dark ? ColorScheme::dark : ColorScheme::light);
    }
    window->move(-10000, -10000);
    window->QWidget::show();
    QTimer::singleShot(snapshotDelayMs, window, [window] {
      const QPixmap image = window->grab();
      const QString path = UpdatePrompt::snapshotPath();
      // Whoever reads the log looks for the file it names: only a written file is reported so.
      if (!image.isNull()) {
        const QString line = image.save(path, "PNG")
                                 ? QStringLiteral("UpdatePrompt: 検証用の画像を書きました: ")
                                 : QStringLiteral("UpdatePrompt: 検証用の画像を書けませんでした: ");
        UpdatePrompt::log((line + path).toStdString());
      }
      window->close();
      quitFunction()();
    });
  });
}

void UpdateWindow::setQuit(std::function<void()> quit) {
  quitFunction() = quit ? std::move(quit) : [] { QCoreApplication::quit(); };
}

void UpdateWindow::closeEvent(QCloseEvent* event) {
  if (model_->phase().kind == UpdatePhase::Kind::downloading) model_->cancelDownload();
  if (currentWindow() == this) currentWindow() = nullptr;
  event->accept();
}

void UpdateWindow::fit() {
  setFixedSize(UpdateView::fixedWidth, view_->fittingHeight());
}
