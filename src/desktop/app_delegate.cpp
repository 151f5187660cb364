#include "desktop/app_delegate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <filesystem>

#include "background/app_info.h"
#include "background/notifier.h"
#include "desktop/closing_quits.h"
#include "desktop/snapshot.h"
#include "desktop/termination_signals.h"
#include "desktop/window_frame.h"
#include "menus/vendor_site.h"
#include "ui/main/main_window.h"
#include "ui/settings/settings_window.h"
#include "update/update_prompt.h"
#include "update/update_window.h"

namespace {

const QString mainFrameName = QStringLiteral("LumiWordloomMain");

QAction* command(QMenu* menu, const char* title, const QKeySequence& key,
                 std::function<void()> run) {
  QAction* action = StandardMenus::item(QString::fromUtf8(title), key, std::move(run), menu);
  menu->addAction(action);
  return action;
}

// An editing command goes to the focused widget as the key that asks for it, which line edits,
// text views and tables answer themselves. Handed to the widget directly: sent through the
// application, the key would meet the shortcut map again and come back to this very command.
void sendToFocus(const QKeySequence& key) {
  QWidget* target = QApplication::focusWidget();
  if (target == nullptr) return;
  const QKeyCombination combination = key[0];
  QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
  static_cast<QObject*>(target)->event(&press);
  QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers());
  static_cast<QObject*>(target)->event(&release);
}

void editCommand(QMenu* menu, const char* title, const QKeySequence& key) {
  command(menu, title, key, [key] { sendToFocus(key); });
}

}  // namespace

AppDelegate::AppDelegate(AppContext context, QObject* parent)
    : QObject(parent), context_(std::move(context)), snapshot_(Snapshot::isRequested()) {}

AppDelegate::~AppDelegate() {
  // The windows show the model: they go first.
  window_.reset();
  if (SettingsWindow::shared().model() == model_.get()) SettingsWindow::shared().setModel(nullptr);
}

void AppDelegate::start() {
  model_ = std::make_unique<AppModel>(context_);
  SettingsWindow::shared().setModel(model_.get());
  connect(&SettingsWindow::shared(), &SettingsWindow::mainWindowWanted, this,
          &AppDelegate::bringForward);

  window_ = std::make_unique<MainWindow>(*model_);
  UpdateWindow::registerPresenter();
  buildMainMenu();

  signals_ = std::make_unique<TerminationSignals>();
  connect(signals_.get(), &TerminationSignals::received, this, [] { QCoreApplication::exit(0); });

  if (const QScreen* screen = window_->screen()) {
    window_->move(screen->availableGeometry().center() - window_->rect().center());
  }
  WindowFrame::keep(window_.get(), mainFrameName);
  new ClosingQuits(window_.get());
  window_->show();
  window_->raise();
  window_->activateWindow();

  connect(qApp, &QGuiApplication::applicationStateChanged, this,
          &AppDelegate::onApplicationStateChanged);
  connect(&Notifier::shared(), &Notifier::activated, this, &AppDelegate::bringForward);

  model_->saveLegacyLocationIfNeeded();
  model_->reload();
  if (snapshot_) {
    Snapshot::run(*model_, *window_);
    return;
  }
  Notifier::shared().prepare();
  model_->repairAutoSyncIfMoved();
  model_->sync(false, false);
  UpdatePrompt::checkAtLaunch(QString::fromStdString(AppInfo::name()),
                              QString::fromStdString(AppInfo::version()),
                              UpdatePrompt::defaultSource(), UpdatePrompt::firstDelay, this);
  launching_ = true;
}

StandardMenus::Config AppDelegate::menuConfig() {
  return StandardMenus::Config{
      .appName = QString::fromStdString(AppInfo::name()),
      .version = QString::fromStdString(AppInfo::version()),
      .help = StandardMenus::Help{StandardMenus::Help::Web{
          VendorSite::page(QStringLiteral("/apps/wordloom/help/"))}},
      .report = StandardMenus::Report{StandardMenus::Report::Web{
          VendorSite::page(QStringLiteral("/contact/?type=bug"))}},
      .website = VendorSite::page(QStringLiteral("/apps/wordloom/")),
      .checkForUpdates =
          [] {
            UpdatePrompt::checkNow(QString::fromStdString(AppInfo::name()),
                                   QString::fromStdString(AppInfo::version()),
                                   UpdatePrompt::defaultSource());
          },
      .showSettings =
          [self = QPointer<AppDelegate>(this)] {
            if (self) self->openSettings();
          },
      .palette = std::nullopt,
  };
}

void AppDelegate::buildMainMenu() {
  QMenuBar* bar = window_->menuBar();
  const StandardMenus::Config config = menuConfig();
  bar->addMenu(StandardMenus::appMenu(config, {}, bar));

  QMenu* file = bar->addMenu(QStringLiteral("ファイル"));
  file->setObjectName(QStringLiteral("fileMenu"));
  command(file, "再読み込みして反映", QKeySequence(Qt::CTRL | Qt::Key_R), [this] { reloadAll(); });
  command(file, "マスターのフォルダを開く", {}, [this] { openMaster(); });
  command(file, "同期に使うフォルダを変更…", {}, [this] { chooseFolder(); });
  file->addSeparator();
  // The main window's own key: the other windows close themselves with it, and a sheet over the
  // main window holds it back.
  command(file, "閉じる", QKeySequence(Qt::CTRL | Qt::Key_W), [this] {
    window_->close();
  })->setShortcutContext(Qt::WindowShortcut);

  QMenu* edit = bar->addMenu(QStringLiteral("編集"));
  edit->setObjectName(QStringLiteral("editMenu"));
  editCommand(edit, "取り消す", QKeySequence(Qt::CTRL | Qt::Key_Z));
  editCommand(edit, "やり直す", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  edit->addSeparator();
  editCommand(edit, "カット", QKeySequence(Qt::CTRL | Qt::Key_X));
  editCommand(edit, "コピー", QKeySequence(Qt::CTRL | Qt::Key_C));
  editCommand(edit, "ペースト", QKeySequence(Qt::CTRL | Qt::Key_V));
  editCommand(edit, "すべてを選択", QKeySequence(Qt::CTRL | Qt::Key_A));

  QMenu* windows = bar->addMenu(QStringLiteral("ウインドウ"));
  windows->setObjectName(QStringLiteral("windowMenu"));
  command(windows, "しまう", QKeySequence(Qt::CTRL | Qt::Key_M), [] {
    if (QWidget* window = QApplication::activeWindow()) window->showMinimized();
  });
  command(windows, "拡大/縮小", {}, [] {
    QWidget* window = QApplication::activeWindow();
    if (window == nullptr) return;
    window->isMaximized() ? window->showNormal() : window->showMaximized();
  });

  bar->addMenu(StandardMenus::helpMenu(config, {}, bar));
}

void AppDelegate::reloadAll() {
  model_->reload();
  model_->sync(false, false);
}

void AppDelegate::openMaster() {
  const std::filesystem::path& master = model_->paths().master;
  // Without a chosen folder there is nothing to show, and the placeholder is never created.
  std::error_code error;
  if (!model_->paths().isConfigured() || !std::filesystem::is_directory(master, error)) {
    QApplication::beep();
    return;
  }
  StandardMenus::openUrl(QUrl::fromLocalFile(QString::fromStdString(master.string())));
}

void AppDelegate::chooseFolder() {
  model_->setChoosingFolder(true);
  bringForward();
}

void AppDelegate::openSettings() {
  SettingsWindow::shared().show();
}

void AppDelegate::bringForward() {
  if (window_ == nullptr) return;
  window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void AppDelegate::onApplicationStateChanged(Qt::ApplicationState state) {
  // The activation the launch itself brings, while the launch's reflect still runs: reading the
  // whole master again (twice the work of opening the window) would show the same words, and
  // the model drops the second reflect anyway.
  const bool partOfTheLaunch = launching_ && model_->isSyncing();
  launching_ = false;
  if (state != Qt::ApplicationActive || snapshot_ || partOfTheLaunch) return;
  Notifier::shared().refresh();
  model_->reload();
  model_->sync(false, false);
}
